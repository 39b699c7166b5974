#include "platform/CInstanceLock.h"

#include <QDir>
#include <shlobj.h>
#include <windows.h>

namespace platform {

CInstanceLock::~CInstanceLock() {
    if (m_iFd >= 0)
        CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(m_iFd)));
}

bool CInstanceLock::TryLock(const QString& fileName) {
    if (m_iFd >= 0)
        return false;
    // Opened without sharing: every other open of the file fails until this handle closes, which the
    // system does when the process ends however it ends.
    const HANDLE hFile =
        CreateFileW(QDir::toNativeSeparators(fileName).toStdWString().c_str(), GENERIC_READ | GENERIC_WRITE,
                    0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    // Kernel handles are small multiples of four, so they fit the int that holds them.
    m_iFd = static_cast<int>(reinterpret_cast<intptr_t>(hFile));
    return true;
}

QString UserRuntimeFolder() {
    PWSTR path = nullptr;
    QString base;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &path)))
        base = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    if (base.isEmpty())
        return {};
    // One tray program per session: a user may be logged in on the console and remotely at once.
    DWORD dwSession = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &dwSession);
    const QString folder = base + QStringLiteral("/Corvane/session-") + QString::number(dwSession);
    return QDir().mkpath(folder) ? folder : QString();
}

} // namespace platform
