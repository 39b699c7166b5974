#include "settings/CNamesFile.h"

#include "platform/FileSystem.h"
#include "settings/LineFile.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <utility>

namespace {

// Far more than anyone's names need; a larger "list" is something else.
constexpr qint64 kMaxNamesFileBytes = 1024 * 1024;

} // namespace

CNamesFile::CNamesFile(QString strFileName) : m_strFileName(std::move(strFileName)) {}

QString CNamesFile::Beside(const QString& listFile) {
    return QFileInfo(listFile).dir().filePath(QStringLiteral("names.ini"));
}

QStringList CNamesFile::ReadNames() const {
    const std::optional<QByteArray> content = platform::ReadRegularFile(m_strFileName, kMaxNamesFileBytes);
    if (!content)
        return {};
    // The decoder drops the byte order mark that an editor may have put first.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QStringList names;
    for (const QString& line : QString(utf8.decode(*content)).split(QLatin1Char('\n'))) {
        const QString name = line.trimmed();
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

bool CNamesFile::WriteNames(const QStringList& names) const {
    return WriteLineFile(m_strFileName, names);
}

bool CNamesFile::CanHold(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r')) &&
           name.trimmed() == name;
}
