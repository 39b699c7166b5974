#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform {
namespace {

// Enough tries that only a folder full of such names, or one we cannot create files in, fails.
constexpr int kTemporaryNameTries = 100;

std::wstring Native(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// An open file handle, closed when the object goes.
class CFileHandle final {
public:
    explicit CFileHandle(HANDLE hFile) : m_hFile(hFile) {}
    ~CFileHandle() {
        if (IsOpen())
            CloseHandle(m_hFile);
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    HANDLE Get() const { return m_hFile; }
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    HANDLE Release() { return std::exchange(m_hFile, INVALID_HANDLE_VALUE); }

private:
    HANDLE m_hFile;
};

// A file on disk that is neither a folder nor a link (a named pipe, a console or a device such as
// NUL is no disk file).
bool IsRegularFile(HANDLE hFile) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(hFile) == FILE_TYPE_DISK && GetFileInformationByHandle(hFile, &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool WriteAll(HANDLE hFile, const QByteArray& content) {
    qsizetype written = 0;
    while (written < content.size()) {
        DWORD dwCount = 0;
        const DWORD dwChunk = static_cast<DWORD>(std::min<qsizetype>(content.size() - written, 1 << 30));
        if (!WriteFile(hFile, content.constData() + written, dwChunk, &dwCount, nullptr) || dwCount == 0)
            return false;
        written += dwCount;
    }
    return true;
}

} // namespace

bool FindSingleEntry(const QString& path, QString& entryName) {
    // A trailing separator names a folder's content, and wildcards name many entries: neither is one.
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')) ||
        path.contains(QChar(0)) || path.contains(QLatin1Char('*')) || path.contains(QLatin1Char('?')))
        return false;
    WIN32_FIND_DATAW found{};
    const HANDLE hFind = FindFirstFileW(Native(path).c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    FindClose(hFind);
    entryName = QString::fromWCharArray(found.cFileName);
    return true;
}

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
    if (path.contains(QChar(0)))
        return std::nullopt;
    const CFileHandle file(CreateFileW(Native(path).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.IsOpen() || !IsRegularFile(file.Get()) || !GetFileSizeEx(file.Get(), &size) ||
        size.QuadPart > maxBytes)
        return std::nullopt;
    // The file may still grow; reading stops one byte past the limit to notice it.
    QByteArray bytes;
    char chunk[65536];
    while (bytes.size() <= maxBytes) {
        DWORD dwCount = 0;
        if (!ReadFile(file.Get(), chunk, sizeof chunk, &dwCount, nullptr))
            return std::nullopt;
        if (dwCount == 0)
            break;
        bytes.append(chunk, static_cast<qsizetype>(dwCount));
    }
    if (bytes.size() > maxBytes)
        return std::nullopt;
    return bytes;
}

std::unique_ptr<QFile> OpenRegularFileForWriting(const QString& path, bool bTruncate) {
    if (path.contains(QChar(0)))
        return nullptr;
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which is then refused; cut only once it is
    // known to be a regular file.
    CFileHandle file(CreateFileW(Native(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
    if (!file.IsOpen() || !IsRegularFile(file.Get()) || (bTruncate && !SetEndOfFile(file.Get())))
        return nullptr;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file.Get()),
                                           _O_WRONLY | _O_BINARY | (bTruncate ? 0 : _O_APPEND));
    if (descriptor < 0)
        return nullptr;
    file.Release();
    auto result = std::make_unique<QFile>();
    const QIODevice::OpenMode mode =
        bTruncate ? QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Append;
    if (!result->open(descriptor, mode, QFileDevice::AutoCloseHandle)) {
        _close(descriptor);
        return nullptr;
    }
    return result;
}

bool ReplaceFileContent(const QString& path, const QByteArray& content) {
    if (path.contains(QChar(0)))
        return false;
    const QFileInfo target(path);
    if (target.fileName().isEmpty())
        return false;
    const std::wstring destination = Native(target.absoluteFilePath());
    std::wstring temporary;
    HANDLE hNew = INVALID_HANDLE_VALUE;
    for (int i = 0; i < kTemporaryNameTries; ++i) {
        temporary =
            destination + L'.' + QString::number(QRandomGenerator::system()->generate64(), 36).toStdWString();
        // CREATE_NEW fails on any entry already there, a planted link included.
        hNew = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        if (hNew != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    CFileHandle file(hNew);
    if (!file.IsOpen())
        return false;
    const bool bWritten = WriteAll(file.Get(), content) && FlushFileBuffers(file.Get());
    CloseHandle(file.Release());
    // The move replaces the entry at path itself: a link there goes, its target stays as it was.
    if (bWritten && MoveFileExW(temporary.c_str(), destination.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary.c_str());
    return false;
}

} // namespace platform
