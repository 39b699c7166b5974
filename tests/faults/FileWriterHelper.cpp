// Saves the watch list or the settings the way the running program does, in a folder the test has
// made hostile (full or read-only), and prints what the save reported and what the program still
// holds afterwards:
//     faults_file_writer list <folder>       loads pathlist.ini, stores a result, saves 200 folders
//     faults_file_writer settings <folder>   loads Corvane.xml, saves it with 200 named paths
// or loads one file as the program does at start-up and at each tick, and prints whether it was read:
//     faults_file_writer read-settings <file>
//     faults_file_writer read-list <file>
#include "settings/CAppSettings.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kManyEntries = 200;

int SaveList(const QString& folder) {
    CConfigWatchdog watchdog(folder + QStringLiteral("/pathlist.ini"));
    if (!watchdog.LoadPathList())
        return 3;
    watchdog.SetPathResult(QStringLiteral("/wc/a"), QStringLiteral("ann"), UpToDate);
    QStringList manyPaths;
    for (int i = 0; i < kManyEntries; ++i)
        manyPaths.append(QStringLiteral("/home/user/projects/a-working-copy-with-a-long-name-%1").arg(i));
    std::printf("saved %d\n", watchdog.SavePathList(manyPaths) ? 1 : 0);
    for (const CSVNPath& record : watchdog.Records())
        std::printf("record %s|%d|%s|%d\n", qPrintable(record.m_strPath), record.m_iState,
                    qPrintable(record.m_strLastAuthor), record.m_iCountdown);
    return 0;
}

int SaveSettings(const QString& folder) {
    const std::string file = (folder + QStringLiteral("/Corvane.xml")).toStdString();
    CAppSettings settings;
    if (!settings.LoadFromFile(file))
        return 3;
    for (int i = 0; i < kManyEntries; ++i)
        settings.m_mapPaths["path" + std::to_string(i)] =
            "/home/user/projects/a-working-copy-with-a-long-name";
    std::printf("saved %d\n", settings.SaveToFile(file) ? 1 : 0);
    return 0;
}

int ReadSettings(const QString& file) {
    CAppSettings settings;
    settings.iTimerMilisec = 12345;
    const bool bRead = settings.LoadFromFile(file.toStdString());
    std::printf("read %d %d\n", bRead ? 1 : 0, settings.iTimerMilisec);
    return 0;
}

int ReadList(const QString& file) {
    CConfigWatchdog watchdog(file);
    const bool bRead = watchdog.LoadPathList();
    std::printf("read %d %zu [%s]\n", bRead ? 1 : 0, watchdog.Records().size(),
                qPrintable(watchdog.GetNextPath()));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[2]);
    if (std::strcmp(argv[1], "list") == 0)
        return SaveList(folder);
    if (std::strcmp(argv[1], "settings") == 0)
        return SaveSettings(folder);
    if (std::strcmp(argv[1], "read-settings") == 0)
        return ReadSettings(folder);
    if (std::strcmp(argv[1], "read-list") == 0)
        return ReadList(folder);
    return 2;
}
