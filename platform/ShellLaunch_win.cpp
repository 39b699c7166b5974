#include "platform/ShellLaunch.h"

#include <QDir>
#include <QStandardPaths>
#include <windows.h>

namespace platform {
namespace {

// The path a program registered for its name under "App Paths", for this user or the machine.
QString RegisteredAppPath(const QString& name) {
    const std::wstring key =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name.toStdWString();
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        wchar_t buffer[MAX_PATH * 2] = {};
        DWORD dwSize = sizeof buffer - sizeof(wchar_t);
        if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, buffer,
                         &dwSize) != ERROR_SUCCESS)
            continue;
        QString path = QString::fromWCharArray(buffer);
        // A registered path may be quoted.
        if (path.size() > 1 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
            path = path.mid(1, path.size() - 2);
        if (QFileInfo::exists(path))
            return QDir::fromNativeSeparators(path);
    }
    return {};
}

} // namespace

QString FindShellProgram(const QString& name) {
    const QString program = QStandardPaths::findExecutable(name);
    return program.isEmpty() ? RegisteredAppPath(name) : program;
}

bool StartThroughShell(const QString& program, const QString& parameters, qint64* pProcessId) {
    const std::wstring file = QDir::toNativeSeparators(program).toStdWString();
    const std::wstring commandLine = parameters.toStdWString();
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = L"open";
    execute.lpFile = file.c_str();
    execute.lpParameters = commandLine.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&execute))
        return false;
    *pProcessId = execute.hProcess != nullptr ? GetProcessId(execute.hProcess) : 0;
    if (execute.hProcess != nullptr)
        CloseHandle(execute.hProcess);
    return true;
}

} // namespace platform
