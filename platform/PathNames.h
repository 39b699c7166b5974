#pragma once

#include <QString>
#include <optional>

namespace platform {

// The part of path that lies below folder, with '/' between its names; empty for the folder itself,
// and path itself, so separated, when folder is ".". Nothing when path is not inside folder. Paths
// compare as the system's file systems name them: on Windows '\' and '/' both separate and case does
// not count (svn prints "C:\wc\dir" for a target typed as "c:/WC"); on Linux the bytes must match.
std::optional<QString> PathBelowFolder(const QString& folder, const QString& path);

// The path as the system writes it. On Windows, a full path, which names its drive ("C:/src") or
// its server ("//server/share"), is given backslashes: Qt, file managers' drops and earlier lists
// write it with '/', while svn and every other Windows program show '\'. Anything else is left as
// it is, as is every path on Linux.
QString NativePath(const QString& path);

} // namespace platform
