#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "platform/CThreadStarter.h"
#include "platform/NetworkSource.h"
#include "platform/QtNotifyArea.h"
#include "settings/CAppSettings.h"
#include "settings/CConfigWatchdog.h"
#include "settings/MyLogFile.h"
#include "support/AtOnce.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"
#include "support/PlaceProgram.h"
#include "ui/CAboutDlg.h"
#include "ui/CDialogTemplate.h"
#include "ui/CNamesDlg.h"
#include "ui/CPathList.h"
#include "ui/CRecordingNotifyArea.h"
#include "ui/CReportDlg.h"
#include "ui/CUpdateWindow.h"
#include "ui/CWatchdogDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kWaitMs = 30000;

// A notification area that records every request and whether it came from the UI thread.
class CUiThreadNotifyArea final : public platform::CNotifyArea {
public:
    bool Add(const platform::NotifyIconData& data) override {
        Note();
        return m_Recorder.Add(data);
    }
    bool Modify(const platform::NotifyIconData& data) override {
        Note();
        return m_Recorder.Modify(data);
    }
    bool Delete(const platform::NotifyIconData& data) override {
        Note();
        return m_Recorder.Delete(data);
    }
    bool SetMenu(const platform::NotifyIconData& data,
                 const std::vector<platform::NotifyMenuItem>& items) override {
        Note();
        return m_Recorder.SetMenu(data, items);
    }

    CRecordingNotifyArea m_Recorder;
    bool m_bAllOnUiThread = true;

private:
    void Note() { m_bAllOnUiThread = m_bAllOnUiThread && QThread::currentThread() == qApp->thread(); }
};

// A network whose reach the test sets; it keeps the frame's listener as the system's source would.
class CRecordingNetworkSource final : public platform::CNetworkSource {
public:
    platform::NetworkReach Reach() const override { return m_Reach; }
    void OnChange(std::function<void(platform::NetworkReach)> onChange) override {
        m_OnChange = std::move(onChange);
    }

    void Become(platform::NetworkReach reach) {
        m_Reach = reach;
        if (m_OnChange)
            m_OnChange(reach);
    }

    platform::NetworkReach m_Reach = platform::NetworkReach::Unknown;
    std::function<void(platform::NetworkReach)> m_OnChange;
};

// The application's part: the commands that the frame passes on.
class CRecordingTarget final : public CCommandTarget {
public:
    void OnCommand(unsigned nId) override { m_Commands.push_back(nId); }
    std::vector<unsigned> m_Commands;
};

// A thread starter that never starts a thread.
class CFailingThreadStarter final : public CThreadStarter {
public:
    bool Start(std::function<void()>, std::thread&) override { return false; }
};

// The dialogs of this kind that are open. None of them may be modal: a modal one would block the
// tray icon.
template <class Dialog> QList<Dialog*> OpenDialogs() {
    QList<Dialog*> dialogs;
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        auto* pDialog = qobject_cast<Dialog*>(pWidget);
        if (pDialog != nullptr && pDialog->isVisible()) {
            EXPECT_FALSE(pDialog->isModal());
            dialogs.append(pDialog);
        }
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    return dialogs;
}

void Click(QWidget* pDialog, const QString& text) {
    for (QPushButton* pButton : pDialog->findChildren<QPushButton*>()) {
        if (pButton->text() == text)
            return pButton->click();
    }
    ADD_FAILURE() << "no button " << text.toStdString();
}

// A frame over a recording notification area and a list file in a temporary folder, with the noting
// stand-in for svn first on the PATH.
class MainFrameTest : public testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(m_Dir.isValid());
        ASSERT_TRUE(QDir().mkpath(m_Dir.filePath(QStringLiteral("bin"))));
        ASSERT_TRUE(PlaceNotingSvn(m_Dir.filePath(QStringLiteral("bin")), QStringLiteral("svn")));
        g_iNextPathLine = 0;
        g_bReportOpen = false;
        ASSERT_TRUE(theLogFile.SwitchOn(m_strActivityLog, false, true));
    }

    void TearDown() override { theLogFile.Close(); }

    // A folder of the test's, as the system writes it, as the watch list keeps it.
    QString Folder(const QString& name) const { return QDir::toNativeSeparators(m_Dir.filePath(name)); }

    void WriteList(const QStringList& paths) {
        QFile list(m_strListFile);
        ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QString& path : paths)
            list.write(path.toLocal8Bit() + "\n");
    }

    // A frame on the test's clock.
    std::unique_ptr<CMainFrame>
    MakeFrame(std::unique_ptr<CThreadStarter> pStarter = std::make_unique<CThreadStarter>()) {
        auto pFrame = std::make_unique<CMainFrame>(m_Area, m_Target, m_strListFile, std::move(pStarter));
        pFrame->SetClock([this] { return m_Now; });
        return pFrame;
    }

    // The tool tips the icon has shown, in order.
    QStringList Tips() const {
        QStringList tips;
        for (const CRecordingNotifyArea::Entry& entry : m_Area.m_Recorder.Requests()) {
            if (entry.m_Data.m_uFlags & platform::kNotifyFlagTip)
                tips << entry.m_Data.m_strTip;
        }
        return tips;
    }

    // The targets the fake svn has been run on so far, in order.
    QStringList SvnRuns() const {
        QFile log(m_strSvnLog);
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The folders whose checks were queued so far, in order, as the activity log has them.
    QStringList Launches() const {
        static const QRegularExpression launched(
            QStringLiteral("OnTimer\\(\\) path = (.*) countdown = 0 -> launched\\."));
        QFile log(m_strActivityLog);
        if (!log.open(QIODevice::ReadOnly))
            return {};
        QStringList paths;
        QRegularExpressionMatchIterator match = launched.globalMatch(QString::fromLocal8Bit(log.readAll()));
        while (match.hasNext())
            paths.append(match.next().captured(1));
        return paths;
    }

    // Waits until the frame has no check queued or running.
    static bool Settle(CMainFrame& frame) {
        return QTest::qWaitFor([&] { return !frame.HasPendingChecks(); }, kWaitMs);
    }

    // As Settle, then delivers what the checks posted, but runs no timer: on a slow machine (or
    // under Wine) the frame's own minute would otherwise add ticks to the test's.
    static bool SettleWithoutTimers(CMainFrame& frame) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (frame.HasPendingChecks()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(1ms);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        return true;
    }

    // Creates the frame (tick 0) and runs the ticks up to lastTick a minute apart, letting each check
    // end within its tick; beforeTick runs before each. The ticks at which each folder was checked.
    std::map<QString, std::vector<int>> RunTicks(CMainFrame& frame, int lastTick,
                                                 const std::function<void(int)>& beforeTick = {}) {
        std::map<QString, std::vector<int>> launches;
        qsizetype seen = 0;
        for (int tick = 0; tick <= lastTick; ++tick) {
            if (beforeTick)
                beforeTick(tick);
            if (tick == 0) {
                EXPECT_EQ(frame.OnCreate(), 0);
            } else {
                m_Now = m_Now.addSecs(60);
                frame.OnTimer(CMainFrame::CHECK_TIMER_ID);
            }
            EXPECT_TRUE(SettleWithoutTimers(frame));
            const QStringList queued = Launches();
            for (; seen < queued.size(); ++seen)
                launches[queued[seen]].push_back(tick);
        }
        return launches;
    }

    QTemporaryDir m_Dir;
    QDateTime m_Now = QDateTime::fromString(QStringLiteral("2026-12-08T09:00:00Z"), Qt::ISODate);
    const QString m_strListFile = m_Dir.filePath(QStringLiteral("pathlist.ini"));
    const QString m_strPauseFile = m_Dir.filePath(QStringLiteral("pause.ini"));
    const QString m_strSvnLog = m_Dir.filePath(QStringLiteral("svn.log"));
    const QString m_strGate = m_Dir.filePath(QStringLiteral("gate"));
    const QString m_strActivityLog = m_Dir.filePath(QStringLiteral("activity.log"));
    CScopedEnvironment m_Path{
        "PATH",
        QFile::encodeName(m_Dir.filePath(QStringLiteral("bin")) + QDir::listSeparator()) + qgetenv("PATH")};
    CScopedEnvironment m_SvnLog{"CORVANE_TEST_SVN_LOG", m_strSvnLog.toLocal8Bit()};
    CScopedEnvironment m_CacheHome{"XDG_CACHE_HOME", m_Dir.path().toLocal8Bit()};
    CUiThreadNotifyArea m_Area;
    CRecordingTarget m_Target;
};

using SchedulingTest = MainFrameTest;

TEST_F(SchedulingTest, ThreeFoldersAreCheckedOnePerTickAndEachAgainSixtyTicksLater) {
    const QString a = Folder("a"), b = Folder("b"), c = Folder("c");
    WriteList({a, b, c});
    auto pFrame = MakeFrame();

    std::map<QString, std::vector<int>> launches = RunTicks(*pFrame, 130);

    EXPECT_EQ(launches[a], (std::vector<int>{0, 60, 120}));
    EXPECT_EQ(launches[b], (std::vector<int>{1, 61, 121}));
    EXPECT_EQ(launches[c], (std::vector<int>{2, 62, 122}));
}

TEST_F(SchedulingTest, SevenFoldersAreCheckedEverySixtyThreeTicks) {
    QStringList folders;
    for (int i = 0; i < 7; ++i)
        folders << Folder(QStringLiteral("f%1").arg(i));
    WriteList(folders);
    auto pFrame = MakeFrame();

    std::map<QString, std::vector<int>> launches = RunTicks(*pFrame, 140);

    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(launches[folders[i]], (std::vector<int>{i, 63 + i, 126 + i})) << "folder " << i;
}

// What the user decides about the checks, tick by tick: each row names its folders (f0, f1, ...),
// sets up the files a start finds, acts before some ticks, and gives the ticks at which each folder's
// check was queued.
struct TickRow {
    const char* m_Name;
    QStringList m_Folders;
    QByteArray m_Intervals; // intervals.ini, "%1" standing for the test's folder
    QByteArray m_Pause;     // pause.ini
    int m_iLastTick;
    std::function<void(CMainFrame&, int, MainFrameTest&)> m_BeforeTick;
    std::map<QString, std::vector<int>> m_Expected;
};

QStringList Numbered(int count) {
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("f%1").arg(i);
    return names;
}

// intervals.ini giving the first count folders 5 minutes.
QByteArray EveryFiveMinutes(int count) {
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += "%1/f" + QByteArray::number(i) + "\t5\n";
    return lines;
}

// The machine sleeps for two hours before the tick.
std::function<void(CMainFrame&, int, MainFrameTest&)> TwoHoursBefore(int sleepTick) {
    return [sleepTick](CMainFrame&, int tick, MainFrameTest& test) {
        if (tick == sleepTick)
            test.m_Now = test.m_Now.addSecs(2 * 60 * 60);
    };
}

using TickTableTest = MainFrameTest;

TEST_F(TickTableTest, TheUsersChoicesShapeTheTicks) {
    using Reach = platform::NetworkReach;
    CRecordingNetworkSource network;
    CScopedEnvironment url("CORVANE_TEST_SVN_URL", "svn://127.0.0.1/repo");
    std::map<QString, std::vector<int>> twelve;
    for (int i = 0; i < 11; ++i)
        twelve[QStringLiteral("f%1").arg(i)] = {i};
    twelve[QStringLiteral("f11")] = {0, 5, 10, 15, 20, 25, 30};
    const std::vector<TickRow> rows = {
        {"paused, then resumed: the rotation stands still meanwhile",
         Numbered(3),
         {},
         {},
         66,
         [](CMainFrame& frame, int tick, MainFrameTest&) {
             if (tick == 1)
                 frame.OnCommand(CMainFrame::ID_PAUSE_UNTIL_RESUMED);
             if (tick == 5)
                 frame.OnCommand(CMainFrame::ID_RESUME_CHECKS);
         },
         {{"f0", {0, 61}}, {"f1", {5, 65}}, {"f2", {6, 66}}}},
        {"a pause that ended while the program was off",
         Numbered(2),
         {},
         "until 2026-12-08T08:50:00Z\n",
         1,
         {},
         {{"f0", {0}}, {"f1", {1}}}},
        {"a pause kept from the last run ends by itself",
         Numbered(2),
         {},
         "until 2026-12-08T09:03:00Z\n",
         4,
         {},
         {{"f0", {3}}, {"f1", {4}}}},
        {"a folder with a 5-minute interval in a list of 12",
         Numbered(12),
         "%1/f11\t5\n",
         {},
         30,
         {},
         twelve},
        {"at most one extra check per tick",
         Numbered(4),
         "%1/f0\t5\n%1/f1\t5\n%1/f2\t5\n%1/f3\t5\n",
         {},
         9,
         {},
         {{"f0", {0, 5}}, {"f1", {0, 5}}, {"f2", {1, 6}}, {"f3", {2, 7}}}},
        {"eight folders at 5 minutes in a list of 12: each is checked every 5 minutes",
         Numbered(12),
         EveryFiveMinutes(8),
         {},
         16,
         {},
         {{"f0", {0, 5, 10, 15}},
          {"f1", {0, 5, 10, 15}},
          {"f2", {0, 6, 11, 16}},
          {"f3", {1, 6, 11, 16}},
          {"f4", {1, 7, 12}},
          {"f5", {2, 7, 12}},
          {"f6", {2, 8, 13}},
          {"f7", {3, 8, 13}},
          {"f8", {8}},
          {"f9", {9}},
          {"f10", {10}},
          {"f11", {11}}}},
        {"two hours between two ticks: what became due is checked first",
         Numbered(3),
         {},
         {},
         11,
         TwoHoursBefore(10),
         {{"f0", {0, 10}}, {"f1", {1, 10}}, {"f2", {2, 11}}}},
        {"once caught up after two hours, one folder a minute again",
         Numbered(7),
         {},
         {},
         76,
         TwoHoursBefore(10),
         {{"f0", {0, 10, 70}},
          {"f1", {1, 11, 71}},
          {"f2", {2, 12, 72}},
          {"f3", {3, 10, 73}},
          {"f4", {4, 11, 74}},
          {"f5", {5, 12, 75}},
          {"f6", {6, 13, 76}}}},
        {"three minutes between two ticks count three, not one more",
         Numbered(1),
         {},
         {},
         58,
         [](CMainFrame&, int tick, MainFrameTest& test) {
             if (tick == 1)
                 test.m_Now = test.m_Now.addSecs(2 * 60);
         },
         {{"f0", {0, 58}}}},
        {"after two hours, the folder that waited longest past its interval goes first",
         Numbered(7),
         EveryFiveMinutes(1),
         {},
         32,
         TwoHoursBefore(20),
         {{"f0", {0, 5, 10, 15, 20, 26, 31}},
          {"f1", {1, 21}},
          {"f2", {2, 22}},
          {"f3", {3, 23}},
          {"f4", {4, 24}},
          {"f5", {5, 25}},
          {"f6", {6, 20}}}},
        {"a folder written into the list by hand is checked in its turn, one removed no more",
         Numbered(3),
         {},
         {},
         65,
         [](CMainFrame& frame, int tick, MainFrameTest& test) {
             const QStringList paths{test.Folder("f0"), test.Folder("f2"), test.Folder("late")};
             if (tick == 4)
                 test.WriteList(paths);
             if (tick == 5) {
                 QStringList recorded;
                 for (const CSVNPath& record : frame.Watchdog().Records())
                     recorded << record.m_strPath;
                 EXPECT_EQ(recorded, paths);
                 EXPECT_EQ(frame.Watchdog().Records().back().m_iState, Waiting);
             }
         },
         {{"f0", {0, 60}}, {"f1", {1}}, {"f2", {2, 64}}, {"late", {5, 65}}}},
        {"offline: scheduled checks wait, but not for a file:// repository; online: what waited goes first",
         {"f0", "local", "f2"},
         {},
         {},
         5,
         [&network](CMainFrame& frame, int tick, MainFrameTest& test) {
             if (tick == 0) {
                 network.Become(Reach::Offline);
                 frame.SetNetworkSource(&network);
             }
             if (tick == 4) {
                 EXPECT_EQ(test.Tips().back(), QStringLiteral("Offline: checks wait"));
                 for (const CSVNPath& record : frame.Watchdog().Records())
                     EXPECT_EQ(record.m_iState,
                               record.m_strPath.endsWith(QStringLiteral("local")) ? ErrorNetwork : Waiting)
                         << record.m_strPath.toStdString();
                 EXPECT_FALSE(test.SvnRuns().contains(QStringLiteral("svn://127.0.0.1/repo")));
                 network.Become(Reach::Online);
                 EXPECT_EQ(test.Tips().back(), QStringLiteral("This is a Corvane Icon - Right click on me!"));
             }
         },
         {{"f0", {0, 3, 4}}, {"local", {1}}, {"f2", {2, 5}}}},
    };
    for (const TickRow& row : rows) {
        SCOPED_TRACE(row.m_Name);
        g_iNextPathLine = 0;
        theLogFile.Close();
        QFile::remove(m_strActivityLog);
        QFile::remove(m_strSvnLog);
        ASSERT_TRUE(theLogFile.SwitchOn(m_strActivityLog, false, true));
        QStringList paths;
        for (const QString& name : row.m_Folders)
            paths << Folder(name);
        WriteList(paths);
        QFile intervals(m_Dir.filePath(QStringLiteral("intervals.ini")));
        ASSERT_TRUE(intervals.open(QIODevice::WriteOnly | QIODevice::Truncate));
        intervals.write(
            QString::fromLatin1(row.m_Intervals).replace(QStringLiteral("%1"), m_Dir.path()).toLocal8Bit());
        intervals.close();
        QFile::remove(m_strPauseFile);
        if (!row.m_Pause.isEmpty()) {
            QFile pause(m_strPauseFile);
            ASSERT_TRUE(pause.open(QIODevice::WriteOnly));
            pause.write(row.m_Pause);
        }
        m_Now = QDateTime::fromString(QStringLiteral("2026-12-08T09:00:00Z"), Qt::ISODate);
        auto pFrame = MakeFrame();

        const std::map<QString, std::vector<int>> launches =
            RunTicks(*pFrame, row.m_iLastTick, [&](int tick) {
                if (row.m_BeforeTick)
                    row.m_BeforeTick(*pFrame, tick, *this);
            });

        std::map<QString, std::vector<int>> expected;
        for (const auto& [name, ticks] : row.m_Expected)
            expected[Folder(name)] = ticks;
        EXPECT_EQ(launches, expected);
        EXPECT_FALSE(pFrame->Pause().has_value());
        EXPECT_FALSE(QFile::exists(m_strPauseFile));
        pFrame.reset();
    }
}

// Beyond 60 folders the turns take as many a minute as come round the whole list within the hour.
TEST_F(SchedulingTest, HundredTwentyFoldersAreEachCheckedWithinTheHourAndAnHourLaterAgain) {
    QStringList folders;
    for (const QString& name : Numbered(120))
        folders << Folder(name);
    WriteList(folders);
    // Without svn each check ends at once, which keeps 122 of them quick under Wine too.
    const CScopedEnvironment path("PATH", m_Dir.filePath(QStringLiteral("nothing")).toLocal8Bit());
    auto pFrame = MakeFrame();

    std::map<QString, std::vector<int>> launches = RunTicks(*pFrame, 60);

    for (int i = 0; i < 120; ++i)
        EXPECT_EQ(launches[folders[i]], (i < 2 ? std::vector<int>{0, 60} : std::vector<int>{i / 2}))
            << "folder " << i;
}

TEST_F(SchedulingTest, FolderWhoseCheckHasNotEndedIsNotQueuedAgain) {
    const QString slow = Folder("slow"), other = Folder("other");
    WriteList({slow, other});
    CScopedEnvironment gate("CORVANE_TEST_SVN_GATE", m_strGate.toLocal8Bit());
    auto pFrame = MakeFrame();

    ASSERT_EQ(pFrame->OnCreate(), 0); // slow: running
    ASSERT_TRUE(QTest::qWaitFor([&] { return SvnRuns().contains(slow); }, kWaitMs));
    pFrame->OnTimer(CMainFrame::CHECK_TIMER_ID); // other: queued behind it
    for (int tick = 2; tick <= 9; ++tick)
        pFrame->OnTimer(CMainFrame::CHECK_TIMER_ID);
    QFile(m_strGate).open(QIODevice::WriteOnly);
    ASSERT_TRUE(Settle(*pFrame));

    EXPECT_EQ(Launches(), (QStringList{slow, other}));
    EXPECT_EQ(SvnRuns(), (QStringList{slow, other}));
}

TEST_F(SchedulingTest, ClosingTheWatchListRestartsEveryCountdownAndTicksOnce) {
    const QString a = Folder("a"), b = Folder("b");
    WriteList({a, b});
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0); // a is checked, b is due next
    ASSERT_TRUE(Settle(*pFrame));

    pFrame->OnCommand(CMainFrame::ID_WATCHDOG_SETTINGS);
    const QList<CWatchdogDlg*> dialogs = OpenDialogs<CWatchdogDlg>();
    ASSERT_EQ(dialogs.size(), 1);
    const int lineWhileOpen = g_iNextPathLine;
    pFrame->OnTimer(CMainFrame::CHECK_TIMER_ID);
    // No check starts while the list is open, but the countdowns keep falling.
    EXPECT_TRUE(Settle(*pFrame));
    EXPECT_EQ(Launches(), QStringList{a});
    EXPECT_EQ(pFrame->Watchdog().GetCountdown(a), 59);
    EXPECT_EQ(g_iNextPathLine, lineWhileOpen);
    Click(dialogs.front(), QStringLiteral("&Close"));

    // Remade at 60, then one extra tick at once.
    for (const CSVNPath& record : pFrame->Watchdog().Records()) {
        EXPECT_EQ(record.m_iState, Waiting);
        EXPECT_EQ(record.m_iCountdown, 59);
    }
    EXPECT_EQ(g_iNextPathLine, lineWhileOpen + 1);
    EXPECT_EQ(Launches(), QStringList{a});
}

// A second list would save the folders as they were when it opened, undoing the first one's edits.
TEST_F(SchedulingTest, SecondWatchdogSettingsBringsTheOpenListBackWithItsEdits) {
    const QString a = Folder("a"), b = Folder("b");
    WriteList({a});
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);
    ASSERT_TRUE(Settle(*pFrame));

    pFrame->OnCommand(CMainFrame::ID_WATCHDOG_SETTINGS);
    const QList<CWatchdogDlg*> dialogs = OpenDialogs<CWatchdogDlg>();
    ASSERT_EQ(dialogs.size(), 1);
    CDialogTemplate::Control<CPathList>(*dialogs.front(), CWatchdogDlg::IDC_LIST_PATHS)->AddPathItem(b);
    dialogs.front()->showMinimized();
    pFrame->OnCommand(CMainFrame::ID_WATCHDOG_SETTINGS);
    EXPECT_EQ(OpenDialogs<CWatchdogDlg>(), dialogs);
    EXPECT_FALSE(dialogs.front()->isMinimized());
    const QPointer<CWatchdogDlg> pFirst = dialogs.front();
    Click(pFirst, QStringLiteral("&Close"));

    QFile list(m_strListFile);
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), (a + QStringLiteral("\r\n") + b + QStringLiteral("\r\n")).toLocal8Bit());
    // Once it has closed, the command opens a new one.
    pFrame->OnCommand(CMainFrame::ID_WATCHDOG_SETTINGS);
    const QList<CWatchdogDlg*> reopened = OpenDialogs<CWatchdogDlg>();
    ASSERT_EQ(reopened.size(), 1);
    EXPECT_FALSE(pFirst && pFirst == reopened.front()) << "the closed one was shown again";
}

TEST_F(SchedulingTest, WatchListStillOpenWhenTheFrameGoesSavesNothing) {
    const QString a = Folder("a");
    WriteList({a});
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);
    pFrame->OnCommand(CMainFrame::ID_WATCHDOG_SETTINGS);
    QList<CWatchdogDlg*> dialogs = OpenDialogs<CWatchdogDlg>();
    ASSERT_EQ(dialogs.size(), 1);
    QPointer<CWatchdogDlg> pDialog = dialogs.front();

    pFrame.reset();

    EXPECT_TRUE(pDialog.isNull());
    QFile list(m_strListFile);
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), a.toLocal8Bit() + "\n");
}

TEST_F(SchedulingTest, LaunchIsWrittenToTheActivityLog) {
    const QString a = Folder("a");
    WriteList({a});
    {
        auto pFrame = MakeFrame();
        ASSERT_EQ(pFrame->OnCreate(), 0);
        pFrame->OnTimer(CMainFrame::CHECK_TIMER_ID);
        ASSERT_TRUE(Settle(*pFrame));
    }
    QFile log(m_strActivityLog);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromLocal8Bit(log.readAll());
    EXPECT_EQ(text.count(QStringLiteral("-> launched.")), 1);
    EXPECT_TRUE(text.contains(QStringLiteral("OnTimer() path = %1 countdown = 0 -> launched.\n").arg(a)));
    // The frame's end closes the log.
    EXPECT_TRUE(text.contains(QStringLiteral("Logfile is terminate..")));
}

using StartUpTest = MainFrameTest;

TEST_F(StartUpTest, IconAppearsAsQuestionMarkThenRestingIcon) {
    WriteList({});
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);

    const std::vector<platform::IconHandle> icons = m_Area.m_Recorder.IconsShown();
    ASSERT_EQ(icons.size(), 2u);
    EXPECT_EQ(icons[0], platform::IconHandle::StockQuestion());
    EXPECT_EQ(icons[1], platform::IconHandle::FromResource(128));
    EXPECT_EQ(m_Area.m_Recorder.Requests().front().m_Data.m_strTip,
              QStringLiteral("This is a Corvane Icon - Right click on me!"));
}

TEST_F(StartUpTest, TheTipSaysHowToAddFoldersWhileTheListIsEmpty) {
    const QString plain = QStringLiteral("This is a Corvane Icon - Right click on me!");
    const QString hint = plain + QStringLiteral("\nNo folders watched yet: add them in Watchdog settings.");
    WriteList({});
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);
    EXPECT_EQ(Tips(), (QStringList{plain, hint}));

    pFrame->OnCommand(CMainFrame::ID_WATCHDOG_SETTINGS);
    QList<CWatchdogDlg*> dialogs = OpenDialogs<CWatchdogDlg>();
    ASSERT_EQ(dialogs.size(), 1);
    CDialogTemplate::Control<CPathList>(*dialogs.front(), CWatchdogDlg::IDC_LIST_PATHS)
        ->AddPathItem(Folder("a"));
    Click(dialogs.front(), QStringLiteral("&Close"));
    EXPECT_EQ(Tips(), (QStringList{plain, hint, plain}));

    // Closed again unchanged, the list sends no tip.
    pFrame->OnCommand(CMainFrame::ID_WATCHDOG_SETTINGS);
    dialogs = OpenDialogs<CWatchdogDlg>();
    ASSERT_EQ(dialogs.size(), 1);
    Click(dialogs.front(), QStringLiteral("&Close"));
    EXPECT_EQ(Tips().size(), 3);
}

TEST_F(StartUpTest, WithoutSvnOnThePathTheStartSaysSoOnceAndTheChecksGoOn) {
    const QString a = Folder("a"), b = Folder("b");
    WriteList({a, b});
    CScopedEnvironment path("PATH", m_Dir.filePath(QStringLiteral("nothing")).toLocal8Bit());
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);
    ASSERT_TRUE(Settle(*pFrame));
    pFrame->OnTimer(CMainFrame::CHECK_TIMER_ID);
    ASSERT_TRUE(Settle(*pFrame));

    const QList<QMessageBox*> boxes = OpenDialogs<QMessageBox>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(
        boxes.front()->text(),
        QStringLiteral("This program needs Subversion installed,\n and added in the PATH env variable."));
    EXPECT_EQ(boxes.front()->windowTitle(), QStringLiteral("Corvane"));
    EXPECT_EQ(Launches(), (QStringList{a, b}));
    for (const CSVNPath& record : pFrame->Watchdog().Records())
        EXPECT_EQ(record.m_iState, ErrorLocal) << record.m_strPath.toStdString();
    // With svn found, nothing is said.
    boxes.front()->accept();
    pFrame.reset();
    const CScopedEnvironment found("PATH", m_Dir.filePath(QStringLiteral("bin")).toLocal8Bit());
    pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);
    EXPECT_TRUE(OpenDialogs<QMessageBox>().isEmpty());
}

TEST_F(StartUpTest, LeftClickOnTheIconOpensTheReport) {
    WriteList({});
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);

    m_Area.m_Recorder.Click(platform::kLeftButtonUp);

    EXPECT_EQ(OpenDialogs<CReportDlg>().size(), 1);
}

TEST_F(StartUpTest, IconThatCannotBeAddedFailsTheCreationAndChecksNothing) {
    WriteList({Folder("a")});
    m_Area.m_Recorder.RefuseAdds();
    auto pFrame = MakeFrame();

    EXPECT_EQ(pFrame->OnCreate(), -1);
    pFrame->OnTimer(CMainFrame::CHECK_TIMER_ID);

    EXPECT_FALSE(pFrame->HasPendingChecks());
    pFrame.reset();
    EXPECT_TRUE(Launches().isEmpty());
    EXPECT_TRUE(SvnRuns().isEmpty());
}

TEST_F(StartUpTest, QueueThatCannotStartLaunchesNoCheck) {
    WriteList({Folder("a")});
    auto pFrame = MakeFrame(std::make_unique<CFailingThreadStarter>());

    EXPECT_EQ(pFrame->OnCreate(), 0);
    for (int tick = 1; tick <= 3; ++tick)
        pFrame->OnTimer(CMainFrame::CHECK_TIMER_ID);

    EXPECT_FALSE(pFrame->HasPendingChecks());
    EXPECT_TRUE(Launches().isEmpty());
    EXPECT_TRUE(SvnRuns().isEmpty());
    // The countdowns still fall.
    EXPECT_EQ(pFrame->Watchdog().Records().size(), 1u);
}

TEST_F(StartUpTest, SettingsAreLoadedFromTheCurrentFolderAndAdjusted) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_Dir.path()));
    QFile settings(QStringLiteral("Corvane.xml"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(
        "<?xml version=\"1.0\" ?>\n<Corvane>\n    <paths>\n        <mine>/srv/mine</mine>\n"
        "    </paths>\n    <Subversion bAutomaticUpdate=\"1\" iTimerMilisec=\"1000\" />\n</Corvane>\n");
    settings.close();

    auto pFrame = MakeFrame();
    QDir::setCurrent(previous);

    EXPECT_EQ(theSettings.m_strName, "Corvane");
    EXPECT_EQ(theSettings.iTimerMilisec, 60000);
    EXPECT_EQ(theSettings.bAutomaticUpdate, 1);
    EXPECT_EQ(theSettings.m_mapPaths,
              (std::map<std::string, std::string>{{"path1", "chemin\\du\\projet-1"},
                                                  {"path2", "chemin\\du\\projet-2"}}));
}

TEST_F(StartUpTest, FrameDestroyedDuringAHungCheckEndsItAtOnceAndDropsTheQueuedOnes) {
    const QString hung = Folder("hung"), queued = Folder("queued");
    WriteList({hung, queued});
    // The gate never opens, so this svn would run until the time limit.
    CScopedEnvironment gate("CORVANE_TEST_SVN_GATE", m_strGate.toLocal8Bit());
    const QList<qint64> childrenBefore = ChildProcessIds();
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return SvnRuns().contains(hung); }, kWaitMs));
    pFrame->OnTimer(CMainFrame::CHECK_TIMER_ID);
    // Should the frame wait for the check after all, the gate opens after a while, so that the test
    // fails rather than hangs.
    std::jthread opener([this](std::stop_token stopToken) {
        std::mutex mutex;
        std::condition_variable_any never;
        std::unique_lock lock(mutex);
        never.wait_for(lock, stopToken, std::chrono::milliseconds(kWaitMs), [] { return false; });
        if (!stopToken.stop_requested())
            QFile(m_strGate).open(QIODevice::WriteOnly);
    });

    const auto start = std::chrono::steady_clock::now();
    pFrame.reset();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    opener.request_stop();

    EXPECT_LT(elapsed, kAtOnce);
    RecordProperty("destroy_us",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()));
    EXPECT_EQ(ChildProcessIds(), childrenBefore) << "svn was left behind";
    EXPECT_EQ(Launches(), (QStringList{hung, queued}));
    EXPECT_EQ(SvnRuns(), QStringList{hung});
}

using CommandTest = MainFrameTest;

TEST_F(CommandTest, CommandsOfTheApplicationArePassedOn) {
    WriteList({});
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);

    pFrame->OnCommand(57664);
    pFrame->OnCommand(57665);

    EXPECT_EQ(m_Target.m_Commands, (std::vector<unsigned>{57664, 57665}));
}

TEST_F(CommandTest, ApplicationSettingsOnlyShowsTheMessage) {
    WriteList({});
    auto pFrame = MakeFrame();

    pFrame->OnCommand(CMainFrame::ID_APPLICATION_SETTINGS);

    const QList<QMessageBox*> boxes = OpenDialogs<QMessageBox>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.front()->text(), QStringLiteral("Seetings are not ready yet .."));
    EXPECT_EQ(boxes.front()->windowTitle(), QStringLiteral("Corvane"));
    EXPECT_EQ(boxes.front()->standardButtons(), QMessageBox::Ok);
    EXPECT_TRUE(m_Target.m_Commands.empty());
    boxes.front()->accept();
    EXPECT_TRUE(OpenDialogs<QMessageBox>().isEmpty());
}

// Names that svn cannot know (one shared account) are the user's own once listed here.
TEST_F(CommandTest, YourNamesOpensOneListAtATimeWhoseNamesTheChecksTake) {
    WriteList({});
    auto pFrame = MakeFrame();
    pFrame->OnCommand(CMainFrame::ID_YOUR_NAMES);
    pFrame->OnCommand(CMainFrame::ID_YOUR_NAMES);
    const QList<CNamesDlg*> dialogs = OpenDialogs<CNamesDlg>();
    ASSERT_EQ(dialogs.size(), 1);
    // Enter adds what was typed, once, without its blanks; it does not close the list.
    auto* field = dialogs.front()->findChild<QLineEdit*>();
    for (const char* typed : {" alice ", "alice", "shared@example.org"}) {
        QTest::keyClicks(field, QString::fromUtf8(typed));
        QTest::keyClick(field, Qt::Key_Return);
    }
    Click(dialogs.front(), QStringLiteral("&Close"));

    QFile names(m_Dir.filePath(QStringLiteral("names.ini")));
    ASSERT_TRUE(names.open(QIODevice::ReadOnly));
    EXPECT_EQ(names.readAll(), "alice\r\nshared@example.org\r\n");
    EXPECT_EQ(pFrame->OwnNames(), (QStringList{"alice", "shared@example.org"}));
}

TEST_F(CommandTest, CheckAllNowChecksEachFolderOnceAndTheTipCountsTheResults) {
    const QString a = Folder("a"), b = Folder("b"), c = Folder("c");
    WriteList({a, b, c});
    CScopedEnvironment gate("CORVANE_TEST_SVN_GATE", m_strGate.toLocal8Bit());
    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0); // a: queued by the timer, held by the gate
    pFrame->OnCommand(CMainFrame::ID_REPORT);
    const QList<CReportDlg*> reports = OpenDialogs<CReportDlg>();
    ASSERT_EQ(reports.size(), 1);

    pFrame->OnCommand(CMainFrame::ID_CHECK_ALL_NOW);
    EXPECT_EQ(Tips().back(), QStringLiteral("Checking 1 of 3"));
    pFrame->OnCommand(CMainFrame::ID_CHECK_ALL_NOW); // nothing more to queue
    QFile(m_strGate).open(QIODevice::WriteOnly);

    const QString resting = QStringLiteral("This is a Corvane Icon - Right click on me!");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Tips().back() == resting; }, kWaitMs));
    EXPECT_EQ(Tips(),
              (QStringList{resting, "Checking 1 of 3", "Checking 2 of 3", "Checking 3 of 3", resting}));
    QStringList runs = SvnRuns();
    runs.sort();
    EXPECT_EQ(runs, (QStringList{a, b, c}));
    EXPECT_EQ(Launches(), QStringList{a});
    // Each countdown restarts, and the open report shows each outcome.
    auto* list = reports.front()->findChild<QTreeWidget*>();
    for (const CSVNPath& record : pFrame->Watchdog().Records())
        EXPECT_EQ(record.m_iCountdown, 60);
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        EXPECT_EQ(list->topLevelItem(i)->text(1), QStringLiteral("error local"));
}

TEST_F(CommandTest, PauseGreysTheIconSaysUntilWhenAndOutlastsARestart) {
    const QString a = Folder("a");
    WriteList({a});
    {
        auto pFrame = MakeFrame();
        ASSERT_EQ(pFrame->OnCreate(), 0);
        ASSERT_TRUE(Settle(*pFrame));
        m_Area.m_Recorder.Choose(CMainFrame::ID_PAUSE_FOUR_HOURS);
        ASSERT_TRUE(QTest::qWaitFor([&] { return pFrame->Pause().has_value(); }, kWaitMs));
    }
    {
        // Closed again before the resume, since Windows removes no file that is open.
        QFile pause(m_strPauseFile);
        ASSERT_TRUE(pause.open(QIODevice::ReadOnly));
        EXPECT_EQ(pause.readAll(), "until 2026-12-08T13:00:00Z\r\n");
    }

    auto pFrame = MakeFrame();
    ASSERT_EQ(pFrame->OnCreate(), 0);
    EXPECT_EQ(m_Area.m_Recorder.ShownIcon(), platform::IconHandle::FromResource(129));
    const QString until = QDateTime::fromString(QStringLiteral("2026-12-08T13:00:00Z"), Qt::ISODate)
                              .toLocalTime()
                              .toString(QStringLiteral("HH:mm"));
    EXPECT_EQ(Tips().back(), QStringLiteral("Checks paused until ") + until);
    EXPECT_EQ(m_Area.m_Recorder.Menu()[4],
              (platform::NotifyMenuItem{"Resume checks", CMainFrame::ID_RESUME_CHECKS, false, false, {}}));
    // What the user asks for runs while paused; nothing scheduled does.
    pFrame->OnCommand(CMainFrame::ID_CHECK_ALL_NOW);
    ASSERT_TRUE(Settle(*pFrame));
    EXPECT_EQ(SvnRuns(), (QStringList{a, a}));
    EXPECT_EQ(Launches(), QStringList{a});

    m_Area.m_Recorder.Choose(CMainFrame::ID_RESUME_CHECKS);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pFrame->Pause().has_value(); }, kWaitMs));
    EXPECT_EQ(m_Area.m_Recorder.ShownIcon(), platform::IconHandle::FromResource(128));
    EXPECT_EQ(m_Area.m_Recorder.Menu()[4].m_strText, QStringLiteral("Pause checks"));
    EXPECT_FALSE(QFile::exists(m_strPauseFile));
}

TEST_F(CommandTest, ReportOpensOnlyOnceAtATime) {
    WriteList({});
    auto pFrame = MakeFrame();

    pFrame->OnCommand(CMainFrame::ID_REPORT);
    EXPECT_TRUE(g_bReportOpen);
    pFrame->OnCommand(CMainFrame::ID_REPORT);
    QList<CReportDlg*> reports = OpenDialogs<CReportDlg>();
    ASSERT_EQ(reports.size(), 1);
    reports.front()->close();
    EXPECT_FALSE(g_bReportOpen);

    // Once closed, it opens again.
    pFrame->OnCommand(CMainFrame::ID_REPORT);
    EXPECT_EQ(OpenDialogs<CReportDlg>().size(), 1);
}

TEST(ApplicationTest, WithoutANotificationAreaTheProgramEndsAtStart) {
    // Qt's offscreen platform has no system tray.
    CScopedEnvironment cacheHome("XDG_CACHE_HOME", QDir::tempPath().toLocal8Bit());
    QTemporaryDir folder;
    CCorvaneApp application;
    platform::CQtNotifyArea notifyArea;
    CMainFrame frame(notifyArea, application, folder.filePath(QStringLiteral("pathlist.ini")),
                     std::make_unique<CThreadStarter>());

    EXPECT_FALSE(application.InitInstance(frame));
    EXPECT_EQ(application.MainFrame(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ApplicationTest, AboutOpensAgainWhileOpenAndQuitClosesEveryBox) {
    CCorvaneApp application;
    application.OnCommand(CCorvaneApp::ID_APP_ABOUT);
    application.OnCommand(CCorvaneApp::ID_APP_ABOUT);
    EXPECT_EQ(OpenDialogs<CAboutDlg>().size(), 2);

    QTimer::singleShot(0, qApp, [&] { application.OnCommand(CCorvaneApp::ID_APP_EXIT); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(3); });
    guard.start(kWaitMs);

    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(OpenDialogs<CAboutDlg>().isEmpty());
}

TEST(ApplicationTest, QuitEndsTheEventLoop) {
    CCorvaneApp application;
    QTimer::singleShot(0, qApp, [&] { application.OnCommand(CCorvaneApp::ID_APP_EXIT); });
    // Should Quit do nothing, this ends the loop with another code.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(3); });
    guard.start(kWaitMs);

    EXPECT_EQ(QApplication::exec(), 0);
}

// The real svn client on a working copy that is behind its repository.
class AlertTest : public testing::Test {
protected:
    CSvnSandbox m_Sandbox;
    CScopedEnvironment m_CacheHome{"XDG_CACHE_HOME", m_Sandbox.Folder().toLocal8Bit()};
    CUiThreadNotifyArea m_Area;
    CRecordingTarget m_Target;
};

TEST_F(AlertTest, WorkingCopyBehindTurnsTheIconAndShowsTheBalloonFromTheUiThread) {
    g_iNextPathLine = 0;
    ASSERT_TRUE(m_Sandbox.CreateRepository()) << m_Sandbox.LastError().toStdString();
    // As the system writes them, as the watch list keeps them.
    const QString alice = QDir::toNativeSeparators(m_Sandbox.Checkout(QStringLiteral("alice")));
    const QString bob = m_Sandbox.Checkout(QStringLiteral("bob"));
    ASSERT_EQ(m_Sandbox.Commit(bob, QStringLiteral("bob"), QStringLiteral("a.txt"), "one\n"), 1);
    ASSERT_TRUE(m_Sandbox.Update(alice));
    const QString carol = QDir::toNativeSeparators(m_Sandbox.Checkout(QStringLiteral("Projet \u00c9lan")));
    ASSERT_EQ(m_Sandbox.Commit(bob, QStringLiteral("bob"), QStringLiteral("a.txt"), "two\n"), 2);
    const QString listFile = m_Sandbox.Folder() + QStringLiteral("/pathlist.ini");
    QFile list(listFile);
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(alice.toLocal8Bit() + "\n");
    list.close();

    CMainFrame frame(m_Area, m_Target, listFile, std::make_unique<CThreadStarter>());
    // The clock that tells whether a balloon still shows stands still until the test moves it.
    QDateTime now = QDateTime::currentDateTimeUtc();
    frame.SetClock([&now] { return now; });
    ASSERT_EQ(frame.OnCreate(), 0);

    // The balloons shown so far, the last one first.
    auto balloons = [&] {
        std::vector<platform::NotifyIconData> shown;
        for (const CRecordingNotifyArea::Entry& entry : m_Area.m_Recorder.Requests()) {
            if (entry.m_Data.m_uFlags & platform::kNotifyFlagInfo)
                shown.insert(shown.begin(), entry.m_Data);
        }
        return shown;
    };
    auto balloon = [&]() -> const platform::NotifyIconData* {
        for (const CRecordingNotifyArea::Entry& entry : m_Area.m_Recorder.Requests()) {
            if (entry.m_Data.m_uFlags & platform::kNotifyFlagInfo)
                return &entry.m_Data;
        }
        return nullptr;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return balloon() != nullptr; }, kWaitMs));
    const platform::NotifyIconData* pBalloon = balloon();
    EXPECT_EQ(pBalloon->m_uFlags, platform::kNotifyFlagInfo);
    EXPECT_EQ(
        pBalloon->m_strInfo,
        QStringLiteral("Message from bob:\nalice was modified. (local=1, remote=2)\nr2 bob: change by bob"));
    // A click on it opens the report; its button updates the copy it is about.
    EXPECT_EQ(pBalloon->m_BalloonActions,
              (std::vector<platform::NotifyBalloonAction>{
                  {platform::kBalloonClickAction, QStringLiteral("Report"), CMainFrame::ID_REPORT},
                  {QStringLiteral("update"), QStringLiteral("Update"), CMainFrame::ID_UPDATE_ANNOUNCED}}));
    EXPECT_EQ(pBalloon->m_strInfoTitle, QStringLiteral("SubVersion:"));
    EXPECT_EQ(pBalloon->m_uTimeout, 10000u);
    EXPECT_EQ(pBalloon->m_dwInfoFlags, platform::kBalloonIconNone);

    // The animation runs through the loaded frames, 131 first.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::vector<platform::IconHandle> icons = m_Area.m_Recorder.IconsShown();
            return std::count(icons.begin(), icons.end(), platform::IconHandle::FromResource(132)) > 0;
        },
        kWaitMs));
    const std::vector<platform::IconHandle> icons = m_Area.m_Recorder.IconsShown();
    const auto first = std::find(icons.begin(), icons.end(), platform::IconHandle::FromResource(131));
    ASSERT_NE(first, icons.end());
    EXPECT_EQ(*(first + 1), platform::IconHandle::FromResource(132));
    EXPECT_TRUE(m_Area.m_bAllOnUiThread);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.HasPendingChecks(); }, kWaitMs));
    EXPECT_EQ(frame.Watchdog().Records().front().m_iState, Modified);
    EXPECT_EQ(frame.Watchdog().Records().front().m_strLastAuthor, QStringLiteral("bob"));

    // A second copy behind while the first one's balloon still shows: the new balloon, which
    // replaces it, names both; it opens the report, and updates neither. Once gone, a balloon about
    // one copy says that copy's message again.
    int checked = 0;
    ASSERT_TRUE(frame.CheckNow(carol, [&] { ++checked; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked == 1 && balloons().size() == 2; }, kWaitMs));
    EXPECT_EQ(balloons().front().m_strInfo,
              QStringLiteral("2 working copies were modified: alice, Projet \u00c9lan"));
    EXPECT_EQ(balloons().front().m_BalloonActions,
              (std::vector<platform::NotifyBalloonAction>{
                  {platform::kBalloonClickAction, QStringLiteral("Report"), CMainFrame::ID_REPORT}}));
    now = now.addSecs(11);
    ASSERT_TRUE(frame.CheckNow(carol, [&] { ++checked; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked == 2 && balloons().size() == 3; }, kWaitMs));
    EXPECT_TRUE(balloons().front().m_strInfo.startsWith(
        QStringLiteral("Message from bob:\nProjet \u00c9lan was modified. (local=1, remote=2)")))
        << balloons().front().m_strInfo.toStdString();

    // Updated from the report: once svn has brought the copy up to date, its row says so. Opened,
    // the report ends the balloon's run: the next one, however soon, is about its own copy.
    frame.OnCommand(CMainFrame::ID_REPORT);
    ASSERT_TRUE(frame.CheckNow(carol, [&] { ++checked; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked == 3 && balloons().size() == 4; }, kWaitMs));
    EXPECT_TRUE(balloons().front().m_strInfo.startsWith(QStringLiteral("Message from bob:")));
    const QList<CReportDlg*> reports = OpenDialogs<CReportDlg>();
    ASSERT_EQ(reports.size(), 1);
    QTreeWidget* rows = reports.front()->findChild<QTreeWidget*>();
    ASSERT_EQ(rows->topLevelItemCount(), 1);
    EXPECT_EQ(rows->topLevelItem(0)->text(1), QStringLiteral("modified"));
    reports.front()->UpdateFolder(alice);
    const QList<CUpdateWindow*> updates = OpenDialogs<CUpdateWindow>();
    ASSERT_EQ(updates.size(), 1);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return updates.front()->findChild<QPlainTextEdit*>()->toPlainText().contains(
                QStringLiteral("Updated to revision 2."));
        },
        kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return rows->topLevelItem(0)->text(1) == QStringLiteral("up-to-date"); }, kWaitMs));
    EXPECT_EQ(frame.Watchdog().Records().front().m_iState, UpToDate);

    // Checked again at once, on request: the wait ends once the new result is stored.
    ASSERT_TRUE(m_Sandbox.Update(alice));
    checked = 0;
    ASSERT_TRUE(frame.CheckNow(alice, [&] { ++checked; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked == 1; }, kWaitMs));
    EXPECT_EQ(frame.Watchdog().Records().front().m_iState, UpToDate);

    // Once the user lists bob as one of their own names, his commit is lacked but not announced.
    QFile names(m_Sandbox.Folder() + QStringLiteral("/names.ini"));
    ASSERT_TRUE(names.open(QIODevice::WriteOnly) && names.write("bob\r\n") > 0);
    names.close();
    ASSERT_EQ(m_Sandbox.Commit(bob, QStringLiteral("bob"), QStringLiteral("a.txt"), "three\n"), 3);
    const std::size_t balloonsBefore = balloons().size();
    ASSERT_TRUE(frame.CheckNow(alice, [&] { ++checked; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked == 2; }, kWaitMs));
    EXPECT_EQ(SummaryLines(frame.Watchdog().Records().front().m_Changes),
              QStringList{"r3 bob: change by bob"});
    EXPECT_EQ(balloons().size(), balloonsBefore);
}

} // namespace

int main(int argc, char* argv[]) {
    // The test list is also read at build time, where no display need exist.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
