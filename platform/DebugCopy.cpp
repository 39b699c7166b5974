#include "platform/DebugCopy.h"

#include "platform/CDescriptor.h"
#include "platform/FileSystemAccess.h"
#include "platform/SystemInfo.h"

#include <QByteArray>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool WriteDebugCopy(std::string_view bytes) {
    const QFileInfo copy(DebugCopyPath());
    // The folder is opened once and everything after goes through that descriptor, so it cannot be
    // swapped for another between the check and the write.
    const CDescriptor folder(
        open(QFile::encodeName(copy.path()).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // A folder someone else owns or may write to could hold a link planted to make us overwrite a file.
    if (folder.Get() < 0 || !IsPrivateFolder(folder.Get()))
        return false;
    const CDescriptor file(openat(folder.Get(), QFile::encodeName(copy.fileName()).constData(),
                                  O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600));
    struct stat status {};
    if (file.Get() < 0 || fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    // Overwritten, then cut to length rather than truncated first: ext4 flushes a file that was
    // truncated to nothing when it is closed, which made every run measurably slower.
    return file.WriteAll(bytes) && ftruncate(file.Get(), static_cast<off_t>(bytes.size())) == 0;
}

} // namespace platform
