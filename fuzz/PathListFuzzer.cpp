// Any "pathlist.ini" is read without harm: every record is a non-blank, trimmed line, the rotation
// visits the records in file order and comes round again, and saving the list and loading it back
// gives the same records.
#include "FuzzRequire.h"
#include "FuzzWorkFolder.h"
#include "settings/CConfigWatchdog.h"

#include <QFile>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

QStringList PathsOf(const std::vector<CSVNPath>& records) {
    QStringList paths;
    for (const CSVNPath& record : records)
        paths.append(record.m_strPath);
    return paths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString listFile = FuzzWorkFile(QStringLiteral("pathlist.ini"));
    QFile file(listFile);
    FuzzRequire(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input file can be written");
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();

    CConfigWatchdog watchdog(listFile);
    FuzzRequire(watchdog.LoadPathList(), "a readable list file loads");
    const QStringList paths = PathsOf(watchdog.Records());
    for (const QString& path : paths) {
        FuzzRequire(!path.isEmpty(), "no record for a blank line");
        FuzzRequire(path == path.trimmed(), "records are trimmed");
        FuzzRequire(!path.contains(QLatin1Char('\n')), "a record is one line");
        FuzzRequire(watchdog.GetCountdown(path) == 0, "a loaded record is due at once");
    }

    g_iNextPathLine = 0;
    for (qsizetype turn = 0; turn < paths.size() + 1; ++turn) {
        const QString next = watchdog.GetNextPath();
        FuzzRequire(next == (paths.isEmpty() ? QString() : paths[turn % paths.size()]),
                    "the rotation follows the records and comes round again");
    }

    const QString savedFile = FuzzWorkFile(QStringLiteral("saved.ini"));
    CConfigWatchdog saved(savedFile);
    FuzzRequire(saved.SavePathList(paths), "the list can be saved");
    CConfigWatchdog reloaded(savedFile);
    FuzzRequire(reloaded.LoadPathList(), "the saved list loads");
    FuzzRequire(PathsOf(reloaded.Records()) == paths, "the saved list loads back the same records");
    return 0;
}
