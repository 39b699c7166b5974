#include "platform/FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool FindSingleEntry(const QString& path, QString& entryName) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return false;
    struct stat status {};
    if (lstat(path.toLocal8Bit().constData(), &status) != 0)
        return false;
    entryName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return true;
}

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
    if (path.contains(QChar(0)))
        return std::nullopt;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer before the type can be
    // looked at.
    const int descriptor = open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
        return std::nullopt;
    std::optional<QByteArray> content;
    struct stat status {};
    if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= maxBytes) {
        // The file may still grow after fstat; reading stops one byte past the limit to notice it.
        QByteArray bytes;
        bytes.reserve(static_cast<qsizetype>(status.st_size) + 1);
        char chunk[65536];
        bool bFailed = false;
        while (bytes.size() <= maxBytes) {
            const ssize_t count = read(descriptor, chunk, sizeof chunk);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                bFailed = count < 0;
                break;
            }
            bytes.append(chunk, static_cast<qsizetype>(count));
        }
        if (!bFailed && bytes.size() <= maxBytes)
            content = std::move(bytes);
    }
    close(descriptor);
    return content;
}

} // namespace platform
