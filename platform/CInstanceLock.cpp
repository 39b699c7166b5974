#include "platform/CInstanceLock.h"

#include <QByteArray>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

CInstanceLock::~CInstanceLock() {
    if (m_iFd >= 0)
        close(m_iFd);
}

bool CInstanceLock::TryLock(const QString& fileName) {
    if (m_iFd >= 0)
        return false;
    const int fd = open(fileName.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    // flock belongs to the open file, which the kernel closes when the process ends however it ends.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    m_iFd = fd;
    return true;
}

QString UserRuntimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray folder =
        runtime.startsWith('/') ? runtime + "/corvane" : "/tmp/corvane-" + QByteArray::number(getuid());
    mkdir(folder.constData(), 0700);
    struct stat status {};
    // Another user could have made the folder first in a shared /tmp: it is used only when it is ours
    // and closed to everybody else.
    if (lstat(folder.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != getuid() ||
        (status.st_mode & 0077) != 0)
        return {};
    return QString::fromLocal8Bit(folder);
}

} // namespace platform
