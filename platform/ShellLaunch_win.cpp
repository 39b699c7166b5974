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

bool StartThroughShell(const QString& program, const QString& parameters) {
    const std::wstring file = QDir::toNativeSeparators(program).toStdWString();
    const std::wstring commandLine = parameters.toStdWString();
    // Values above 32 mean success.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", file.c_str(), commandLine.c_str(), nullptr, SW_SHOWNORMAL));
    return result > 32;
}

} // namespace platform
