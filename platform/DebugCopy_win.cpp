#include "platform/DebugCopy.h"
#include "platform/SystemInfo.h"

#include <QDir>
#include <windows.h>

namespace platform {

bool WriteDebugCopy(std::string_view bytes) {
    const std::wstring path = QDir::toNativeSeparators(DebugCopyPath()).toStdWString();
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, never what it leads to; it is then refused.
    const HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    bool bWritten = GetFileType(hFile) == FILE_TYPE_DISK && GetFileInformationByHandle(hFile, &info) &&
                    !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    while (bWritten && !bytes.empty()) {
        DWORD dwWritten = 0;
        const DWORD dwChunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        bWritten = WriteFile(hFile, bytes.data(), dwChunk, &dwWritten, nullptr) && dwWritten > 0;
        bytes.remove_prefix(dwWritten);
    }
    bWritten = bWritten && SetEndOfFile(hFile);
    CloseHandle(hFile);
    return bWritten;
}

} // namespace platform
