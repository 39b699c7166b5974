// The tray program's checks when the world misbehaves: a server that dies in the middle of a check,
// one that accepts and never answers, one that wants a password, a working copy deleted after it was
// listed, and no svn at all. Each time the check ends as the right error, at once or at its time
// limit, nothing is left running, and the next folder is checked as usual.
#include "app/CMainFrame.h"
#include "platform/CThreadStarter.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "support/AtOnce.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnRelay.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"
#include "ui/CCommandTarget.h"
#include "ui/CRecordingNotifyArea.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kWaitLimit = 60s;
// For the server that never answers.
constexpr auto kShortTimeLimit = 2s;
// Longer than any wait of the tests: a check that ends by itself before the wait is over did not wait
// for its time limit.
constexpr auto kLongTimeLimit = 2 * kWaitLimit;

quint16 PortOf(const QString& url) {
    return static_cast<quint16>(QUrl(url).port());
}

class CNoCommands final : public CCommandTarget {
public:
    void OnCommand(unsigned) override {}
};

class CheckFaultTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sandbox.CreateRepository()) << m_sandbox.LastError().toStdString();
        m_strHealthy = m_sandbox.Checkout(QStringLiteral("healthy"));
        ASSERT_FALSE(m_strHealthy.isEmpty()) << m_sandbox.LastError().toStdString();
        ASSERT_GT(m_sandbox.Commit(m_strHealthy, QStringLiteral("ann"), QStringLiteral("a.txt"), "a\n"), 0);
        // A working copy's own last commit moves only when it is updated.
        ASSERT_TRUE(m_sandbox.Update(m_strHealthy)) << m_sandbox.LastError().toStdString();
        // svn as the program runs it reads and writes the user's own settings; these stay in the sandbox.
        m_home = std::make_unique<CScopedEnvironment>("HOME", QFile::encodeName(m_sandbox.Folder()));
        m_childrenBefore = ChildProcessIds();
    }

    void TearDown() override {
        m_pFrame.reset();
        EXPECT_EQ(ChildProcessIds(), m_childrenBefore) << "a child process was left behind";
    }

    // The tray program watching these folders, started: its first tick checks the first folder.
    void StartProgram(const QStringList& folders, std::chrono::milliseconds checkTimeLimit = kLongTimeLimit) {
        const QString listFile = m_sandbox.Folder() + QStringLiteral("/pathlist.ini");
        QFile list(listFile);
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write((folders.join(QStringLiteral("\n")) + QStringLiteral("\n")).toLocal8Bit());
        list.close();
        g_iNextPathLine = 0;
        m_pFrame = std::make_unique<CMainFrame>(m_notifyArea, m_application, listFile,
                                                std::make_unique<CThreadStarter>());
        m_pFrame->SetCheckTimeLimit(checkTimeLimit);
        m_checkStarted = Clock::now();
        ASSERT_EQ(m_pFrame->OnCreate(), 0);
    }

    // The next minute's tick.
    void NextTick() {
        m_checkStarted = Clock::now();
        m_pFrame->OnTimer(CMainFrame::CHECK_TIMER_ID);
    }

    // Waits for the queued check to end; how long it took since it was queued, or nothing when it was
    // still running at the end of the wait.
    std::optional<Clock::duration> WaitForCheck() {
        const Clock::time_point deadline = Clock::now() + kWaitLimit;
        while (m_pFrame->HasPendingChecks()) {
            if (Clock::now() > deadline)
                return std::nullopt;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        const Clock::duration took = Clock::now() - m_checkStarted;
        QCoreApplication::processEvents();
        return took;
    }

    std::optional<CSVNPath> Record(const QString& path) const {
        for (const CSVNPath& record : m_pFrame->Watchdog().Records()) {
            if (record.m_strPath == path)
                return record;
        }
        return std::nullopt;
    }

    // The next tick checks the healthy working copy, which is up to date with author ann.
    void ExpectHealthyFolderCheckedNext() {
        NextTick();
        ASSERT_TRUE(WaitForCheck());
        const std::optional<CSVNPath> healthy = Record(m_strHealthy);
        ASSERT_TRUE(healthy);
        EXPECT_EQ(healthy->m_iState, UpToDate);
        EXPECT_EQ(healthy->m_strLastAuthor, QStringLiteral("ann"));
    }

    // The repository served by svnserve behind a relay that passes everything on, for now, and a
    // working copy checked out through it (m_strServed).
    void ServeThroughRelay() {
        const QString url = m_sandbox.StartServer();
        ASSERT_FALSE(url.isEmpty()) << m_sandbox.LastError().toStdString();
        auto server = std::make_unique<CSvnRelay>(PortOf(url));
        ASSERT_TRUE(server->IsListening());
        m_strServed = m_sandbox.Folder() + QStringLiteral("/served");
        ASSERT_TRUE(
            m_sandbox.RunTool(QStringLiteral("svn"),
                              {QStringLiteral("checkout"), server->Url(QStringLiteral("repo")), m_strServed}))
            << m_sandbox.LastError().toStdString();
        m_pServer = std::move(server);
    }

    // The failure and the start of its reason, as the report's tool tip shows it.
    void ExpectFailed(const QString& path, int state, const QString& reason) {
        const std::optional<CSVNPath> record = Record(path);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->m_iState, state);
        EXPECT_TRUE(record->m_strLastAuthor.isEmpty());
        EXPECT_EQ(record->m_iCountdown, 60);
        EXPECT_TRUE(record->m_strReason.startsWith(reason)) << record->m_strReason.toStdString();
    }

    CSvnSandbox m_sandbox;
    QString m_strHealthy;
    QString m_strServed;
    std::unique_ptr<CSvnRelay> m_pServer;
    std::unique_ptr<CScopedEnvironment> m_home;
    QList<qint64> m_childrenBefore;
    CRecordingNotifyArea m_notifyArea;
    CNoCommands m_application;
    std::unique_ptr<CMainFrame> m_pFrame;
    Clock::time_point m_checkStarted;
};

TEST_F(CheckFaultTest, ServerKilledInTheMiddleOfACheckIsANetworkError) {
    ServeThroughRelay();
    ASSERT_TRUE(m_pServer);

    m_pServer->SetMode(CSvnRelay::Mode::DieMidway);
    StartProgram({m_strServed, m_strHealthy});
    ASSERT_TRUE(WaitForCheck()) << "the check waited for its time limit";
    EXPECT_EQ(m_pServer->Deaths(), 1) << "the server did not die in the middle of the check";
    ExpectFailed(m_strServed, ErrorNetwork, QStringLiteral("svn: E"));
    ExpectHealthyFolderCheckedNext();
    m_sandbox.StopServer();
}

TEST_F(CheckFaultTest, ServerThatNeverAnswersEndsAtTheTimeLimitAndTheNextFolderIsChecked) {
    ServeThroughRelay();
    ASSERT_TRUE(m_pServer);
    m_sandbox.StopServer();

    m_pServer->SetMode(CSvnRelay::Mode::Silent);
    StartProgram({m_strServed, m_strHealthy}, kShortTimeLimit);
    const std::optional<Clock::duration> took = WaitForCheck();
    ASSERT_TRUE(took);
    EXPECT_GE(*took, kShortTimeLimit);
    EXPECT_LT(*took, kShortTimeLimit + kAtOnce);
    ExpectFailed(m_strServed, ErrorNetwork, QStringLiteral("svn did not answer within 2 s"));
    ExpectHealthyFolderCheckedNext();
}

TEST_F(CheckFaultTest, RepositoryThatNeedsAPasswordFailsAtOnceWithoutAPrompt) {
    ServeThroughRelay();
    ASSERT_TRUE(m_pServer);
    m_sandbox.StopServer();

    // The same repository served again, now only to users who give a password.
    const QString conf = m_sandbox.RepositoryFolder() + QStringLiteral("/conf/");
    QFile settings(conf + QStringLiteral("svnserve.conf"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("[general]\nanon-access = none\nauth-access = write\npassword-db = passwd\n");
    settings.close();
    QFile users(conf + QStringLiteral("passwd"));
    ASSERT_TRUE(users.open(QIODevice::WriteOnly | QIODevice::Truncate));
    users.write("[users]\nann = secret\n");
    users.close();
    const QString guarded = m_sandbox.StartServer();
    ASSERT_FALSE(guarded.isEmpty()) << m_sandbox.LastError().toStdString();
    m_pServer->SetUpstreamPort(PortOf(guarded));

    StartProgram({m_strServed, m_strHealthy});
    ASSERT_TRUE(WaitForCheck()) << "svn waited for a password";
    ExpectFailed(m_strServed, ErrorNetwork, QStringLiteral("svn: E"));
    ExpectHealthyFolderCheckedNext();
    m_sandbox.StopServer();
}

TEST_F(CheckFaultTest, WorkingCopyDeletedAfterItWasListedIsALocalError) {
    const QString doomed = m_sandbox.Checkout(QStringLiteral("doomed"));
    ASSERT_FALSE(doomed.isEmpty()) << m_sandbox.LastError().toStdString();
    StartProgram({m_strHealthy, doomed});
    ASSERT_TRUE(WaitForCheck());
    ASSERT_TRUE(QDir(doomed).removeRecursively());

    NextTick();
    ASSERT_TRUE(WaitForCheck());
    ExpectFailed(doomed, ErrorLocal, QStringLiteral("svn: E155007: "));
    EXPECT_EQ(Record(m_strHealthy)->m_iState, UpToDate) << "the other folder's result was touched";
}

TEST_F(CheckFaultTest, SvnMissingFromPathIsALocalErrorForEveryFolder) {
    const QString other = m_sandbox.Checkout(QStringLiteral("other"));
    ASSERT_FALSE(other.isEmpty()) << m_sandbox.LastError().toStdString();
    QTemporaryDir emptyFolder;
    ASSERT_TRUE(emptyFolder.isValid());
    CScopedEnvironment path("PATH", QFile::encodeName(emptyFolder.path()));

    StartProgram({other, m_strHealthy});
    ASSERT_TRUE(WaitForCheck());
    ExpectFailed(other, ErrorLocal, QStringLiteral("svn was not found on the PATH"));
    NextTick();
    ASSERT_TRUE(WaitForCheck());
    ExpectFailed(m_strHealthy, ErrorLocal, QStringLiteral("svn was not found on the PATH"));
    EXPECT_TRUE(m_notifyArea.Requests().size() > 0) << "the tray icon is still there";
}

} // namespace
