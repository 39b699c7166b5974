#include "platform/DebugCopy.h"

#include "platform/SystemInfo.h"

#include <QByteArray>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Closes the descriptor when it goes out of scope.
class CDescriptor final {
public:
    explicit CDescriptor(int descriptor) : m_iDescriptor(descriptor) {}
    ~CDescriptor() {
        if (m_iDescriptor >= 0)
            close(m_iDescriptor);
    }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return m_iDescriptor; }

private:
    int m_iDescriptor;
};

// A folder someone else owns or may write to could hold a link planted to make us overwrite a file.
bool IsPrivateFolder(int descriptor) {
    struct stat status {};
    return fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = write(descriptor, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

} // namespace

bool WriteDebugCopy(std::string_view bytes) {
    const QFileInfo copy(DebugCopyPath());
    // The folder is opened once and everything after goes through that descriptor, so it cannot be
    // swapped for another between the check and the write.
    const CDescriptor folder(
        open(QFile::encodeName(copy.path()).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.Get() < 0 || !IsPrivateFolder(folder.Get()))
        return false;
    const CDescriptor file(openat(folder.Get(), QFile::encodeName(copy.fileName()).constData(),
                                  O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600));
    struct stat status {};
    if (file.Get() < 0 || fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    // Overwritten, then cut to length rather than truncated first: ext4 flushes a file that was
    // truncated to nothing when it is closed, which made every run measurably slower.
    return WriteAll(file.Get(), bytes) && ftruncate(file.Get(), static_cast<off_t>(bytes.size())) == 0;
}

} // namespace platform
