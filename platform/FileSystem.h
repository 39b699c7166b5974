#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>
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

// The regular file at path, open for writing, created when missing, and either cut to nothing
// (bTruncate) or written at its end. Nothing when path is a symbolic link (never followed), is no
// regular file (a FIFO, a device) or cannot be opened.
std::unique_ptr<QFile> OpenRegularFileForWriting(const QString& path, bool bTruncate);

// Replaces the file at path by one holding content: the bytes go to a new file of an unguessable
// name in the same folder, which takes the file's place by a rename once it is written and flushed
// to disk, with the old file's permissions. A symbolic link at path is itself replaced, never written
// through or followed. False, with the old file untouched and no new file left, when any step fails.
bool ReplaceFileContent(const QString& path, const QByteArray& content);

} // namespace platform
