#include "platform/CTerminationSignals.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <mutex>
#include <windows.h>

namespace platform {
namespace {

// The numbers that stand for what asked the program to end, as the C runtime numbers its signals:
// the exit status of a command-line tool is 128 plus the number, as on Linux.
constexpr int kClosedConsole = 1; // the console window closed: as SIGHUP
constexpr int kInterrupt = 2;     // Ctrl+C: SIGINT
constexpr int kSessionEnd = 15;   // log-off or shut-down: SIGTERM
constexpr int kBreak = 21;        // Ctrl+Break: SIGBREAK
// How long a closed console or an ending session may wait for the program to end as Quit does;
// Windows ends it anyway after 5 s.
constexpr int kEndingWaitMs = 4500;

constexpr wchar_t kWindowClass[] = L"CorvaneSessionWatcher";

std::mutex g_Lock;
CTerminationSignals* g_pWatching = nullptr; // under g_Lock
HANDLE g_hEnded = nullptr;                  // set when the watching object goes
HWND g_hWindow = nullptr;

// Hands the request to the object's thread; false when no object watches.
bool Post(int iSignal) {
    const std::lock_guard lock(g_Lock);
    if (g_pWatching == nullptr)
        return false;
    QMetaObject::invokeMethod(
        g_pWatching,
        [iSignal] {
            if (g_pWatching != nullptr)
                emit g_pWatching->Received(iSignal);
        },
        Qt::QueuedConnection);
    return true;
}

// Runs on a thread of its own that the system starts for each console event.
BOOL WINAPI OnConsoleEvent(DWORD dwEvent) {
    switch (dwEvent) {
    case CTRL_C_EVENT:
        return Post(kInterrupt);
    case CTRL_BREAK_EVENT:
        return Post(kBreak);
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The process ends when this returns: the program gets its time to end as Quit does first.
        if (!Post(dwEvent == CTRL_CLOSE_EVENT ? kClosedConsole : kSessionEnd))
            return FALSE;
        WaitForSingleObject(g_hEnded, kEndingWaitMs);
        return TRUE;
    default:
        return FALSE;
    }
}

// A GUI program hears of log-off and shut-down only through its top-level windows; this hidden one is
// there for that. The session may end as soon as WM_ENDSESSION returns, so the program ends as Quit
// does before it returns.
LRESULT CALLBACK SessionWindowProc(HWND hWindow, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    if (uMessage == WM_QUERYENDSESSION)
        return TRUE;
    if (uMessage == WM_ENDSESSION && wParam && g_pWatching != nullptr) {
        emit g_pWatching->Received(kSessionEnd);
        QEventLoop loop;
        QTimer::singleShot(kEndingWaitMs, &loop, &QEventLoop::quit);
        // QCoreApplication::exit, which Quit ends with, ends this loop too.
        loop.exec();
        return 0;
    }
    return DefWindowProcW(hWindow, uMessage, wParam, lParam);
}

HWND CreateSessionWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &SessionWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    // Top-level, never shown: a message-only window would not hear of the session's end.
    return CreateWindowExW(0, kWindowClass, L"Corvane", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

} // namespace

CTerminationSignals::CTerminationSignals(QObject* pParent) : QObject(pParent) {
    {
        const std::lock_guard lock(g_Lock);
        if (g_pWatching != nullptr)
            return;
        g_pWatching = this;
    }
    g_hEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
    g_hWindow = CreateSessionWindow();
    m_bWatching = true;
}

CTerminationSignals::~CTerminationSignals() {
    if (!m_bWatching)
        return;
    SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
    if (g_hWindow != nullptr)
        DestroyWindow(g_hWindow);
    g_hWindow = nullptr;
    {
        const std::lock_guard lock(g_Lock);
        g_pWatching = nullptr;
    }
    SetEvent(g_hEnded);
}

bool CTerminationSignals::IsWatching() const {
    return m_bWatching;
}

int CTerminationSignals::ExitStatusFor(int iSignal) {
    return 128 + iSignal;
}

} // namespace platform
