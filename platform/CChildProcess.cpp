#include "platform/CChildProcess.h"

#include "platform/CChildLaunch.h"
#include "platform/ChildEnvironment.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// Milliseconds from now until the deadline, rounded up so a wait never ends early; 0 once passed.
int MillisecondsUntil(CChildProcess::Deadline deadline) {
    const auto remaining = deadline - std::chrono::steady_clock::now();
    if (remaining <= std::chrono::steady_clock::duration::zero())
        return 0;
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
    return static_cast<int>(std::min<decltype(milliseconds)>(milliseconds, INT_MAX));
}

enum class WaitResult { Ready, Stopped, DeadlinePassed };

// Waits until fd is readable, stopFd is readable, or the deadline passes. A stop wins over a
// readable fd; a stopFd of -1 is never readable, as poll skips negative descriptors.
WaitResult WaitReadable(int fd, int stopFd, CChildProcess::Deadline deadline) {
    while (true) {
        const int timeout = MillisecondsUntil(deadline);
        if (timeout == 0)
            return WaitResult::DeadlinePassed;
        pollfd entries[] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int ready = poll(entries, 2, timeout);
        if (ready > 0)
            return entries[1].revents != 0 ? WaitResult::Stopped : WaitResult::Ready;
        if (ready < 0 && errno != EINTR)
            return WaitResult::Ready; // let the read report what is wrong
    }
}

} // namespace

CChildProcess::CChildProcess() = default;

CChildProcess::~CChildProcess() {
    Kill();
    CloseDescriptors();
}

bool CChildProcess::Start(const QStringList& arguments, std::stop_token stopToken, ChildConsole /*console*/,
                          const QByteArrayList& settings) {
    if (m_iProcessId > 0 || m_iReadEnd >= 0)
        return false;
    CChildLaunch launch;
    if (!launch.Prepare(arguments, WithSettings(BackgroundChildEnvironment(), settings)) ||
        !WatchStop(std::move(stopToken)))
        return false;
    int pipeEnds[2];
    if (!CChildLaunch::OpenPipe(pipeEnds)) {
        CloseDescriptors();
        return false;
    }
    // Killed at once if this thread ends first. That happens only when the whole process ends: the
    // thread that drives a child waits for it to end (Finish, Kill and the destructor reap it).
    const int processId = launch.Start(pipeEnds[1], SIGKILL);
    // From here on only the child holds the write end, so the pipe ends when the child is done.
    close(pipeEnds[1]);
    if (processId < 0) {
        close(pipeEnds[0]);
        CloseDescriptors();
        return false;
    }
    m_iProcessId = processId;
    m_iReadEnd = pipeEnds[0];
    fcntl(m_iReadEnd, F_SETFL, fcntl(m_iReadEnd, F_GETFL) | O_NONBLOCK);
    // Through syscall: the C library's own wrapper is missing or unusable from C++ on some systems.
    m_iProcessFd = static_cast<int>(syscall(SYS_pidfd_open, processId, 0));
    return true;
}

CChildProcess::ReadStatus CChildProcess::Read(char* buffer, std::size_t capacity, std::size_t& received,
                                              Deadline deadline) {
    received = 0;
    if (m_iReadEnd < 0)
        return ReadStatus::End;
    while (true) {
        // Checked before each read too, so that a child that writes without pause is stopped.
        if (m_StopToken.stop_requested())
            return ReadStatus::Stopped;
        const ssize_t count = read(m_iReadEnd, buffer, capacity);
        if (count > 0) {
            received = static_cast<std::size_t>(count);
            return ReadStatus::Data;
        }
        if (count == 0)
            return ReadStatus::End;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return ReadStatus::End;
        switch (WaitReadable(m_iReadEnd, m_iStopFd, deadline)) {
        case WaitResult::Ready:
            break;
        case WaitResult::Stopped:
            return ReadStatus::Stopped;
        case WaitResult::DeadlinePassed:
            return ReadStatus::DeadlinePassed;
        }
    }
}

void CChildProcess::Finish(Deadline deadline) {
    if (!WaitForExit(deadline))
        Kill();
    CloseDescriptors();
}

void CChildProcess::Kill() {
    if (m_iProcessId <= 0)
        return;
    // The child leads its own session and process group, so this reaches whatever it started too.
    if (kill(-m_iProcessId, SIGKILL) != 0)
        kill(m_iProcessId, SIGKILL);
    Reap(true);
}

void CChildProcess::CStopWaker::operator()() const noexcept {
    const std::uint64_t one = 1;
    // The counter cannot overflow from one request, so this write neither blocks nor fails.
    [[maybe_unused]] const ssize_t written = write(m_iStopFd, &one, sizeof one);
}

bool CChildProcess::WatchStop(std::stop_token stopToken) {
    if (!stopToken.stop_possible())
        return true;
    m_iStopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_iStopFd < 0)
        return false;
    // Registered before the check, so a request that comes in between is still seen.
    m_StopCallback.emplace(stopToken, CStopWaker{m_iStopFd});
    m_StopToken = std::move(stopToken);
    if (!m_StopToken.stop_requested())
        return true;
    CloseDescriptors();
    return false;
}

bool CChildProcess::WaitForExit(Deadline deadline) {
    if (m_iProcessId <= 0 || Reap(false))
        return true;
    // Without a pidfd there is no way to wait with a deadline; the caller then kills the child.
    if (m_iProcessFd < 0 || m_StopToken.stop_requested())
        return false;
    return WaitReadable(m_iProcessFd, m_iStopFd, deadline) == WaitResult::Ready && Reap(false);
}

bool CChildProcess::Reap(bool wait) {
    if (m_iProcessId <= 0)
        return true;
    while (true) {
        int status = 0;
        const pid_t result = waitpid(m_iProcessId, &status, wait ? 0 : WNOHANG);
        if (result == 0)
            return false;
        if (result < 0 && errno == EINTR)
            continue;
        if (result > 0 && WIFEXITED(status))
            m_ExitCode = WEXITSTATUS(status);
        // Reaped, or no longer ours to reap (ECHILD): either way the child is gone.
        m_iProcessId = -1;
        return true;
    }
}

void CChildProcess::CloseDescriptors() {
    m_StopCallback.reset();
    m_StopToken = {};
    for (int* pFd : {&m_iReadEnd, &m_iProcessFd, &m_iStopFd}) {
        if (*pFd >= 0)
            close(*pFd);
        *pFd = -1;
    }
}

} // namespace platform
