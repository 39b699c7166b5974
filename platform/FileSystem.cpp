#include "platform/FileSystem.h"

#include "platform/CDescriptor.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Enough tries that only a folder full of such names, or one we cannot create files in, fails.
constexpr int kTemporaryNameTries = 100;

// Creates a file that did not exist, beside name in folder, under a name no one can guess: O_EXCL
// fails on any entry already there, a planted link included. Its name goes into temporaryName.
int CreateTemporaryFile(int folder, const QByteArray& name, QByteArray& temporaryName) {
    for (int i = 0; i < kTemporaryNameTries; ++i) {
        temporaryName = name + '.' + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        const int descriptor = openat(folder, temporaryName.constData(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
}

} // namespace

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

std::unique_ptr<QFile> OpenRegularFileForWriting(const QString& path, bool bTruncate) {
    if (path.contains(QChar(0)))
        return nullptr;
    // O_NONBLOCK: opening a FIFO would otherwise wait for a reader. Cut only once it is known to be
    // a regular file.
    CDescriptor descriptor(
        open(QFile::encodeName(path).constData(),
             O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (bTruncate ? 0 : O_APPEND),
             0666));
    struct stat status {};
    if (descriptor.Get() < 0 || fstat(descriptor.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        (bTruncate && ftruncate(descriptor.Get(), 0) != 0))
        return nullptr;
    fcntl(descriptor.Get(), F_SETFL, fcntl(descriptor.Get(), F_GETFL) & ~O_NONBLOCK);
    auto file = std::make_unique<QFile>();
    const QIODevice::OpenMode mode =
        bTruncate ? QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Append;
    if (!file->open(descriptor.Get(), mode, QFileDevice::AutoCloseHandle))
        return nullptr;
    descriptor.Release();
    return file;
}

bool ReplaceFileContent(const QString& path, const QByteArray& content) {
    if (path.contains(QChar(0)))
        return false;
    const QFileInfo target(path);
    const QByteArray name = QFile::encodeName(target.fileName());
    // Everything below goes through the folder's descriptor, so the new file is made and renamed in
    // one and the same folder, whatever happens to its path meanwhile.
    const CDescriptor folder(
        open(QFile::encodeName(target.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0 || name.isEmpty())
        return false;
    QByteArray temporaryName;
    const CDescriptor file(CreateTemporaryFile(folder.Get(), name, temporaryName));
    if (file.Get() < 0)
        return false;
    struct stat old {};
    const bool bKeepMode =
        fstatat(folder.Get(), name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
    const bool bWritten =
        file.WriteAll(std::string_view(content.constData(), static_cast<std::size_t>(content.size()))) &&
        (!bKeepMode || fchmod(file.Get(), old.st_mode & 0777) == 0) && fsync(file.Get()) == 0;
    // rename replaces the entry at path itself: a link there goes, its target stays as it was.
    if (bWritten && renameat(folder.Get(), temporaryName.constData(), folder.Get(), name.constData()) == 0)
        return true;
    unlinkat(folder.Get(), temporaryName.constData(), 0);
    return false;
}

} // namespace platform
