#include "settings/CConfigWatchdog.h"

#include "SettingsTestFiles.h"
#include "platform/SystemInfo.h"
#include "settings/CNamesFile.h"
#include "settings/CPauseFile.h"
#include "support/CScopedEnvironment.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

class WatchdogTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        g_iNextPathLine = 0;
    }

    QStringList NextPaths(int count) {
        QStringList paths;
        for (int i = 0; i < count; ++i)
            paths.append(m_watchdog.GetNextPath());
        return paths;
    }

    QTemporaryDir m_dir;
    const QString m_strList = m_dir.filePath(QStringLiteral("pathlist.ini"));
    CConfigWatchdog m_watchdog{m_strList};
};

using Rotation = WatchdogTest;

TEST_F(Rotation, GoesThroughTheLinesInOrderAndAround) {
    WriteBytes(m_strList, "/wc/a\n/wc/b\n/wc/c\n");
    EXPECT_EQ(NextPaths(5), QStringList({"/wc/a", "/wc/b", "/wc/c", "/wc/a", "/wc/b"}));
}

TEST_F(Rotation, EmptyOrMissingFileGivesEmptyText) {
    EXPECT_EQ(m_watchdog.GetNextPath(), QString());
    EXPECT_EQ(g_iNextPathLine, 0) << "a missing file leaves the rotation where it was";
    WriteBytes(m_strList, "");
    EXPECT_EQ(NextPaths(2), QStringList({"", ""}));
    WriteBytes(m_strList, " \n\t\r\n\n");
    EXPECT_EQ(m_watchdog.GetNextPath(), QString());
}

TEST_F(Rotation, PassesOverBlankLines) {
    WriteBytes(m_strList, "/wc/a\n\n/wc/c\n");
    EXPECT_EQ(NextPaths(4), QStringList({"/wc/a", "/wc/c", "/wc/a", "/wc/c"}));
    WriteBytes(m_strList, "   \n/wc/b\n");
    EXPECT_EQ(NextPaths(2), QStringList({"/wc/b", "/wc/b"}));
}

TEST_F(Rotation, TrimsBlanksAndEveryKindOfLineEnd) {
    WriteBytes(m_strList, "  /wc/a \t\r\n/wc/b\r\r\n/wc/c\v\f\n/wc/nbsp\xc2\xa0\n");
    EXPECT_EQ(NextPaths(4), QStringList({"/wc/a", "/wc/b", "/wc/c", QStringLiteral("/wc/nbsp\u00a0")}))
        << "a no-break space is part of a folder's name";
}

TEST_F(Rotation, ReadsTheFileAfreshAtEachCall) {
    WriteBytes(m_strList, "/wc/a\n/wc/b\n/wc/c\n");
    EXPECT_EQ(m_watchdog.GetNextPath(), "/wc/a");
    WriteBytes(m_strList, "/wc/x\n/wc/y\n");
    EXPECT_EQ(NextPaths(3), QStringList({"/wc/y", "/wc/x", "/wc/y"}));
}

TEST_F(Rotation, LongPathStaysOneLineAndOneRecord) {
    const QString longPath = QStringLiteral("/wc/") + QString(600, QLatin1Char('x'));
    WriteBytes(m_strList, longPath.toLocal8Bit() + "\n/wc/b\n");
    EXPECT_EQ(NextPaths(3), QStringList({longPath, "/wc/b", longPath}));
    ASSERT_TRUE(m_watchdog.LoadPathList());
    ASSERT_EQ(m_watchdog.Records().size(), 2u);
    EXPECT_EQ(m_watchdog.Records()[0].m_strPath, longPath);
}

using Records = WatchdogTest;

TEST_F(Records, LoadMakesDueWaitingRecordsAndKeepsThemWhenTheFileIsMissing) {
    m_watchdog.AddPath(QStringLiteral("/kept"), 5);
    EXPECT_FALSE(m_watchdog.LoadPathList());
    EXPECT_EQ(m_watchdog.GetCountdown(QStringLiteral("/kept")), 5);

    WriteBytes(m_strList, "/wc/a\n\n /wc/b \n");
    ASSERT_TRUE(m_watchdog.LoadPathList());
    const auto records = m_watchdog.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].m_strPath, "/wc/b");
    for (const CSVNPath& record : records) {
        EXPECT_EQ(record.m_iState, Waiting);
        EXPECT_EQ(record.m_iCountdown, 0);
    }
    EXPECT_EQ(m_watchdog.GetCountdown(QStringLiteral("/kept")), -33);
}

TEST_F(Records, CountdownsFallToZeroAndTheLastDuplicateCounts) {
    m_watchdog.AddPath(QStringLiteral("/wc/a"), 60);
    m_watchdog.AddPath(QStringLiteral("/wc/b"), 0);
    m_watchdog.AddPath(QStringLiteral("/wc/a"), 1);
    m_watchdog.DecrementCountdowns();
    EXPECT_EQ(m_watchdog.Records()[0].m_iCountdown, 59);
    EXPECT_EQ(m_watchdog.GetCountdown(QStringLiteral("/wc/b")), 0);
    EXPECT_EQ(m_watchdog.GetCountdown(QStringLiteral("/wc/a")), 0);
    EXPECT_EQ(m_watchdog.GetCountdown(QStringLiteral("/wc/A")), -33) << "paths compare case-sensitively";
}

// The user writes a line into the list file, or removes one, while the program runs.
TEST_F(Records, FollowTheLinesWrittenOrRemovedByHand) {
    WriteBytes(m_strList, "/wc/a\n/wc/b\n");
    ASSERT_TRUE(m_watchdog.LoadPathList());
    m_watchdog.SetPathResult(QStringLiteral("/wc/a"), QStringLiteral("ann"), Modified);
    WriteBytes(m_dir.filePath(QStringLiteral("intervals.ini")), "/wc/new\t15\n");
    WriteBytes(m_strList, "/wc/new\n/wc/a\n");
    EXPECT_TRUE(m_watchdog.FollowListFile());
    const std::vector<CSVNPath> records = m_watchdog.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].m_iInterval, 15);
    EXPECT_EQ(records[1].m_iState, Modified) << "a folder still listed keeps its record";
    // A file that cannot be read leaves the records as they are.
    ASSERT_TRUE(QFile::remove(m_strList));
    EXPECT_FALSE(m_watchdog.FollowListFile());
    EXPECT_EQ(m_watchdog.Records().size(), 2u);
}

TEST_F(Records, ResultReachesEveryRecordOfItsPathAndNoOther) {
    m_watchdog.AddPath(QStringLiteral("/wc/a"), 0);
    m_watchdog.AddPath(QStringLiteral("/wc/b"), 7);
    m_watchdog.AddPath(QStringLiteral("/wc/a"), 0);
    const QString before = platform::LocalTimeText("%H:%M:%S");
    m_watchdog.SetPathResult(QStringLiteral("/wc/a"), QStringLiteral("ann"), Modified);
    const QString after = platform::LocalTimeText("%H:%M:%S");
    m_watchdog.SetPathResult(QStringLiteral("/wc/none"), QStringLiteral("bob"), ErrorLocal);

    const auto records = m_watchdog.Records();
    for (const int i : {0, 2}) {
        EXPECT_EQ(records[i].m_iState, Modified);
        EXPECT_EQ(records[i].m_strLastAuthor, "ann");
        EXPECT_EQ(records[i].m_iCountdown, 60);
        EXPECT_TRUE(records[i].m_strCheckedAt == before || records[i].m_strCheckedAt == after);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                        .match(records[i].m_strCheckedAt)
                        .hasMatch());
    }
    EXPECT_EQ(records[1].m_iState, Waiting);
    EXPECT_EQ(records[1].m_iCountdown, 7);
    EXPECT_TRUE(records[1].m_strCheckedAt.isEmpty());
}

// A check that began before the watch list was closed still gives the folder its outcome.
TEST_F(Records, ResultReachesRecordsRemadeSinceItsCheckBegan) {
    m_watchdog.AddPath(QStringLiteral("/wc/a"), 0);
    ASSERT_TRUE(m_watchdog.SavePathList({QStringLiteral("/wc/a"), QStringLiteral("/wc/b")}));
    m_watchdog.SetPathResult(QStringLiteral("/wc/a"), {}, ErrorLocal, {}, QStringLiteral("svn: E155007: no"));
    const CSVNPath record = m_watchdog.Records()[0];
    EXPECT_EQ(record.m_iState, ErrorLocal);
    EXPECT_EQ(record.m_strReason, QStringLiteral("svn: E155007: no"));
    EXPECT_EQ(record.m_iCountdown, 60);
    m_watchdog.SetPathResult(QStringLiteral("/wc/a"), QStringLiteral("ann"), UpToDate);
    EXPECT_TRUE(m_watchdog.Records()[0].m_strReason.isEmpty()) << "a success clears the reason";
}

TEST_F(Records, ResultsFromAnotherThreadWhileRecordsAreRemade) {
    WriteBytes(m_strList, "/wc/a\n/wc/b\n");
    std::atomic<bool> done = false;
    std::thread worker([&] {
        while (!done) {
            m_watchdog.SetPathResult(QStringLiteral("/wc/a"), QStringLiteral("ann"), UpToDate);
            m_watchdog.SetPathResult(QStringLiteral("/wc/b"), QStringLiteral("bob"), Modified);
        }
    });
    for (int i = 0; i < 5000; ++i) {
        if (i % 100 == 0) {
            ASSERT_TRUE(m_watchdog.LoadPathList());
        } else if (i % 50 == 0) {
            ASSERT_TRUE(m_watchdog.SavePathList({QStringLiteral("/wc/a"), QStringLiteral("/wc/b")}));
        } else {
            m_watchdog.RemoveAllPaths();
            m_watchdog.AddPath(QStringLiteral("/wc/a"), 3);
            m_watchdog.AddPath(QStringLiteral("/wc/b"), 3);
        }
        m_watchdog.DecrementCountdowns();
        for (const CSVNPath& record : m_watchdog.Records()) {
            const bool waiting = record.m_iState == Waiting && record.m_strLastAuthor.isEmpty();
            const bool stored = record.m_iState != Waiting && !record.m_strLastAuthor.isEmpty() &&
                                !record.m_strCheckedAt.isEmpty() && record.m_iCountdown >= 59;
            ASSERT_TRUE(waiting || stored) << record.m_strPath.toStdString();
        }
    }
    done = true;
    worker.join();
}

TEST(StateTexts, KnownCodesAndEveryOtherCode) {
    EXPECT_EQ(StateText(Waiting), "wating..");
    EXPECT_EQ(StateText(UpToDate), "up-to-date");
    EXPECT_EQ(StateText(Modified), "modified");
    EXPECT_EQ(StateText(ErrorLocal), "error local");
    for (const int code : {static_cast<int>(ErrorNetwork), 5, -1})
        EXPECT_EQ(StateText(code), "error network/server");
}

using Saving = WatchdogTest;

TEST_F(Saving, WritesCrLfLinesAndRemakesTheRecords) {
    m_watchdog.AddPath(QStringLiteral("/old"), 0);
    m_watchdog.SetPathResult(QStringLiteral("/old"), QStringLiteral("ann"), Modified);
    ASSERT_TRUE(
        m_watchdog.SavePathList({QStringLiteral("/wc/a"), QStringLiteral(" "), QStringLiteral("/wc/été")}));
    EXPECT_EQ(ReadBytes(m_strList), "/wc/a\r\n/wc/\xc3\xa9t\xc3\xa9\r\n");
    const auto records = m_watchdog.Records();
    ASSERT_EQ(records.size(), 2u);
    for (const CSVNPath& record : records) {
        EXPECT_EQ(record.m_iState, Waiting);
        EXPECT_EQ(record.m_iCountdown, 60);
        EXPECT_TRUE(record.m_strLastAuthor.isEmpty());
    }
    EXPECT_EQ(NextPaths(2), QStringList({"/wc/a", "/wc/été"}));
}

TEST_F(Saving, CreatesTheMissingConfigurationFolder) {
    const QString listFile = [this] {
        CScopedEnvironment configHome("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        return CConfigWatchdog::DefaultListFile(m_dir.filePath(QStringLiteral("no-such-folder")));
    }();
    EXPECT_EQ(listFile, m_dir.filePath(QStringLiteral("corvane/pathlist.ini")));
    EXPECT_EQ(CConfigWatchdog::DefaultListFile(m_dir.path()), m_strList);
    CConfigWatchdog watchdog(listFile);
    ASSERT_TRUE(watchdog.SavePathList({QStringLiteral("/wc/a")}));
    EXPECT_EQ(ReadBytes(listFile), "/wc/a\r\n");
}

TEST_F(Saving, LinkAtTheListFileIsReplacedAndItsTargetLeftAlone) {
    const QString usersFile = m_dir.filePath(QStringLiteral("users-file"));
    WriteBytes(usersFile, "the user's own file\n");
    ASSERT_TRUE(QFile::link(usersFile, m_strList));
    ASSERT_TRUE(m_watchdog.SavePathList({QStringLiteral("/wc/a")}));
    EXPECT_EQ(ReadBytes(usersFile), "the user's own file\n");
    EXPECT_FALSE(QFileInfo(m_strList).isSymLink());
    EXPECT_EQ(ReadBytes(m_strList), "/wc/a\r\n");
}

TEST_F(Saving, FolderThatIsAFileChangesNothing) {
    WriteBytes(m_dir.filePath(QStringLiteral("folder")), "a file, not a folder\n");
    CConfigWatchdog watchdog(m_dir.filePath(QStringLiteral("folder/pathlist.ini")));
    watchdog.AddPath(QStringLiteral("/wc/a"), 12);
    EXPECT_FALSE(watchdog.SavePathList({QStringLiteral("/wc/b")}));
    ASSERT_EQ(watchdog.Records().size(), 1u);
    EXPECT_EQ(watchdog.GetCountdown(QStringLiteral("/wc/a")), 12);
    EXPECT_EQ(ReadBytes(m_dir.filePath(QStringLiteral("folder"))), "a file, not a folder\n");
}

TEST_F(Saving, WriteCutShortKeepsTheOldFileAndTheRecords) {
    QStringList manyPaths;
    for (int i = 0; i < 200; ++i)
        manyPaths.append(QStringLiteral("/home/user/projects/working-copy-%1").arg(i));
    if (const QString folder = LimitedChildFolder(); !folder.isEmpty()) {
        CConfigWatchdog watchdog(folder + QStringLiteral("/pathlist.ini"));
        ASSERT_TRUE(watchdog.LoadPathList());
        EXPECT_FALSE(watchdog.SavePathList(manyPaths));
        EXPECT_EQ(watchdog.Records().size(), 2u);
        EXPECT_EQ(watchdog.GetCountdown(QStringLiteral("/old/b")), 0);
        return;
    }
    WriteBytes(m_strList, "/old/a\n/old/b\n");
    EXPECT_TRUE(RunCurrentTestInLimitedChild(m_dir.path()));
    EXPECT_EQ(ReadBytes(m_strList), "/old/a\n/old/b\n");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"pathlist.ini"});
}

using OwnIntervals = WatchdogTest;

TEST_F(OwnIntervals, SurviveARestartPassOverBrokenLinesAndLeaveWithTheirFolder) {
    const QString intervals = m_dir.filePath(QStringLiteral("intervals.ini"));
    WriteBytes(m_strList, "/wc/a\n/wc/my b\n/wc/c\n");
    WriteBytes(intervals, "/wc/a\t5\n/wc/c\n\t15\n/wc/c\tlater\n/wc/c\t0\n/wc/gone\t240\n/wc/my b 1440\r\n");
    ASSERT_TRUE(m_watchdog.LoadPathList());
    EXPECT_EQ(m_watchdog.GetInterval(QStringLiteral("/wc/a")), 5);
    EXPECT_EQ(m_watchdog.GetInterval(QStringLiteral("/wc/my b")), 1440);
    EXPECT_EQ(m_watchdog.GetInterval(QStringLiteral("/wc/c")), 60);

    // A result restarts the countdown at the folder's interval; a change counts from that result.
    m_watchdog.SetPathResult(QStringLiteral("/wc/a"), QString(), UpToDate);
    EXPECT_EQ(m_watchdog.GetCountdown(QStringLiteral("/wc/a")), 5);
    m_watchdog.DecrementCountdowns(3);
    ASSERT_TRUE(m_watchdog.SetInterval(QStringLiteral("/wc/a"), 60));
    EXPECT_EQ(m_watchdog.GetCountdown(QStringLiteral("/wc/a")), 57);
    // Due since the load, c has waited past the shorter interval it is given.
    ASSERT_TRUE(m_watchdog.SetInterval(QStringLiteral("/wc/c"), 15));
    EXPECT_EQ(m_watchdog.Records()[2].m_iOverdue, 48);
    EXPECT_FALSE(m_watchdog.SetInterval(QStringLiteral("/wc/none"), 15));
    EXPECT_FALSE(m_watchdog.SetInterval(QStringLiteral("/wc/c"), 0));
    EXPECT_EQ(ReadBytes(intervals), "/wc/c\t15\r\n/wc/my b\t1440\r\n");

    CConfigWatchdog restarted(m_strList);
    ASSERT_TRUE(restarted.LoadPathList());
    EXPECT_EQ(restarted.GetInterval(QStringLiteral("/wc/c")), 15);
    EXPECT_EQ(restarted.GetInterval(QStringLiteral("/wc/a")), 60);

    // Saved without it, a folder loses its interval; the others keep theirs, due within it.
    ASSERT_TRUE(restarted.SavePathList({QStringLiteral("/wc/a"), QStringLiteral("/wc/c")}));
    EXPECT_EQ(ReadBytes(intervals), "/wc/c\t15\r\n");
    EXPECT_EQ(restarted.GetCountdown(QStringLiteral("/wc/c")), 15);
    EXPECT_EQ(restarted.GetCountdown(QStringLiteral("/wc/a")), 60);
}

TEST_F(OwnIntervals, IntervalPauseAndNamesFilesAreNeverWrittenThroughALink) {
    const QString usersFile = m_dir.filePath(QStringLiteral("users-file"));
    WriteBytes(usersFile, "the user's own file\n");
    const QString intervals = m_dir.filePath(QStringLiteral("intervals.ini"));
    const QString pause = m_dir.filePath(QStringLiteral("pause.ini"));
    const QString names = CNamesFile::Beside(m_strList);
    ASSERT_TRUE(QFile::link(usersFile, intervals));
    ASSERT_TRUE(QFile::link(usersFile, pause));
    ASSERT_TRUE(QFile::link(usersFile, names));
    m_watchdog.AddPath(QStringLiteral("/wc/a"), 0);

    ASSERT_TRUE(m_watchdog.SetInterval(QStringLiteral("/wc/a"), 5));
    const CPauseFile pauseFile(pause);
    ASSERT_TRUE(pauseFile.WritePause({true, {}}));
    ASSERT_TRUE(CNamesFile(names).WriteNames({QStringLiteral("Zoë Ann"), QStringLiteral("ann@example.org")}));

    EXPECT_EQ(ReadBytes(usersFile), "the user's own file\n");
    EXPECT_FALSE(QFileInfo(intervals).isSymLink());
    EXPECT_FALSE(QFileInfo(pause).isSymLink());
    EXPECT_FALSE(QFileInfo(names).isSymLink());
    EXPECT_EQ(ReadBytes(intervals), "/wc/a\t5\r\n");
    EXPECT_EQ(ReadBytes(pause), "until resumed\r\n");
    EXPECT_EQ(ReadBytes(names), "Zo\xc3\xab Ann\r\nann@example.org\r\n");
    // Ending the pause removes the link in its place, not what it points to.
    ASSERT_TRUE(QFile::remove(pause) && QFile::link(usersFile, pause));
    EXPECT_TRUE(pauseFile.Remove());
    EXPECT_FALSE(QFileInfo(pause).isSymLink());
    EXPECT_EQ(ReadBytes(usersFile), "the user's own file\n");
}

// A list written in an editor: a byte order mark, blank lines, blanks at the ends, any line end.
TEST_F(OwnIntervals, NamesReadAsTheUserWroteThem) {
    const QString names = CNamesFile::Beside(m_strList);
    EXPECT_TRUE(CNamesFile(names).ReadNames().isEmpty());
    WriteBytes(names, "\xef\xbb\xbf"
                      "ann\r\n\r\n  Ann  Lee \n\tbob@example.org\r\nZo\xc3\xab");
    EXPECT_EQ(CNamesFile(names).ReadNames(),
              (QStringList{"ann", "Ann  Lee", "bob@example.org", QStringLiteral("Zoë")}));
    for (const QString& name : {QString(), QStringLiteral(" ann"), QStringLiteral("ann\nbob")})
        EXPECT_FALSE(CNamesFile::CanHold(name)) << name.toStdString();
}

TEST_F(OwnIntervals, PauseSurvivesARestartAndABrokenLineIsPassedOver) {
    const QString pause = m_dir.filePath(QStringLiteral("pause.ini"));
    const CPauseFile pauseFile(pause);
    const QDateTime end = QDateTime::fromString(QStringLiteral("2026-12-08T19:30:00Z"), Qt::ISODate);
    ASSERT_TRUE(pauseFile.WritePause({false, end}));
    EXPECT_EQ(ReadBytes(pause), "until 2026-12-08T19:30:00Z\r\n");
    EXPECT_EQ(CPauseFile(pause).ReadPause(), (CheckPause{false, end}));

    WriteBytes(pause, "until tomorrow\nsoon\n until 2026-12-08T20:30:00+01:00 \n");
    EXPECT_EQ(CPauseFile(pause).ReadPause(), (CheckPause{false, end}));
    WriteBytes(pause, "until\n");
    EXPECT_FALSE(CPauseFile(pause).ReadPause().has_value());
    EXPECT_TRUE(pauseFile.Remove());
    EXPECT_FALSE(pauseFile.ReadPause().has_value());
    EXPECT_TRUE(pauseFile.Remove()) << "no file is left, as asked";
}

} // namespace
