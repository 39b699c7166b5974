#include "settings/CPauseFile.h"

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>

namespace {

constexpr qint64 kMaxPauseFileBytes = 4096;
constexpr char kUntil[] = "until ";
constexpr char kUntilResumed[] = "until resumed";

std::optional<CheckPause> ParseLine(const QByteArray& line) {
    if (line == kUntilResumed)
        return CheckPause{true, {}};
    if (!line.startsWith(kUntil))
        return std::nullopt;
    const QDateTime end =
        QDateTime::fromString(QString::fromLatin1(line.mid(sizeof kUntil - 1)), Qt::ISODate);
    if (!end.isValid())
        return std::nullopt;
    return CheckPause{false, end.toUTC()};
}

} // namespace

CPauseFile::CPauseFile(QString strFileName) : m_strFileName(std::move(strFileName)) {}

std::optional<CheckPause> CPauseFile::ReadPause() const {
    const std::optional<QByteArray> content = platform::ReadRegularFile(m_strFileName, kMaxPauseFileBytes);
    if (!content)
        return std::nullopt;
    for (const QByteArray& line : content->split('\n')) {
        if (std::optional<CheckPause> pause = ParseLine(line.trimmed()))
            return pause;
    }
    return std::nullopt;
}

bool CPauseFile::WritePause(const CheckPause& pause) const {
    if (!QDir().mkpath(QFileInfo(m_strFileName).absolutePath()))
        return false;
    const QByteArray line = pause.m_bUntilResumed
                                ? QByteArray(kUntilResumed)
                                : kUntil + pause.m_End.toUTC().toString(Qt::ISODate).toLatin1();
    return platform::ReplaceFileContent(m_strFileName, line + "\r\n");
}

bool CPauseFile::Remove() const {
    // A link in its place is removed itself, never followed.
    if (QFile::remove(m_strFileName))
        return true;
    const QFileInfo left(m_strFileName);
    return !left.exists() && !left.isSymLink();
}
