#include "platform/FileSystem.h"

#include <QByteArray>
#include <sys/stat.h>

namespace platform {

bool FindSingleEntry(const QString& path, QString& entryName) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return false;
    struct stat status {};
    if (lstat(path.toLocal8Bit().constData(), &status) != 0)
        return false;
    entryName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return true;
}

} // namespace platform
