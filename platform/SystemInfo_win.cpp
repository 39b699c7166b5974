#include "platform/SystemInfo.h"

#include <QDir>
#include <lmcons.h>
#include <shlobj.h>
#include <windows.h>

namespace platform {
namespace {

constexpr int kComputerNameLength = 15;

// A folder the shell knows for this user (the roaming or the local application data), with '/'
// separators as Qt writes paths; empty when the shell cannot tell.
QString KnownFolder(REFKNOWNFOLDERID folderId) {
    PWSTR path = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(folderId, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return folder;
}

} // namespace

QString ProgramFolder() {
    // Paths may be longer than MAX_PATH; the buffer grows until the whole path fits.
    std::wstring buffer(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            const QString executable =
                QDir::fromNativeSeparators(QString::fromWCharArray(buffer.data(), length));
            return executable.left(executable.lastIndexOf(QLatin1Char('/')));
        }
        buffer.resize(buffer.size() * 2);
    }
}

QString ComputerName() {
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(buffer, &length))
        return {};
    return QString::fromWCharArray(buffer, static_cast<qsizetype>(length)).left(kComputerNameLength);
}

QString LocalTimeText(const char* format, std::time_t when) {
    std::tm local{};
    if (localtime_s(&local, &when) != 0)
        return {};
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
    if (length == 0)
        return {};
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(length));
}

QString LocalTimeText(const char* format) {
    return LocalTimeText(format, std::time(nullptr));
}

QString LoginName() {
    wchar_t buffer[UNLEN + 1] = {};
    DWORD length = UNLEN + 1;
    if (!GetUserNameW(buffer, &length) || length == 0)
        return {};
    // The count includes the terminating null.
    return QString::fromWCharArray(buffer, static_cast<qsizetype>(length) - 1);
}

QString SvnConfigFolder() {
    return KnownFolder(FOLDERID_RoamingAppData) + QStringLiteral("/Subversion");
}

QString UserConfigFolder() {
    return KnownFolder(FOLDERID_RoamingAppData) + QStringLiteral("/Corvane");
}

QString DebugCopyPath() {
    const QString folder = KnownFolder(FOLDERID_LocalAppData) + QStringLiteral("/Corvane");
    // The local application data are the user's own; nothing there is shared with other users.
    QDir().mkpath(folder);
    return folder + QStringLiteral("/debug.xml");
}

} // namespace platform
