#include "settings/CIntervalsFile.h"

#include "platform/FileSystem.h"
#include "platform/PathNames.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <utility>

namespace {

// Far more than one line per watched folder needs.
constexpr qint64 kMaxIntervalsFileBytes = 1024 * 1024;

} // namespace

CIntervalsFile::CIntervalsFile(QString strFileName) : m_strFileName(std::move(strFileName)) {}

std::optional<std::map<QString, int>> CIntervalsFile::ReadIntervals() const {
    const std::optional<QByteArray> content =
        platform::ReadRegularFile(m_strFileName, kMaxIntervalsFileBytes);
    if (!content)
        return std::nullopt;

    std::map<QString, int> intervals;
    for (const QByteArray& rawLine : content->split('\n')) {
        const QString line = QString::fromLocal8Bit(rawLine).trimmed();
        // The path may hold blanks of its own: the minutes follow the last one.
        const qsizetype split =
            std::max(line.lastIndexOf(QLatin1Char('\t')), line.lastIndexOf(QLatin1Char(' ')));
        if (split <= 0)
            continue;
        const QString path = line.left(split).trimmed();
        bool bNumber = false;
        const int minutes = line.mid(split + 1).toInt(&bNumber);
        if (path.isEmpty() || !bNumber || minutes < kShortest || minutes > kLongest)
            continue;
        intervals[platform::NativePath(path)] = minutes;
    }
    return intervals;
}

bool CIntervalsFile::WriteIntervals(const std::map<QString, int>& intervals) const {
    if (!QDir().mkpath(QFileInfo(m_strFileName).absolutePath()))
        return false;
    QByteArray content;
    for (const auto& [path, minutes] : intervals)
        content += path.toLocal8Bit() + '\t' + QByteArray::number(minutes) + "\r\n";
    return platform::ReplaceFileContent(m_strFileName, content);
}
