#pragma once

#include <QString>

namespace platform {

// Looks up the one file-system entry that path names, without following a final symbolic link.
// True when it exists; entryName is then its own name, the path's last component. A path that is
// empty or ends in '/' names no single entry and fails; entryName is left alone on failure.
bool FindSingleEntry(const QString& path, QString& entryName);

} // namespace platform
