#include "platform/CChildLaunch.h"

#include <QString>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// What a child that could not run its program exits with, as a shell does.
constexpr int kCannotRun = 127;

// What the child needs between its start and its program, all made before it starts.
struct CChildSetup {
    const char* m_pProgram;
    char* const* m_pArgv;
    char* const* m_pEnvironment;
    int m_iOutputFd;
    int m_iParentDeathSignal;
    pid_t m_iParent;
    int m_iErrorFd; // close-on-exec: the program's start closes it, a failure is written to it
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

// Descriptors first to last, both included; nothing when first is past last.
void CloseRange(unsigned first, unsigned last) {
    if (first > last || close_range(first, last, 0) == 0)
        return;
    // Kernels before 5.9 have no close_range: one by one, up to the highest one there can be.
    rlimit limit{};
    const rlim_t count = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    for (unsigned fd = first; fd <= last && fd < count; ++fd)
        close(static_cast<int>(fd));
}

bool OpenNullInput() {
    const int fd = open("/dev/null", O_RDONLY);
    if (fd < 0)
        return false;
    if (fd == STDIN_FILENO)
        return true;
    const bool moved = dup2(fd, STDIN_FILENO) == STDIN_FILENO;
    close(fd);
    return moved;
}

// Runs in the child, which shares its parent's memory until the program starts (vfork): only
// async-signal-safe calls, and nothing of the parent's written but errno, which the parent reads
// only when there is no child.
[[noreturn]] void RunChild(const CChildSetup& setup) {
    // The parent is looked at only after the signal was asked for, so that a parent that ends in
    // between is noticed either way.
    if (prctl(PR_SET_PDEATHSIG, setup.m_iParentDeathSignal) != 0 || getppid() != setup.m_iParent)
        _exit(kCannotRun);
    CChildLaunch::ResetSignalActions();
    int error = 0;
    if (setsid() < 0 || dup2(setup.m_iOutputFd, STDOUT_FILENO) < 0 ||
        dup2(setup.m_iOutputFd, STDERR_FILENO) < 0 || !OpenNullInput()) {
        error = errno;
    } else {
        CChildLaunch::CloseOtherDescriptors(setup.m_iErrorFd, -1);
        sigset_t noSignals;
        sigemptyset(&noSignals);
        sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        execve(setup.m_pProgram, setup.m_pArgv, setup.m_pEnvironment);
        error = errno;
    }
    [[maybe_unused]] const ssize_t written = write(setup.m_iErrorFd, &error, sizeof error);
    _exit(kCannotRun);
}

// The error number that the child wrote before it gave up; 0 once its program runs.
int ChildError(int errorFd) {
    int error = 0;
    ssize_t count = 0;
    do {
        count = read(errorFd, &error, sizeof error);
    } while (count < 0 && errno == EINTR);
    return count == static_cast<ssize_t>(sizeof error) ? error : 0;
}

void Reap(pid_t child) {
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

bool CChildLaunch::Prepare(const QStringList& arguments, QByteArrayList environment) {
    m_arguments.clear();
    m_argv.clear();
    m_envp.clear();
    for (const QString& argument : arguments) {
        if (argument.contains(QChar(0))) {
            errno = EINVAL;
            return false;
        }
        m_arguments.push_back(argument.toLocal8Bit());
    }
    if (m_arguments.empty()) {
        errno = EINVAL;
        return false;
    }
    // Looked up here rather than by the start, so that a name that is not found costs no child.
    std::optional<QByteArray> program = FindProgram(m_arguments.front());
    if (!program && m_arguments.front().endsWith(".exe")) {
        m_arguments.front().chop(4);
        program = FindProgram(m_arguments.front());
    }
    if (!program) {
        errno = ENOENT;
        return false;
    }
    m_program = *program;
    m_environment = std::move(environment);
    for (QByteArray& argument : m_arguments)
        m_argv.push_back(argument.data());
    m_argv.push_back(nullptr);
    for (QByteArray& entry : m_environment)
        m_envp.push_back(entry.data());
    m_envp.push_back(nullptr);
    return true;
}

int CChildLaunch::Start(int iOutputFd, int iParentDeathSignal) const {
    if (m_argv.empty()) {
        errno = EINVAL;
        return -1;
    }
    int errorPipe[2];
    if (!OpenPipe(errorPipe))
        return -1;
    const CChildSetup setup{m_program.constData(), m_argv.data(), m_envp.data(), iOutputFd,
                            iParentDeathSignal,    getpid(),      errorPipe[1]};
    sigset_t allSignals;
    sigset_t previous;
    sigfillset(&allSignals);
    // Blocked until the child has set every action back to the default: none of this process's
    // handlers may run in the child, which shares this process's memory until its program starts.
    pthread_sigmask(SIG_SETMASK, &allSignals, &previous);
    // vfork rather than posix_spawn, which cannot ask for the parent-death signal; as cheap, since
    // nothing is copied: this thread waits until the child runs its program or gives up.
    const pid_t child = vfork();
    if (child == 0)
        RunChild(setup);
    const int startError = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(errorPipe[1]);
    const int error = child < 0 ? startError : ChildError(errorPipe[0]);
    close(errorPipe[0]);
    if (error == 0)
        return child;
    if (child > 0)
        Reap(child);
    errno = error;
    return -1;
}

bool CChildLaunch::OpenPipe(int (&ends)[2]) {
    if (pipe2(ends, O_CLOEXEC) != 0)
        return false;
    for (int& end : ends) {
        // Only when this process was started with a standard descriptor closed.
        if (end <= STDERR_FILENO) {
            const int moved = fcntl(end, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            close(end);
            end = moved;
        }
    }
    if (ends[0] >= 0 && ends[1] >= 0)
        return true;
    for (const int end : ends) {
        if (end >= 0)
            close(end);
    }
    return false;
}

void CChildLaunch::CloseOtherDescriptors(int iKept, int iAlsoKept) {
    unsigned first = STDERR_FILENO + 1;
    const int low = iKept < iAlsoKept ? iKept : iAlsoKept;
    const int high = iKept < iAlsoKept ? iAlsoKept : iKept;
    for (const int kept : {low, high}) {
        if (kept < static_cast<int>(first))
            continue;
        CloseRange(first, static_cast<unsigned>(kept) - 1);
        first = static_cast<unsigned>(kept) + 1;
    }
    CloseRange(first, UINT_MAX);
}

void CChildLaunch::ResetSignalActions() {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    // SIGKILL, SIGSTOP and the C library's own signals refuse the change, which is harmless.
    for (int signal = 1; signal < NSIG; ++signal)
        sigaction(signal, &defaultAction, nullptr);
}

} // namespace platform
