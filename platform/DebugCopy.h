#pragma once

#include <string_view>

namespace platform {

// Replaces the debug copy of svn's last parsed output (platform::DebugCopyPath()) by these bytes.
// Writes only into a real folder owned by the user that no one else may write to, and never through
// a symbolic link or into anything but a regular file; false, with nothing written, otherwise.
bool WriteDebugCopy(std::string_view bytes);

} // namespace platform
