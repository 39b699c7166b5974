#include "settings/CPathListFile.h"

#include "settings/FileReplacement.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>

CPathListFile::CPathListFile(QString strFileName) : m_strFileName(std::move(strFileName)) {}

std::optional<QStringList> CPathListFile::ReadPaths() const {
    QFile file(m_strFileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;

    QStringList paths;
    for (const QByteArray& line : content.split('\n')) {
        // Trimming also drops the CR of CR LF and CR CR LF line ends.
        const QString path = QString::fromLocal8Bit(line).trimmed();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

bool CPathListFile::WritePaths(const QStringList& paths) const {
    if (!QDir().mkpath(QFileInfo(m_strFileName).absolutePath()))
        return false;
    QByteArray content;
    for (const QString& path : paths)
        content += path.toLocal8Bit() + "\r\n";
    return ReplaceFileContent(m_strFileName, content);
}
