// Where Windows differs from Linux: paths as svn prints them there, the list file of earlier versions
// in the ANSI code page, and children that end with their job.
#include "platform/CChildProcess.h"
#include "platform/CGuardedProcess.h"
#include "platform/FileSystem.h"
#include "platform/NetworkSource.h"
#include "platform/PathNames.h"
#include "settings/CPathListFile.h"
#include "support/AtOnce.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>

TEST(WindowsPaths, SvnsItemsLieBelowTheirTargetWhateverTheSeparatorAndCase) {
    struct Row {
        const char* folder;
        const char* path;
        std::optional<QString> below;
    };
    const Row rows[] = {
        {"C:\\wc", "C:\\wc\\dir\\file.txt", QStringLiteral("dir/file.txt")},
        {"c:/WC", "C:\\wc\\dir", QStringLiteral("dir")},
        {"C:\\wc\\", "C:\\wc\\a", QStringLiteral("a")},
        {"C:\\wc", "c:\\WC", QStringLiteral("")},
        {"C:\\", "C:\\wc", QStringLiteral("wc")},
        {"\\\\server\\share\\wc", "\\\\SERVER\\share\\wc\\sub\\x", QStringLiteral("sub/x")},
        {".", "dir\\file", QStringLiteral("dir/file")},
        // A name that only begins like the folder is beside it, not below.
        {"C:\\wc", "C:\\wc2\\a", std::nullopt},
        {"C:\\wc", "D:\\wc\\a", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(platform::PathBelowFolder(QString::fromUtf8(row.folder), QString::fromUtf8(row.path)),
                  row.below)
            << row.folder << " " << row.path;
}

TEST(WindowsPaths, TrailingBackslashDriveOrShareNamesNoSingleEntry) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString native = QDir::toNativeSeparators(folder.path());
    QString name = QStringLiteral("kept");
    EXPECT_FALSE(platform::FindSingleEntry(native + QLatin1Char('\\'), name));
    EXPECT_FALSE(platform::FindSingleEntry(native.left(3), name)); // "C:\"
    EXPECT_FALSE(platform::FindSingleEntry(native + QStringLiteral("\\*"), name));
    EXPECT_EQ(name, QStringLiteral("kept"));
    // Found under any case, the entry keeps its own.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Café")));
    EXPECT_TRUE(platform::FindSingleEntry(native + QStringLiteral("\\CAFÉ"), name));
    EXPECT_EQ(name, QStringLiteral("Café"));
}

// Earlier lists were written in the ANSI code page (here 1252, as Wine's and Western Windows'), and
// some with '/' between a path's names; a list Corvane saves is UTF-8 and keeps letters that no code
// page holds.
TEST(WindowsText, AnsiListStillReadsAndSavedListKeepsEveryLetter) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("pathlist.ini"));
    QFile ansi(file);
    ASSERT_TRUE(ansi.open(QIODevice::WriteOnly));
    ansi.write("C:\\Projets\\caf\xe9\r\nC:/wc/slashed\r\n");
    ansi.close();
    const CPathListFile list(file);
    EXPECT_EQ(list.ReadPaths(),
              QStringList({QStringLiteral("C:\\Projets\\café"), QStringLiteral("C:\\wc\\slashed")}));

    const QStringList paths{QStringLiteral("C:\\Проекты\\wc"), QStringLiteral("C:\\caf\u00e9 \u65e5\u672c")};
    ASSERT_TRUE(list.WritePaths(paths));
    EXPECT_EQ(list.ReadPaths(), paths);
}

// The Network List Manager answers at once, or the reach stays unknown; a second source made after
// the first has gone (COM taken up and let go again) answers the same.
TEST(WindowsNetwork, SystemSourceAnswersWithOneOfTheThreeReaches) {
    using platform::NetworkReach;
    NetworkReach first = NetworkReach::Unknown;
    {
        const auto pSource = platform::MakeSystemNetworkSource();
        first = pSource->Reach();
        EXPECT_TRUE(first == NetworkReach::Unknown || first == NetworkReach::Offline ||
                    first == NetworkReach::Online)
            << static_cast<int>(first);
    }
    EXPECT_EQ(platform::MakeSystemNetworkSource()->Reach(), first);
}

// The child is cmd.exe, and the ping it starts a grandchild: the job ends both with the run.
TEST(WindowsJob, KilledChildTakesWhatItStartedWithIt) {
    const QString marker = QStringLiteral("ping -n 300 127.0.0.1");
    {
        platform::CChildProcess child;
        ASSERT_TRUE(child.Start({QStringLiteral("cmd.exe"), QStringLiteral("/c"), marker}));
        for (int i = 0; i < 1500 && ProcessesWhoseCommandLineHolds(marker).size() < 2; ++i)
            QThread::msleep(20);
        ASSERT_EQ(ProcessesWhoseCommandLineHolds(marker).size(), 2) << "cmd and its ping";
        child.Kill();
    }
    const auto deadline = std::chrono::steady_clock::now() + kAtOnce;
    while (!ProcessesWhoseCommandLineHolds(marker).isEmpty() && std::chrono::steady_clock::now() < deadline)
        QThread::msleep(20);
    EXPECT_TRUE(ProcessesWhoseCommandLineHolds(marker).isEmpty()) << "a grandchild outlived the run";
}

// The update window's svn: its output arrives as it runs, and its end with svn's own status; a run
// that is killed is followed by the repair command.
TEST(WindowsUpdate, SvnUpdateReportsItsOutputAndEndAndAKilledOneIsRepaired) {
    int argc = 0;
    QCoreApplication application(argc, nullptr);
    CSvnSandbox sandbox;
    ASSERT_TRUE(sandbox.CreateRepository()) << sandbox.LastError().toStdString();
    const QString alice = sandbox.Checkout(QStringLiteral("alice"));
    const QString bob = sandbox.Checkout(QStringLiteral("bob"));
    ASSERT_FALSE(alice.isEmpty() || bob.isEmpty()) << sandbox.LastError().toStdString();
    ASSERT_GT(sandbox.Commit(bob, QStringLiteral("bob"), QStringLiteral("b.txt"), "b\n"), 0);

    platform::CGuardedProcess update;
    QSignalSpy finished(&update, &platform::CGuardedProcess::Finished);
    ASSERT_TRUE(
        update.Start({QStringLiteral("svn.exe"), QStringLiteral("update"), QStringLiteral("--"), alice}, {},
                     std::chrono::seconds(5)))
        << update.ErrorString().toStdString();
    ASSERT_TRUE(update.WaitForFinished(std::chrono::seconds(60)));
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 0);
    EXPECT_FALSE(finished.at(0).at(1).toBool());
    EXPECT_TRUE(update.ReadAll().contains("Updated to revision 1")) << "svn's output";

    // A program that never ends on its own: killed, it is followed by the repair, which leaves a trace.
    const QString marker = QStringLiteral("ping -n 300 127.0.0.1");
    const QString trace = sandbox.Folder() + QStringLiteral("/repaired");
    ASSERT_TRUE(update.Start({QStringLiteral("cmd.exe"), QStringLiteral("/c"), marker},
                             {QStringLiteral("cmd.exe"), QStringLiteral("/c"),
                              QStringLiteral("echo done>") + QDir::toNativeSeparators(trace)},
                             std::chrono::seconds(30)));
    update.Kill();
    ASSERT_TRUE(update.WaitForFinished(std::chrono::seconds(30)));
    EXPECT_TRUE(finished.last().at(1).toBool()) << "reported as killed";
    for (int i = 0; i < 1500 && !QFile::exists(trace); ++i)
        QThread::msleep(20);
    EXPECT_TRUE(QFile::exists(trace)) << "the repair never ran";
    EXPECT_TRUE(ProcessesWhoseCommandLineHolds(marker).isEmpty());
}
