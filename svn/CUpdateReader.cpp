#include "svn/CUpdateReader.h"

#include <QDir>
#include <QStringList>

namespace {

// Whether the line starts with svn's four status columns and a blank: text (A D U C G E R),
// properties (U C G), a broken lock (B), a tree conflict (C), not all of them blank. Read by hand:
// a regular expression would give the worker thread a JIT stack of its own, which Qt frees at the
// thread's end, and that crashes under Windows for a thread that Qt did not start.
bool IsStatusLine(const QString& line) {
    static const QString content = QStringLiteral("ADUCGER ");
    static const QString properties = QStringLiteral("UCG ");
    return line.size() > 5 && content.contains(line[0]) && properties.contains(line[1]) &&
           (line[2] == QLatin1Char('B') || line[2] == QLatin1Char(' ')) &&
           (line[3] == QLatin1Char('C') || line[3] == QLatin1Char(' ')) && line[4] == QLatin1Char(' ') &&
           line[5] != QLatin1Char(' ') && !line.startsWith(QLatin1String("    "));
}

} // namespace

std::vector<SVNUpdatedPath> CUpdateReader::Read(const std::string& rawOutput) {
    const QString text = QString::fromLocal8Bit(rawOutput.data(), static_cast<qsizetype>(rawOutput.size()));
    std::vector<SVNUpdatedPath> paths;
    for (QString row : text.split(QLatin1Char('\n'))) {
        if (row.endsWith(QLatin1Char('\r')))
            row.chop(1);
        if (!IsStatusLine(row))
            continue;
        paths.push_back(
            {QDir::fromNativeSeparators(row.mid(5)),
             row[0] == QLatin1Char('C') || row[1] == QLatin1Char('C') || row[3] == QLatin1Char('C'),
             row[0] == QLatin1Char('G') || row[1] == QLatin1Char('G')});
    }
    return paths;
}
