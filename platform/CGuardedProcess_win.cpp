#include "platform/CGuardedProcess.h"
#include "platform/CJobObject_win.h"
#include "platform/ChildEnvironment.h"

#include <QWinEventNotifier>
#include <utility>

namespace platform {
namespace {

// Runs the repair command to its end, for at most the grace period, on a thread of its own, so that
// neither the user interface nor a program that ends waits for it. Its job ends it with Corvane.
void RunRepair(const QStringList& arguments, std::chrono::milliseconds gracePeriod) {
    std::thread([arguments, gracePeriod] {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        const HANDLE hNul =
            CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        &inheritable, OPEN_EXISTING, 0, nullptr);
        if (hNul == INVALID_HANDLE_VALUE)
            return;
        CJobObject job;
        if (job.Start(arguments, ChildEnvironment(), hNul, hNul, CREATE_NO_WINDOW, SW_HIDE))
            WaitForSingleObject(job.Process(), static_cast<DWORD>(gracePeriod.count()));
        CloseHandle(hNul);
    }).detach();
}

} // namespace

CGuardedProcess::CGuardedProcess(QObject* pParent) : QObject(pParent) {}

// The program is killed, and repaired, when the run is still under way.
CGuardedProcess::~CGuardedProcess() {
    if (!IsRunning())
        return;
    Kill();
    WaitForSingleObject(m_pJob->Process(), INFINITE);
    CloseRun();
    if (!m_repairArguments.isEmpty())
        RunRepair(m_repairArguments, m_GracePeriod);
}

bool CGuardedProcess::IsRunning() const {
    return m_pJob != nullptr;
}

bool CGuardedProcess::Start(const QStringList& arguments, const QStringList& repairArguments,
                            std::chrono::milliseconds gracePeriod) {
    if (IsRunning()) {
        m_strError = QStringLiteral("A run is under way");
        return false;
    }
    HANDLE hReadEnd = nullptr;
    HANDLE hWriteEnd = nullptr;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(&hReadEnd, &hWriteEnd, &inheritable, 0)) {
        m_strError = qt_error_string(static_cast<int>(GetLastError()));
        return false;
    }
    SetHandleInformation(hReadEnd, HANDLE_FLAG_INHERIT, 0);
    const HANDLE hInput = OpenEmptyInput();
    auto job = std::make_unique<CJobObject>();
    // A process group of its own takes Ctrl+Break without Corvane; a console of its own, hidden, is
    // where the break is sent.
    const bool bStarted =
        hInput != INVALID_HANDLE_VALUE && job->Start(arguments, ChildEnvironment(), hInput, hWriteEnd,
                                                     CREATE_NEW_PROCESS_GROUP | CREATE_NEW_CONSOLE, SW_HIDE);
    const DWORD dwError = GetLastError();
    if (hInput != INVALID_HANDLE_VALUE)
        CloseHandle(hInput);
    // From here on only the program holds the write end, so the output ends when it is done.
    CloseHandle(hWriteEnd);
    if (!bStarted) {
        CloseHandle(hReadEnd);
        m_strError = qt_error_string(static_cast<int>(dwError));
        return false;
    }
    m_pJob = std::move(job);
    m_repairArguments = repairArguments;
    m_GracePeriod = gracePeriod;
    m_bKilled = false;
    m_output.clear();
    m_Reader = std::thread([this, hReadEnd] {
        char buffer[4096];
        DWORD dwCount = 0;
        while (ReadFile(hReadEnd, buffer, sizeof buffer, &dwCount, nullptr) && dwCount > 0) {
            {
                const std::lock_guard lock(m_ReadLock);
                m_read.append(buffer, dwCount);
            }
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (TakeOutput())
                        emit ReadyRead();
                },
                Qt::QueuedConnection);
        }
        CloseHandle(hReadEnd);
    });
    m_pEndNotifier = new QWinEventNotifier(m_pJob->Process(), this);
    connect(m_pEndNotifier, &QWinEventNotifier::activated, this, &CGuardedProcess::OnEnded);
    return true;
}

QByteArray CGuardedProcess::ReadAll() {
    TakeOutput();
    return std::exchange(m_output, {});
}

bool CGuardedProcess::Interrupt() {
    if (!IsRunning())
        return false;
    // Ctrl+Break reaches only the processes of one console: this program has none of its own (it is a
    // GUI program), so it joins the program's for the moment of the break, and ignores it itself.
    const bool bOwnConsole = GetConsoleWindow() != nullptr;
    if (bOwnConsole || !AttachConsole(m_pJob->ProcessId()))
        return false;
    SetConsoleCtrlHandler(nullptr, TRUE);
    const bool bSent = GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, m_pJob->ProcessId());
    FreeConsole();
    SetConsoleCtrlHandler(nullptr, FALSE);
    return bSent;
}

void CGuardedProcess::Kill() {
    if (!IsRunning())
        return;
    m_bKilled = true;
    m_pJob->Terminate();
}

bool CGuardedProcess::WaitForFinished(std::chrono::milliseconds timeout) {
    if (!IsRunning())
        return true;
    if (WaitForSingleObject(m_pJob->Process(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return false;
    OnEnded();
    return true;
}

void CGuardedProcess::OnEnded() {
    if (!IsRunning())
        return;
    DWORD dwExitCode = 0;
    GetExitCodeProcess(m_pJob->Process(), &dwExitCode);
    const bool bKilled = m_bKilled;
    // Ending the job ends whatever the program left running, which closes the output for the reader.
    m_pJob->Terminate();
    CloseRun();
    if (TakeOutput())
        emit ReadyRead();
    if (bKilled && !m_repairArguments.isEmpty())
        RunRepair(m_repairArguments, m_GracePeriod);
    if (bKilled)
        emit Finished(-1, true);
    else
        emit Finished(static_cast<int>(dwExitCode), false);
}

bool CGuardedProcess::TakeOutput() {
    const std::lock_guard lock(m_ReadLock);
    if (m_read.isEmpty())
        return false;
    m_output.append(std::exchange(m_read, {}));
    return true;
}

void CGuardedProcess::CloseRun() {
    if (m_pEndNotifier != nullptr) {
        m_pEndNotifier->setEnabled(false);
        // Later, since this may run in the notifier's own signal.
        m_pEndNotifier->deleteLater();
        m_pEndNotifier = nullptr;
    }
    m_pJob.reset();
    if (m_Reader.joinable())
        m_Reader.join();
}

} // namespace platform
