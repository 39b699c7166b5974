#include "platform/FileSystemAccess.h"

#include <QByteArray>
#include <unistd.h>

namespace platform {

bool IsWritableFolder(const QString& folder) {
    if (folder.isEmpty())
        return false;
    const QByteArray nativeFolder = folder.toLocal8Bit();
    // Search permission is needed too, or no file in the folder can be reached.
    return access(nativeFolder.constData(), W_OK | X_OK) == 0;
}

} // namespace platform
