#include "settings/CPathListFile.h"

#include "platform/FileSystem.h"
#include "platform/PathNames.h"
#include "settings/LineFile.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <cwctype>
#include <utility>

namespace {

// Some thousand folders fit in far less; a larger "list" is something else (a link to /dev/zero).
constexpr qint64 kMaxListFileBytes = 1024 * 1024;

// The list is saved in UTF-8, which holds every path. A list in the system's narrow encoding, as the
// ANSI code page of Windows, in which earlier lists were written, is no valid UTF-8 once it holds a
// letter beyond ASCII: it is read in that encoding.
QString DecodeList(const QByteArray& content) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(content);
    return utf8.hasError() ? QString::fromLocal8Bit(content) : text;
}

} // namespace

CPathListFile::CPathListFile(QString strFileName) : m_strFileName(std::move(strFileName)) {}

std::optional<QStringList> CPathListFile::ReadPaths() const {
    const std::optional<QByteArray> content = platform::ReadRegularFile(m_strFileName, kMaxListFileBytes);
    if (!content)
        return std::nullopt;

    QStringList paths;
    for (const QString& line : DecodeList(*content).split(QLatin1Char('\n'))) {
        // Trimming also drops the CR of CR LF and CR CR LF line ends.
        const QString path = Trimmed(line);
        if (!path.isEmpty())
            paths.append(platform::NativePath(path));
    }
    return paths;
}

QString CPathListFile::ReadFailure() const {
    const QFileInfo file(m_strFileName);
    if (!file.exists())
        return QStringLiteral("it does not exist");
    if (!file.isFile())
        return QStringLiteral("it is not a regular file");
    if (file.size() > kMaxListFileBytes)
        return QStringLiteral("it is larger than 1 MiB");
    return QStringLiteral("it cannot be read");
}

bool CPathListFile::WritePaths(const QStringList& paths) const {
    return WriteLineFile(m_strFileName, paths);
}

bool CPathListFile::CanHold(const QString& path) {
    // A line is read back trimmed, and a line break would split it in two.
    return !path.isEmpty() && !path.contains(QLatin1Char('\n')) &&
           Trimmed(QString::fromUtf8(path.toUtf8())) == path;
}

QString CPathListFile::Trimmed(const QString& line) {
    // Windows' C runtime counts the no-break spaces as white space, the GNU one does not.
    const auto isSpace = [](QChar character) {
        return character != u'\u00a0' && character != u'\u2007' && character != u'\u202f' &&
               std::iswspace(character.unicode()) != 0;
    };
    qsizetype first = 0;
    qsizetype end = line.size();
    while (first < end && isSpace(line[first]))
        ++first;
    while (end > first && isSpace(line[end - 1]))
        --end;
    return line.sliced(first, end - first);
}
