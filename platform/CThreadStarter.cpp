#include "platform/CThreadStarter.h"

#include <system_error>

CThreadStarter::~CThreadStarter() = default;

bool CThreadStarter::Start(std::function<void()> fnBody, std::thread& thread) {
    // Overwriting a running thread would end the process.
    if (thread.joinable())
        return false;
    try {
        thread = std::thread(std::move(fnBody));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}
