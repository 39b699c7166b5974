#pragma once

#include <QString>

namespace platform {

// True when the current user may create and replace files in the folder; false when the folder is
// missing or read-only for this user.
bool IsWritableFolder(const QString& folder);

} // namespace platform
