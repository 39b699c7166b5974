#include "platform/FileSystemAccess.h"
#include "platform/SystemInfo.h"

#include <QDir>
#include <QRandomGenerator>
#include <aclapi.h>
#include <memory>
#include <windows.h>

// After windows.h, which they need.
#include <knownfolders.h>
#include <shlobj.h>

namespace platform {
namespace {

// The security identifier of the user this process runs as; nothing when it cannot be read.
std::unique_ptr<char[]> CurrentUserSid() {
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return nullptr;
    DWORD dwSize = 0;
    GetTokenInformation(hToken, TokenUser, nullptr, 0, &dwSize);
    auto buffer = std::make_unique<char[]>(dwSize);
    const bool bRead = dwSize > 0 && GetTokenInformation(hToken, TokenUser, buffer.get(), dwSize, &dwSize);
    CloseHandle(hToken);
    return bRead ? std::move(buffer) : nullptr;
}

// Whether the folder's owner is the user this process runs as. A folder under Program Files belongs
// to the system or to the administrators, even when an administrator may write there.
bool IsOwnedByUser(const std::wstring& folder) {
    PSID pOwner = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &pOwner, nullptr,
                              nullptr, nullptr, &pDescriptor) != ERROR_SUCCESS)
        return false;
    const std::unique_ptr<char[]> user = CurrentUserSid();
    const bool bOwned =
        user != nullptr && EqualSid(pOwner, reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid);
    LocalFree(pDescriptor);
    return bOwned;
}

// Whether the user may create files in the folder: a file of a name no one can guess is made there
// and goes again when it is closed. Access rules on Windows are too many to be worked out otherwise.
bool CanCreateFiles(const std::wstring& folder) {
    const std::wstring probe =
        folder + L"\\.corvane-" + std::to_wstring(QRandomGenerator::system()->generate64()) + L".tmp";
    const HANDLE hFile = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(hFile);
    return true;
}

// The folder where programs are installed for this user alone, as the per-user installer does
// (%LOCALAPPDATA%\Programs). Older Windows and Wine do not know its id; the default then stands.
QString UserProgramsFolder() {
    PWSTR pPath = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_UserProgramFiles, 0, nullptr, &pPath)))
        folder = QString::fromWCharArray(pPath);
    CoTaskMemFree(pPath);
    if (folder.isEmpty() && !qEnvironmentVariableIsEmpty("LOCALAPPDATA"))
        folder = qEnvironmentVariable("LOCALAPPDATA") + QStringLiteral("\\Programs");
    return QDir::cleanPath(QDir::fromNativeSeparators(folder));
}

// An installed copy is the user's own and writable, yet not a portable one: an upgrade or an
// uninstall would replace or remove a watch list kept beside it.
bool IsInstalledForUser(const QString& programFolder) {
    const QString programs = UserProgramsFolder();
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(programFolder));
    return !programs.isEmpty() && folder.startsWith(programs + QLatin1Char('/'), Qt::CaseInsensitive);
}

} // namespace

bool IsPrivateWritableFolder(const QString& folder) {
    if (folder.isEmpty() || folder.contains(QChar(0)))
        return false;
    const std::wstring native = QDir::toNativeSeparators(folder).toStdWString();
    const DWORD dwAttributes = GetFileAttributesW(native.c_str());
    // A junction or a link could lead anywhere: the files would not lie where they seem to.
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return IsOwnedByUser(native) && CanCreateFiles(native);
}

QString UserFilesFolder(const QString& programFolder) {
    return !IsInstalledForUser(programFolder) && IsPrivateWritableFolder(programFolder) ? programFolder
                                                                                        : UserConfigFolder();
}

} // namespace platform
