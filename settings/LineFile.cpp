#include "settings/LineFile.h"

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

bool WriteLineFile(const QString& fileName, const QStringList& lines) {
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath()))
        return false;
    QByteArray content;
    for (const QString& line : lines)
        content += line.toUtf8() + "\r\n";
    return platform::ReplaceFileContent(fileName, content);
}
