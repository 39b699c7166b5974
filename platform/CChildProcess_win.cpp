#include "platform/CChildProcess.h"
#include "platform/CJobObject_win.h"
#include "platform/ChildEnvironment.h"

#include <QString>
#include <algorithm>
#include <atomic>
#include <utility>

// A stop that comes while a child ends waits for its stop callback; see cmake/Windows.cmake.
#if !_GLIBCXX_USE_POSIX_SEMAPHORE
#error "the Windows build needs _GLIBCXX_USE_POSIX_SEMAPHORE=1"
#endif

namespace platform {
namespace {

// Milliseconds from now until the deadline, rounded up so a wait never ends early; 0 once passed.
DWORD MillisecondsUntil(CChildProcess::Deadline deadline) {
    const auto remaining = deadline - std::chrono::steady_clock::now();
    if (remaining <= std::chrono::steady_clock::duration::zero())
        return 0;
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
    return static_cast<DWORD>(std::min<decltype(milliseconds)>(milliseconds, INFINITE - 1));
}

// A pipe whose read end takes overlapped reads, so that a read can wait together with a stop event
// and a deadline (an anonymous pipe cannot); its write end is inheritable, the read end is not.
bool OpenPipe(HANDLE& hReadEnd, HANDLE& hWriteEnd) {
    static std::atomic<unsigned> s_uCount{0};
    const std::wstring name = L"\\\\.\\pipe\\corvane-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(s_uCount++) + L"-" + std::to_wstring(GetTickCount64());
    hReadEnd = CreateNamedPipeW(name.c_str(),
                                PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                1, 0, 65536, 0, nullptr);
    if (hReadEnd == INVALID_HANDLE_VALUE)
        return false;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    hWriteEnd = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hWriteEnd == INVALID_HANDLE_VALUE) {
        CloseHandle(hReadEnd);
        return false;
    }
    return true;
}

} // namespace

CChildProcess::CChildProcess() = default;

CChildProcess::~CChildProcess() {
    Kill();
    CloseHandles();
}

bool CChildProcess::Start(const QStringList& arguments, std::stop_token stopToken, ChildConsole console,
                          const QByteArrayList& settings) {
    if (m_pJob != nullptr || !WatchStop(std::move(stopToken)))
        return false;
    HANDLE hWriteEnd = nullptr;
    HANDLE hReadEnd = nullptr;
    const HANDLE hInput = OpenEmptyInput();
    m_hReadDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (hInput == INVALID_HANDLE_VALUE || m_hReadDone == nullptr || !OpenPipe(hReadEnd, hWriteEnd)) {
        if (hInput != INVALID_HANDLE_VALUE)
            CloseHandle(hInput);
        CloseHandles();
        return false;
    }
    auto job = std::make_unique<CJobObject>();
    // No console window: svn is a console program, which would otherwise get one of its own. A child
    // that is to ask on its output gets no console at all: svn asks on its console whenever it has one.
    const DWORD dwConsole = console == ChildConsole::None ? DETACHED_PROCESS : CREATE_NO_WINDOW;
    const bool bStarted = job->Start(arguments, WithSettings(BackgroundChildEnvironment(), settings), hInput,
                                     hWriteEnd, dwConsole, SW_HIDE);
    // From here on only the child holds the write end, so the pipe ends when the child is done.
    CloseHandle(hWriteEnd);
    CloseHandle(hInput);
    if (!bStarted) {
        CloseHandle(hReadEnd);
        CloseHandles();
        return false;
    }
    m_pJob = std::move(job);
    m_hReadEnd = hReadEnd;
    return true;
}

CChildProcess::ReadStatus CChildProcess::Read(char* buffer, std::size_t capacity, std::size_t& received,
                                              Deadline deadline) {
    received = 0;
    if (m_hReadEnd == nullptr)
        return ReadStatus::End;
    // Checked before each read too, so that a child that writes without pause is stopped.
    if (m_StopToken.stop_requested())
        return ReadStatus::Stopped;
    OVERLAPPED overlapped{};
    overlapped.hEvent = m_hReadDone;
    ResetEvent(m_hReadDone);
    const DWORD dwCapacity = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
    DWORD dwCount = 0;
    if (!ReadFile(m_hReadEnd, buffer, dwCapacity, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING)
        return ReadStatus::End;
    HANDLE waits[] = {m_hReadDone, m_hStopEvent};
    const DWORD dwWaited =
        WaitForMultipleObjects(m_hStopEvent != nullptr ? 2 : 1, waits, FALSE, MillisecondsUntil(deadline));
    if (dwWaited != WAIT_OBJECT_0)
        CancelIoEx(m_hReadEnd, &overlapped);
    // Waits for the cancel too: the buffer must not be written once this returns.
    if (GetOverlappedResult(m_hReadEnd, &overlapped, &dwCount, TRUE) && dwCount > 0) {
        received = dwCount;
        return ReadStatus::Data;
    }
    if (dwWaited == WAIT_OBJECT_0 + 1)
        return ReadStatus::Stopped;
    if (dwWaited == WAIT_TIMEOUT)
        return ReadStatus::DeadlinePassed;
    // A broken pipe: every holder of the write end is gone.
    return ReadStatus::End;
}

void CChildProcess::Finish(Deadline deadline) {
    if (m_pJob != nullptr && !m_StopToken.stop_requested()) {
        HANDLE waits[] = {m_pJob->Process(), m_hStopEvent};
        DWORD dwExitCode = 0;
        if (WaitForMultipleObjects(m_hStopEvent != nullptr ? 2 : 1, waits, FALSE,
                                   MillisecondsUntil(deadline)) != WAIT_OBJECT_0)
            Kill();
        else if (GetExitCodeProcess(m_pJob->Process(), &dwExitCode))
            m_ExitCode = static_cast<int>(dwExitCode);
    } else {
        Kill();
    }
    // Whatever the child started and left running ends with the job.
    m_pJob.reset();
    CloseHandles();
}

void CChildProcess::Kill() {
    if (m_pJob == nullptr)
        return;
    m_pJob->Terminate();
    WaitForSingleObject(m_pJob->Process(), INFINITE);
}

void CChildProcess::CStopWaker::operator()() const noexcept {
    SetEvent(m_hStopEvent);
}

bool CChildProcess::WatchStop(std::stop_token stopToken) {
    if (!stopToken.stop_possible())
        return true;
    m_hStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_hStopEvent == nullptr)
        return false;
    // Registered before the check, so a request that comes in between is still seen.
    m_StopCallback.emplace(stopToken, CStopWaker{m_hStopEvent});
    m_StopToken = std::move(stopToken);
    if (!m_StopToken.stop_requested())
        return true;
    CloseHandles();
    return false;
}

void CChildProcess::CloseHandles() {
    m_StopCallback.reset();
    m_StopToken = {};
    for (void** pHandle : {&m_hReadEnd, &m_hReadDone, &m_hStopEvent}) {
        if (*pHandle != nullptr)
            CloseHandle(*pHandle);
        *pHandle = nullptr;
    }
}

} // namespace platform
