#include "svn/CUpdateReader.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

std::vector<SVNUpdatedPath> CUpdateReader::Read(const std::string& rawOutput) {
    // Columns: text (A D U C G E R), properties (U C G), a broken lock (B), a tree conflict (C).
    static const QRegularExpression line(QStringLiteral("^([ADUCGER ])([UCG ])([B ])([C ]) (\\S.*)$"));
    const QString text = QString::fromLocal8Bit(rawOutput.data(), static_cast<qsizetype>(rawOutput.size()));
    std::vector<SVNUpdatedPath> paths;
    for (QString row : text.split(QLatin1Char('\n'))) {
        if (row.endsWith(QLatin1Char('\r')))
            row.chop(1);
        const QRegularExpressionMatch match = line.match(row);
        if (!match.hasMatch() || match.capturedView(0).startsWith(QLatin1String("    ")))
            continue;
        const QChar content = match.captured(1).front();
        const QChar properties = match.captured(2).front();
        paths.push_back({QDir::fromNativeSeparators(match.captured(5)),
                         content == QLatin1Char('C') || properties == QLatin1Char('C') ||
                             match.captured(4) == QLatin1String("C"),
                         content == QLatin1Char('G') || properties == QLatin1Char('G')});
    }
    return paths;
}
