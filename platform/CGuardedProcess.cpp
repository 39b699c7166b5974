#include "platform/CGuardedProcess.h"

#include "platform/CChildLaunch.h"
#include "platform/ChildEnvironment.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// What the guard gets when this process ends; it is also what a hang-up of the guard means.
constexpr int kParentGone = SIGHUP;
constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
// A deadline that never comes.
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

// What the guard tells this process once the program has ended and, after a kill, been repaired.
struct CGuardReport {
    int m_iStartError; // the errno of a program that could not be executed, else 0
    int m_iWaitStatus; // the program's status as waitpid gave it
};

// What the guard needs, made before it is forked off.
struct CGuardPlan {
    const CChildLaunch& m_Program;
    const CChildLaunch* m_pRepair;
    int m_iOutputFd; // the write end of the program's output
    int m_iReportFd; // the write end for the report
    pid_t m_iParent;
    std::int64_t m_iGraceNanoseconds;
};

std::int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * kNanosecondsPerSecond + now.tv_nsec;
}

// The next of the guard's signals, which are blocked and only waited for; 0 once the deadline has
// passed.
int NextSignal(const sigset_t& waited, std::int64_t deadline) {
    while (true) {
        int signal = 0;
        if (deadline == kNever) {
            signal = sigwaitinfo(&waited, nullptr);
        } else {
            const std::int64_t left = deadline - NowNanoseconds();
            if (left <= 0)
                return 0;
            const timespec timeout{static_cast<time_t>(left / kNanosecondsPerSecond),
                                   static_cast<long>(left % kNanosecondsPerSecond)};
            signal = sigtimedwait(&waited, nullptr, &timeout);
        }
        if (signal > 0)
            return signal;
        if (errno == EAGAIN)
            return 0;
    }
}

// The child's wait status once it has ended and been reaped.
std::optional<int> Reaped(pid_t child) {
    int status = 0;
    pid_t result = 0;
    do {
        result = waitpid(child, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    return result == child ? std::optional<int>(status) : std::nullopt;
}

// Runs the repair to its end, killed when it has not ended within the grace period.
void Repair(const CChildLaunch& repair, const sigset_t& waited, std::int64_t graceNanoseconds) {
    // The guard's own output is /dev/null: nobody reads the repair's.
    const pid_t child = repair.Start(STDOUT_FILENO, SIGKILL);
    if (child < 0)
        return;
    std::int64_t deadline = NowNanoseconds() + graceNanoseconds;
    while (true) {
        const int signal = NextSignal(waited, deadline);
        if (signal == 0) {
            kill(-child, SIGKILL);
            deadline = kNever;
        } else if (signal == SIGCHLD && Reaped(child)) {
            return;
        }
    }
}

// Waits for the program's end, passing interrupts and kills on to its group; the program's status.
int Supervise(pid_t program, const CGuardPlan& plan, const sigset_t& waited) {
    std::int64_t killAt = kNever;
    while (true) {
        switch (NextSignal(waited, killAt)) {
        case 0:
            kill(-program, SIGKILL);
            killAt = kNever;
            break;
        case SIGINT:
            kill(-program, SIGINT);
            break;
        case SIGTERM:
            kill(-program, SIGKILL);
            break;
        case kParentGone:
            if (killAt == kNever) {
                kill(-program, SIGINT);
                killAt = NowNanoseconds() + plan.m_iGraceNanoseconds;
            }
            break;
        case SIGCHLD:
            if (const std::optional<int> status = Reaped(program)) {
                // Killed, svn leaves its working copy locked until a cleanup.
                if (WIFSIGNALED(*status) && WTERMSIG(*status) == SIGKILL && plan.m_pRepair)
                    Repair(*plan.m_pRepair, waited, plan.m_iGraceNanoseconds);
                return *status;
            }
            break;
        }
    }
}

// The guard, forked off a process that may have other threads: only async-signal-safe calls.
[[noreturn]] void RunGuard(const CGuardPlan& plan) {
    // The parent is looked at only after the signal was asked for, so that a parent that ends in
    // between is noticed either way; a guard whose parent is gone has nothing to start.
    if (prctl(PR_SET_PDEATHSIG, kParentGone) != 0 || getppid() != plan.m_iParent)
        _exit(1);
    // Nothing of this process's is kept but the two pipes: the display's connection or the lock that
    // keeps one tray program must go with this process, not stay with its guard.
    const int null = open("/dev/null", O_RDWR);
    for (const int standard : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (null >= 0 && null != standard)
            dup2(null, standard);
    }
    CChildLaunch::CloseOtherDescriptors(plan.m_iOutputFd, plan.m_iReportFd);
    CChildLaunch::ResetSignalActions();
    // A report that nobody reads any more fails quietly.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
    sigset_t waited;
    sigemptyset(&waited);
    for (const int signal : {SIGCHLD, SIGINT, SIGTERM, kParentGone})
        sigaddset(&waited, signal);
    sigprocmask(SIG_SETMASK, &waited, nullptr);

    CGuardReport report{};
    const pid_t program = plan.m_Program.Start(plan.m_iOutputFd, SIGKILL);
    const int startError = errno;
    close(plan.m_iOutputFd);
    if (program < 0)
        report.m_iStartError = startError;
    else
        report.m_iWaitStatus = Supervise(program, plan, waited);
    [[maybe_unused]] const ssize_t written = write(plan.m_iReportFd, &report, sizeof report);
    _exit(0);
}

} // namespace

CGuardedProcess::CGuardedProcess(QObject* pParent) : QObject(pParent) {}

CGuardedProcess::~CGuardedProcess() {
    Kill();
    CloseRun();
}

bool CGuardedProcess::Start(const QStringList& arguments, const QStringList& repairArguments,
                            std::chrono::milliseconds gracePeriod) {
    if (IsRunning())
        return false;
    CChildLaunch program;
    if (!program.Prepare(arguments, ChildEnvironment())) {
        m_strError = qt_error_string(errno);
        return false;
    }
    CChildLaunch repair;
    const bool bRepair = !repairArguments.isEmpty() && repair.Prepare(repairArguments, ChildEnvironment());
    int output[2];
    int report[2];
    if (!CChildLaunch::OpenPipe(output)) {
        m_strError = qt_error_string(errno);
        return false;
    }
    if (!CChildLaunch::OpenPipe(report)) {
        m_strError = qt_error_string(errno);
        close(output[0]);
        close(output[1]);
        return false;
    }
    const CGuardPlan plan{program,   bRepair ? &repair : nullptr,
                          output[1], report[1],
                          getpid(),  std::chrono::nanoseconds(gracePeriod).count()};
    sigset_t allSignals;
    sigset_t previous;
    sigfillset(&allSignals);
    // Blocked until the guard has its own actions: a handler of this process that ran in the guard
    // would write to this process's descriptors.
    pthread_sigmask(SIG_SETMASK, &allSignals, &previous);
    const pid_t guard = fork();
    if (guard == 0)
        RunGuard(plan);
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(output[1]);
    close(report[1]);
    if (guard < 0) {
        m_strError = qt_error_string(forkError);
        close(output[0]);
        close(report[0]);
        return false;
    }
    m_iGuardId = guard;
    m_iOutputFd = output[0];
    m_iReportFd = report[0];
    fcntl(m_iOutputFd, F_SETFL, fcntl(m_iOutputFd, F_GETFL) | O_NONBLOCK);
    m_output.clear();
    m_pOutputNotifier = new QSocketNotifier(m_iOutputFd, QSocketNotifier::Read, this);
    connect(m_pOutputNotifier, &QSocketNotifier::activated, this, &CGuardedProcess::OnOutput);
    m_pReportNotifier = new QSocketNotifier(m_iReportFd, QSocketNotifier::Read, this);
    connect(m_pReportNotifier, &QSocketNotifier::activated, this, &CGuardedProcess::OnReport);
    return true;
}

bool CGuardedProcess::IsRunning() const {
    return m_iGuardId > 0;
}

QByteArray CGuardedProcess::ReadAll() {
    return std::exchange(m_output, {});
}

bool CGuardedProcess::Interrupt() {
    return IsRunning() && kill(m_iGuardId, SIGINT) == 0;
}

void CGuardedProcess::Kill() {
    if (IsRunning())
        kill(m_iGuardId, SIGTERM);
}

bool CGuardedProcess::WaitForFinished(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (IsRunning()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds::zero())
            return false;
        // An output that has ended is no longer polled: it would be readable for good.
        const bool bOutputOpen = m_pOutputNotifier->isEnabled();
        pollfd entries[] = {{m_iReportFd, POLLIN, 0}, {bOutputOpen ? m_iOutputFd : -1, POLLIN, 0}};
        if (poll(entries, 2, static_cast<int>(std::min<std::int64_t>(left.count(), 60000))) < 0 &&
            errno != EINTR)
            return false;
        if (entries[1].revents != 0)
            OnOutput();
        if (entries[0].revents != 0)
            OnReport();
    }
    return true;
}

void CGuardedProcess::OnOutput() {
    if (ReadOutput())
        emit ReadyRead();
}

void CGuardedProcess::OnReport() {
    CGuardReport report{};
    ssize_t count = 0;
    do {
        count = read(m_iReportFd, &report, sizeof report);
    } while (count < 0 && errno == EINTR);
    // The guard ends right after its report, or has ended when there is none.
    while (waitpid(m_iGuardId, nullptr, 0) < 0 && errno == EINTR) {
    }
    const bool bOutput = ReadOutput();
    CloseRun();
    if (bOutput)
        emit ReadyRead();
    const bool bReported = count == static_cast<ssize_t>(sizeof report);
    if (bReported && report.m_iStartError != 0)
        emit FailedToStart(qt_error_string(report.m_iStartError));
    else if (bReported && WIFEXITED(report.m_iWaitStatus))
        emit Finished(WEXITSTATUS(report.m_iWaitStatus), false);
    else
        emit Finished(-1, true);
}

bool CGuardedProcess::ReadOutput() {
    if (m_iOutputFd < 0 || !m_pOutputNotifier->isEnabled())
        return false;
    const qsizetype before = m_output.size();
    char buffer[4096];
    while (true) {
        const ssize_t count = read(m_iOutputFd, buffer, sizeof buffer);
        if (count > 0) {
            m_output.append(buffer, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        // The end of the output, or an error: nothing more will come.
        if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            m_pOutputNotifier->setEnabled(false);
        break;
    }
    return m_output.size() > before;
}

void CGuardedProcess::CloseRun() {
    // Later, since this may run in a notifier's own signal.
    for (QSocketNotifier** ppNotifier : {&m_pOutputNotifier, &m_pReportNotifier}) {
        if (*ppNotifier != nullptr) {
            (*ppNotifier)->setEnabled(false);
            (*ppNotifier)->deleteLater();
        }
        *ppNotifier = nullptr;
    }
    for (int* pFd : {&m_iOutputFd, &m_iReportFd}) {
        if (*pFd >= 0)
            close(*pFd);
        *pFd = -1;
    }
    m_iGuardId = -1;
}

} // namespace platform
