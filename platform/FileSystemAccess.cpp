#include "platform/FileSystemAccess.h"

#include "platform/CDescriptor.h"
#include "platform/SystemInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool IsPrivateFolder(int folderDescriptor) {
    struct stat status {};
    return fstat(folderDescriptor, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool IsPrivateWritableFolder(const QString& folder) {
    if (folder.isEmpty() || folder.contains(QChar(0)))
        return false;
    // Anyone else who may write there could plant a link that makes us overwrite a file of the user's.
    const CDescriptor descriptor(
        open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // Search permission is needed too, or no file in the folder can be reached.
    return descriptor.Get() >= 0 && IsPrivateFolder(descriptor.Get()) &&
           faccessat(descriptor.Get(), ".", W_OK | X_OK, AT_EACCESS) == 0;
}

namespace {

// A folder of an installed tree: the program's own data beside it (<prefix>/share/corvane beside
// <prefix>/bin), or a folder of the system's prefixes. Its owner may be root, who may write there
// and yet must keep the user's files where any other user keeps them.
bool IsInstalledProgramFolder(const QString& programFolder) {
    static const QStringList kSystemPrefixes{QStringLiteral("/usr/"), QStringLiteral("/opt/"),
                                             QStringLiteral("/bin/"), QStringLiteral("/sbin/")};
    const QString folder = programFolder + QLatin1Char('/');
    for (const QString& prefix : kSystemPrefixes) {
        if (folder.startsWith(prefix))
            return true;
    }
    return QFileInfo(programFolder + QStringLiteral("/../share/corvane")).isDir();
}

} // namespace

QString UserFilesFolder(const QString& programFolder) {
    if (IsInstalledProgramFolder(programFolder) || !IsPrivateWritableFolder(programFolder))
        return UserConfigFolder();
    return programFolder;
}

} // namespace platform
