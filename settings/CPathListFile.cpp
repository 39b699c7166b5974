#include "settings/CPathListFile.h"

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <utility>

namespace {

// Some thousand folders fit in far less; a larger "list" is something else (a link to /dev/zero).
constexpr qint64 kMaxFileBytes = 1024 * 1024;

} // namespace

CPathListFile::CPathListFile(QString strFileName) : m_strFileName(std::move(strFileName)) {}

std::optional<QStringList> CPathListFile::ReadPaths() const {
    const std::optional<QByteArray> content = platform::ReadRegularFile(m_strFileName, kMaxFileBytes);
    if (!content)
        return std::nullopt;

    QStringList paths;
    for (const QByteArray& line : content->split('\n')) {
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
    return platform::ReplaceFileContent(m_strFileName, content);
}

bool CPathListFile::CanHold(const QString& path) {
    // A line is read back trimmed, and a line break would split it in two.
    return !path.isEmpty() && !path.contains(QLatin1Char('\n')) &&
           QString::fromLocal8Bit(path.toLocal8Bit()).trimmed() == path;
}
