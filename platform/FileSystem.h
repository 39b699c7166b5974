#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// Looks up the one file-system entry that path names, without following a final symbolic link.
// True when it exists; entryName is then its own name, the path's last component. A path that is
// empty or ends in '/' names no single entry and fails; entryName is left alone on failure.
bool FindSingleEntry(const QString& path, QString& entryName);

// The whole content of the regular file at path (a symbolic link to one counts), when it holds at
// most maxBytes. Nothing when the file is missing or unreadable, is no regular file (a FIFO, a device
// such as /dev/zero, a folder) or is larger. Never waits for a writer.
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes);

} // namespace platform
