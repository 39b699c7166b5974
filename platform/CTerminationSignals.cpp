#include "platform/CTerminationSignals.h"

#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe's write end for the handler; -1 while no object watches.
std::atomic<int> g_iWriteEnd = -1;
int g_iReadEnd = -1;
std::array<struct sigaction, kSignals.size()> g_PreviousActions{};

// Only async-signal-safe calls: one byte that names the signal goes down the pipe. A full pipe
// drops it, which is harmless, as the reader has a byte of its own to read already.
void OnSignal(int iSignal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(iSignal);
    const int writeEnd = g_iWriteEnd.load();
    if (writeEnd >= 0) [[maybe_unused]]
        const ssize_t written = write(writeEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

CTerminationSignals::CTerminationSignals(QObject* pParent) : QObject(pParent) {
    if (g_iWriteEnd.load() >= 0)
        return;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_iReadEnd = ends[0];
    g_iWriteEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    // Restarted, so that no read or wait elsewhere in the program fails with EINTR.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &action, &g_PreviousActions[i]);
    m_pNotifier = new QSocketNotifier(g_iReadEnd, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CTerminationSignals::OnReadable);
}

CTerminationSignals::~CTerminationSignals() {
    if (m_pNotifier == nullptr)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &g_PreviousActions[i], nullptr);
    const int writeEnd = g_iWriteEnd.exchange(-1);
    delete m_pNotifier;
    close(writeEnd);
    close(g_iReadEnd);
    g_iReadEnd = -1;
}

bool CTerminationSignals::IsWatching() const {
    return m_pNotifier != nullptr;
}

int CTerminationSignals::ExitStatusFor(int iSignal) {
    return 128 + iSignal;
}

void CTerminationSignals::OnReadable() {
    unsigned char byte = 0;
    while (read(g_iReadEnd, &byte, 1) == 1)
        emit Received(byte);
}

} // namespace platform
