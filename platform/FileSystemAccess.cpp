#include "platform/FileSystemAccess.h"

#include "platform/CDescriptor.h"
#include "platform/SystemInfo.h"

#include <QFile>
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

QString UserFilesFolder(const QString& programFolder) {
    return IsPrivateWritableFolder(programFolder) ? programFolder : UserConfigFolder();
}

} // namespace platform
