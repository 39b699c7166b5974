// balloon-click PROGRAM.EXE: posts to PROGRAM.EXE's tray icon what Windows' shell posts when the user
// clicks the icon's balloon. Wine draws the balloon but never tells the program of a click on it, so
// the scenarios under Wine "click" it through this helper. Qt's tray icon listens on a top-level
// window named "QTrayIconMessageWindow" for its callback message WM_APP + 101, and under
// NOTIFYICON_VERSION_4 the low word of lParam carries the event and the high word the icon's id (0).
// Exit status 0 once posted, 1 while the program has no such window, 2 on a wrong call.
#include <cstdio>
#include <cwchar>
#include <string>
// shellapi.h needs windows.h before it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

namespace {

constexpr UINT kTrayCallbackMessage = WM_APP + 101;

struct Search {
    const wchar_t* m_pszProgram;
    HWND m_hFound = nullptr;
};

// The file name of the process that owns the window, or "" when it cannot be read.
std::wstring ProgramOf(HWND hWnd) {
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    const HANDLE hProcess = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, dwProcessId);
    if (hProcess == nullptr)
        return {};
    wchar_t szPath[MAX_PATH * 4];
    DWORD dwLength = sizeof szPath / sizeof szPath[0];
    const bool bRead = QueryFullProcessImageNameW(hProcess, 0, szPath, &dwLength);
    CloseHandle(hProcess);
    if (!bRead)
        return {};
    const std::wstring strPath(szPath, dwLength);
    return strPath.substr(strPath.find_last_of(L"\\/") + 1);
}

BOOL CALLBACK Visit(HWND hWnd, LPARAM lParam) {
    auto& search = *reinterpret_cast<Search*>(lParam);
    wchar_t szTitle[64];
    if (GetWindowTextW(hWnd, szTitle, 64) == 0 || std::wcscmp(szTitle, L"QTrayIconMessageWindow") != 0)
        return TRUE;
    if (_wcsicmp(ProgramOf(hWnd).c_str(), search.m_pszProgram) != 0)
        return TRUE;
    search.m_hFound = hWnd;
    return FALSE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputws(L"usage: balloon-click PROGRAM.EXE\n", stderr);
        return 2;
    }
    Search search{argv[1]};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.m_hFound == nullptr)
        return 1;
    return PostMessageW(search.m_hFound, kTrayCallbackMessage, 0, MAKELPARAM(NIN_BALLOONUSERCLICK, 0)) ? 0
                                                                                                       : 1;
}
