#pragma once

#include <QString>
#include <optional>

namespace platform {

// The part of path that lies below folder, with '/' between its names; empty for the folder itself,
// and path itself, so separated, when folder is ".". Nothing when path is not inside folder. Paths
// compare as the system's file systems name them: on Windows '\' and '/' both separate and case does
// not count (svn prints "C:\wc\dir" for a target typed as "c:/WC"); on Linux the bytes must match.
std::optional<QString> PathBelowFolder(const QString& folder, const QString& path);

} // namespace platform
