#pragma once

#include <QString>

namespace platform {

// True when the open folder is a directory owned by the current user that nobody else may write to
// (no write permission for its group or for others).
bool IsPrivateFolder(int folderDescriptor);

// True when the folder may keep the user's files: a real directory, not a symbolic link, that is
// private (IsPrivateFolder) and that the user may create and replace files in. False when missing.
bool IsPrivateWritableFolder(const QString& folder);

// Where a program kept in programFolder keeps the user's files (the watch list, the activity logs):
// that folder while IsPrivateWritableFolder holds for it and it belongs to no installed tree (no
// share/corvane beside it, no system prefix such as /usr or /opt), else the user's configuration
// folder (UserConfigFolder).
QString UserFilesFolder(const QString& programFolder);

} // namespace platform
