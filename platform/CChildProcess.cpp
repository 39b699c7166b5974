#include "platform/CChildProcess.h"

#include "platform/ChildEnvironment.h"

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

// The pieces a spawn needs, released together whatever happens.
class CSpawnSetup final {
public:
    CSpawnSetup()
        : m_bActions(posix_spawn_file_actions_init(&m_actions) == 0),
          m_bAttributes(posix_spawnattr_init(&m_attributes) == 0) {}
    ~CSpawnSetup() {
        if (m_bActions)
            posix_spawn_file_actions_destroy(&m_actions);
        if (m_bAttributes)
            posix_spawnattr_destroy(&m_attributes);
    }
    CSpawnSetup(const CSpawnSetup&) = delete;
    CSpawnSetup& operator=(const CSpawnSetup&) = delete;

    // Output and error to the pipe, input from /dev/null, every other descriptor closed, default
    // signal handling and an empty signal mask, and a new session.
    bool Prepare(int writeEnd) {
        if (!m_bActions || !m_bAttributes)
            return false;
        sigset_t noSignals;
        sigset_t allSignals;
        sigemptyset(&noSignals);
        sigfillset(&allSignals);
        return posix_spawn_file_actions_adddup2(&m_actions, writeEnd, STDOUT_FILENO) == 0 &&
               posix_spawn_file_actions_adddup2(&m_actions, writeEnd, STDERR_FILENO) == 0 &&
               posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
               posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1) == 0 &&
               posix_spawnattr_setsigmask(&m_attributes, &noSignals) == 0 &&
               posix_spawnattr_setsigdefault(&m_attributes, &allSignals) == 0 &&
               posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                           POSIX_SPAWN_SETSIGDEF) == 0;
    }

    // The error number of posix_spawn, 0 on success.
    int Spawn(pid_t& processId, const QByteArray& program, std::vector<char*>& argv,
              std::vector<char*>& environment) {
        return posix_spawn(&processId, program.constData(), &m_actions, &m_attributes, argv.data(),
                           environment.data());
    }

private:
    posix_spawn_file_actions_t m_actions{};
    posix_spawnattr_t m_attributes{};
    bool m_bActions;
    bool m_bAttributes;
};

// The file that execvp would run for name: name itself when it holds a '/', else the first
// executable file of that name in a folder of PATH.
std::optional<QByteArray> FindProgram(const QByteArray& name) {
    if (name.contains('/'))
        return access(name.constData(), F_OK) == 0 ? std::optional<QByteArray>(name) : std::nullopt;
    const char* path = std::getenv("PATH");
    const QByteArray folders = path ? QByteArray(path) : QByteArrayLiteral("/bin:/usr/bin");
    for (const QByteArray& folder : folders.split(':')) {
        const QByteArray candidate = (folder.isEmpty() ? QByteArrayLiteral(".") : folder) + '/' + name;
        struct stat status {};
        if (stat(candidate.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
            access(candidate.constData(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

} // namespace

CChildProcess::~CChildProcess() {
    Kill();
    CloseDescriptors();
}

bool CChildProcess::Start(const QStringList& arguments, std::stop_token stopToken) {
    if (m_iProcessId > 0 || m_iReadEnd >= 0 || arguments.isEmpty())
        return false;
    std::vector<QByteArray> texts;
    for (const QString& argument : arguments) {
        if (argument.contains(QChar(0)))
            return false;
        texts.push_back(argument.toLocal8Bit());
    }
    // Looked up here rather than by the spawn, so that a name that is not found costs no child.
    std::optional<QByteArray> program = FindProgram(texts.front());
    if (!program && texts.front().endsWith(".exe")) {
        texts.front().chop(4);
        program = FindProgram(texts.front());
    }
    if (!program)
        return false;
    std::vector<char*> argv;
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    QByteArrayList environmentEntries = BackgroundChildEnvironment();
    std::vector<char*> environment;
    for (QByteArray& entry : environmentEntries)
        environment.push_back(entry.data());
    environment.push_back(nullptr);
    if (!WatchStop(std::move(stopToken)))
        return false;

    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        CloseDescriptors();
        return false;
    }
    CSpawnSetup setup;
    pid_t processId = -1;
    const int error =
        setup.Prepare(pipeEnds[1]) ? setup.Spawn(processId, *program, argv, environment) : EINVAL;
    // From here on only the child holds the write end, so the pipe ends when the child is done.
    close(pipeEnds[1]);
    if (error != 0) {
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
        const pid_t result = waitpid(m_iProcessId, nullptr, wait ? 0 : WNOHANG);
        if (result == 0)
            return false;
        if (result < 0 && errno == EINTR)
            continue;
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
