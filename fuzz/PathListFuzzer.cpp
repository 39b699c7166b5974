// Any "pathlist.ini" is read without harm: every record is a non-blank, trimmed line, the rotation
// visits the records in file order and comes round again, and saving the list and loading it back
// gives the same records. Saving any names keeps the records equal to what the file reads back as,
// and a file past the size cap is not read.
#include "FuzzRequire.h"
#include "FuzzWorkFolder.h"
#include "settings/CConfigWatchdog.h"
#include "settings/CPathListFile.h"

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
    g_iNextPathLine = 0;
    QStringList hour;
    for (int minute = 0; minute < 60 && hour.size() < paths.size(); ++minute)
        hour += watchdog.GetNextPaths();
    FuzzRequire(hour == paths, "the turns of an hour take every line once, in order");
    FuzzRequire(!watchdog.FollowListFile(), "records loaded from the file follow it already");

    const QString savedFile = FuzzWorkFile(QStringLiteral("saved.ini"));
    CConfigWatchdog saved(savedFile);
    FuzzRequire(saved.SavePathList(paths), "the list can be saved");
    CConfigWatchdog reloaded(savedFile);
    FuzzRequire(reloaded.LoadPathList(), "the saved list loads");
    FuzzRequire(PathsOf(reloaded.Records()) == paths, "the saved list loads back the same records");

    // The input's lines as names dropped on the watch list, untrimmed; '|' stands for a line break.
    QStringList names = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
                            .split(QLatin1Char('\n'));
    for (QString& name : names)
        name.replace(QLatin1Char('|'), QLatin1Char('\n'));
    const bool bSaved = saved.SavePathList(names);
    bool bHoldable = true;
    for (const QString& name : names)
        bHoldable = bHoldable && (name.trimmed().isEmpty() || CPathListFile::CanHold(name));
    FuzzRequire(bSaved == bHoldable, "names are saved exactly when every line can hold its name");
    CConfigWatchdog again(savedFile);
    FuzzRequire(again.LoadPathList(), "the saved list loads");
    FuzzRequire(PathsOf(again.Records()) == PathsOf(saved.Records()),
                "the records are what the saved file reads back as");

    if (size > 0 && data[0] == ' ') {
        FuzzRequire(file.open(QIODevice::Append) && file.write(QByteArray(1024 * 1024, ' ')) > 0,
                    "the input file can be grown");
        file.close();
        CConfigWatchdog tooLarge(listFile);
        FuzzRequire(!tooLarge.LoadPathList() && tooLarge.GetNextPath().isEmpty(),
                    "a file past the size cap is not read");
    }
    return 0;
}
