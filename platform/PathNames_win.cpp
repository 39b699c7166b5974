#include "platform/PathNames.h"

#include <QDir>

namespace platform {

std::optional<QString> PathBelowFolder(const QString& folder, const QString& path) {
    const QString below = QDir::fromNativeSeparators(path);
    const QString above = QDir::fromNativeSeparators(folder);
    if (below.compare(above, Qt::CaseInsensitive) == 0)
        return QString();
    if (folder == QLatin1String("."))
        return below;
    // "C:\" and "\\server\share\" end in a separator already.
    const QString prefix = above.endsWith(QLatin1Char('/')) ? above : above + QLatin1Char('/');
    if (!below.startsWith(prefix, Qt::CaseInsensitive))
        return std::nullopt;
    return below.mid(prefix.size());
}

QString NativePath(const QString& path) {
    const auto isSeparator = [](QChar character) { return character == u'/' || character == u'\\'; };
    const bool bDrive = path.size() >= 3 && path[0].isLetter() && path[1] == u':' && isSeparator(path[2]);
    const bool bServer = path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]);
    return bDrive || bServer ? QDir::toNativeSeparators(path) : path;
}

} // namespace platform
