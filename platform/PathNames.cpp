#include "platform/PathNames.h"

namespace platform {

std::optional<QString> PathBelowFolder(const QString& folder, const QString& path) {
    if (path == folder)
        return QString();
    if (folder == QLatin1String("."))
        return path;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (!path.startsWith(prefix))
        return std::nullopt;
    return path.mid(prefix.size());
}

QString NativePath(const QString& path) {
    return path;
}

} // namespace platform
