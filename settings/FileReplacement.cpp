#include "settings/FileReplacement.h"

#include <QSaveFile>

bool ReplaceFileContent(const QString& fileName, const QByteArray& content) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The write only fills Qt's buffer; a full disk or a file size limit shows when it is flushed,
    // and commit() alone would not notice it.
    if (file.write(content) != content.size() || !file.flush())
        return false;
    return file.commit();
}
