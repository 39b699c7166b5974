#include "platform/CBrokenOutputWatcher.h"

#include <windows.h>

namespace platform {
namespace {

// SIGPIPE's number, so that a broken output gives the same status as on Linux.
constexpr int kBrokenPipeSignal = 13;

} // namespace

// Windows has no SIGPIPE: a write to a pipe whose reader has gone fails, and the run sees it there.
CBrokenOutputWatcher::CBrokenOutputWatcher(QObject* pParent) : QObject(pParent) {}

CBrokenOutputWatcher::~CBrokenOutputWatcher() = default;

bool CBrokenOutputWatcher::IsBroken() {
    const HANDLE hOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    if (hOutput == nullptr || hOutput == INVALID_HANDLE_VALUE || GetFileType(hOutput) != FILE_TYPE_PIPE)
        return false;
    // Writing nothing asks the pipe whether it still has a reader, and changes nothing.
    DWORD dwWritten = 0;
    if (WriteFile(hOutput, "", 0, &dwWritten, nullptr))
        return false;
    const DWORD dwError = GetLastError();
    return dwError == ERROR_NO_DATA || dwError == ERROR_BROKEN_PIPE || dwError == ERROR_PIPE_NOT_CONNECTED;
}

int CBrokenOutputWatcher::ExitStatus() {
    return 128 + kBrokenPipeSignal;
}

} // namespace platform
