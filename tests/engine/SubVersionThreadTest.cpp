#include "engine/CCheckHost.h"
#include "engine/CSubVersionThread.h"
#include "engine/CWorkQueue.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "support/CDelayedStop.h"
#include "support/CScopedEnvironment.h"
#include "support/CSilentServer.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"

#include <QDir>
#include <QStringList>
#include <QThread>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <stop_token>
#include <utility>

namespace {

using namespace std::chrono_literals;

// A host that keeps what the jobs tell it, and on which thread.
class CRecordingHost final : public CCheckHost {
public:
    explicit CRecordingHost(const QString& listFile) : m_Watchdog(listFile) {}

    CConfigWatchdog& Watchdog() override { return m_Watchdog; }

    void AnnounceModified(const QString& message) override {
        std::lock_guard guard(m_lock);
        m_Announcements.append(message);
        m_bAnnouncedOnCallerThread = QThread::currentThread() == m_pCallerThread;
    }

    void CheckEnded(const QString& path) override {
        std::lock_guard guard(m_lock);
        m_Ended.append(path);
        m_Changed.notify_all();
    }

    std::stop_token CheckStopToken() const override { return m_StopToken; }
    // Checks that start from now on are cut short when token's stop is requested.
    void SetStopToken(std::stop_token token) { m_StopToken = std::move(token); }

    QStringList Announcements() const {
        std::lock_guard guard(m_lock);
        return m_Announcements;
    }

    QStringList Ended() const {
        std::lock_guard guard(m_lock);
        return m_Ended;
    }

    bool AnnouncedOnCallerThread() const {
        std::lock_guard guard(m_lock);
        return m_bAnnouncedOnCallerThread;
    }

    // Waits until this many jobs have ended; false after a minute.
    bool WaitForEnded(qsizetype count) {
        std::unique_lock guard(m_lock);
        return m_Changed.wait_for(guard, std::chrono::minutes(1), [&] { return m_Ended.size() >= count; });
    }

private:
    CConfigWatchdog m_Watchdog;
    mutable std::mutex m_lock;
    std::condition_variable m_Changed;
    QStringList m_Announcements;
    QStringList m_Ended;
    QThread* const m_pCallerThread = QThread::currentThread();
    bool m_bAnnouncedOnCallerThread = false;
    std::stop_token m_StopToken;
};

std::optional<CSVNPath> RecordOf(CConfigWatchdog& watchdog, const QString& path) {
    for (const CSVNPath& record : watchdog.Records()) {
        if (record.m_strPath == path)
            return record;
    }
    return std::nullopt;
}

class CheckJobTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Sandbox.CreateRepository()) << m_Sandbox.LastError().toStdString();
    }

    // Runs one check of path on this thread, as the worker does: Run, then Discard.
    void RunCheck(const QString& path) {
        auto* pJob = new CSubVersionThread(&m_Host, path, m_Host.Watchdog().Generation());
        pJob->Run(nullptr);
        pJob->Discard();
    }

    // A checked-out working copy named name with one commit by author in it, up to date.
    QString UpToDateWorkingCopy(const QString& name, const QString& author) {
        const QString workingCopy = m_Sandbox.Checkout(name);
        EXPECT_FALSE(workingCopy.isEmpty()) << m_Sandbox.LastError().toStdString();
        EXPECT_NE(m_Sandbox.Commit(workingCopy, author, QStringLiteral("readme.txt"), "first\n"), 0)
            << m_Sandbox.LastError().toStdString();
        EXPECT_TRUE(m_Sandbox.Update(workingCopy)) << m_Sandbox.LastError().toStdString();
        return workingCopy;
    }

    CSvnSandbox m_Sandbox;
    // Keeps svn's debug copy inside the sandbox.
    CScopedEnvironment m_CacheHome{"XDG_CACHE_HOME", m_Sandbox.Folder().toLocal8Bit()};
    CRecordingHost m_Host{m_Sandbox.Folder() + QStringLiteral("/pathlist.ini")};
};

TEST_F(CheckJobTest, UpToDateWorkingCopyStoresTheRemoteAuthorWithoutAlert) {
    const QString workingCopy = UpToDateWorkingCopy(QStringLiteral("alice"), QStringLiteral("alice"));
    m_Host.Watchdog().AddPath(workingCopy, 0);

    RunCheck(workingCopy);

    const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), workingCopy);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->m_iState, UpToDate);
    EXPECT_EQ(record->m_strLastAuthor, QStringLiteral("alice"));
    EXPECT_EQ(record->m_iCountdown, 60);
    EXPECT_FALSE(record->m_strCheckedAt.isEmpty());
    EXPECT_TRUE(m_Host.Announcements().isEmpty());
    EXPECT_EQ(m_Host.Ended(), QStringList{workingCopy});
}

TEST_F(CheckJobTest, WorkingCopyBehindItsRepositoryIsAnnouncedWithTheOtherAuthor) {
    const QString alice = UpToDateWorkingCopy(QStringLiteral("alice"), QStringLiteral("alice"));
    const QString bob = m_Sandbox.Checkout(QStringLiteral("bob"));
    ASSERT_EQ(m_Sandbox.Commit(bob, QStringLiteral("bob"), QStringLiteral("readme.txt"), "second\n"), 2);
    m_Host.Watchdog().AddPath(alice, 0);

    RunCheck(alice);

    const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), alice);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->m_iState, Modified);
    EXPECT_EQ(record->m_strLastAuthor, QStringLiteral("bob"));
    // The display name is the folder's own name, not its path.
    EXPECT_EQ(m_Host.Announcements(),
              QStringList{QStringLiteral("Message from bob:\nalice was modified. (local=1, remote=2)")});
}

TEST_F(CheckJobTest, PathThatNamesNoSingleEntryIsShownWhole) {
    const QString alice = UpToDateWorkingCopy(QStringLiteral("alice"), QStringLiteral("alice"));
    const QString bob = m_Sandbox.Checkout(QStringLiteral("bob"));
    ASSERT_NE(m_Sandbox.Commit(bob, QStringLiteral("bob"), QStringLiteral("readme.txt"), "second\n"), 0);
    const QString withSlash = alice + QLatin1Char('/');
    m_Host.Watchdog().AddPath(withSlash, 0);

    RunCheck(withSlash);

    EXPECT_EQ(RecordOf(m_Host.Watchdog(), withSlash)->m_iState, Modified);
    EXPECT_EQ(m_Host.Announcements(),
              QStringList{
                  QStringLiteral("Message from bob:\n%1 was modified. (local=1, remote=2)").arg(withSlash)});
}

TEST_F(CheckJobTest, FolderThatIsNoWorkingCopyIsALocalErrorWithoutAuthor) {
    const QString plain = m_Sandbox.Folder() + QStringLiteral("/plain");
    ASSERT_TRUE(QDir().mkpath(plain));
    m_Host.Watchdog().AddPath(plain, 0);
    // An earlier result's author must not survive a failed check.
    m_Host.Watchdog().SetPathResult(plain, QStringLiteral("carol"), UpToDate);

    RunCheck(plain);

    const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), plain);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->m_iState, ErrorLocal);
    EXPECT_TRUE(record->m_strLastAuthor.isEmpty());
    EXPECT_TRUE(m_Host.Announcements().isEmpty());
}

TEST_F(CheckJobTest, RepositoryWhoseServerIsDownIsANetworkError) {
    const QString url = m_Sandbox.StartServer();
    ASSERT_FALSE(url.isEmpty()) << m_Sandbox.LastError().toStdString();
    const QString served = m_Sandbox.Folder() + QStringLiteral("/served");
    ASSERT_TRUE(m_Sandbox.RunTool(QStringLiteral("svn"), {QStringLiteral("checkout"), url, served}))
        << m_Sandbox.LastError().toStdString();
    m_Sandbox.StopServer();
    m_Host.Watchdog().AddPath(served, 0);
    m_Host.Watchdog().SetPathResult(served, QStringLiteral("carol"), UpToDate);

    RunCheck(served);

    const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), served);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->m_iState, ErrorNetwork);
    EXPECT_TRUE(record->m_strLastAuthor.isEmpty());
    EXPECT_TRUE(m_Host.Announcements().isEmpty());
}

TEST_F(CheckJobTest, CheckHungOnASilentServerEndsAtOnceWhenTheHostStopsIt) {
    CSilentServer server;
    ASSERT_TRUE(server.IsListening());
    m_Host.Watchdog().AddPath(server.Url(), 0);
    const QList<qint64> childrenBefore = ChildProcessIds();
    CDelayedStop stop(1s);
    m_Host.SetStopToken(stop.Token());

    RunCheck(server.Url());

    EXPECT_LT(stop.SinceRequest(), 1s);
    EXPECT_EQ(ChildProcessIds(), childrenBefore) << "svn was left behind";
    const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), server.Url());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->m_iState, ErrorLocal);
    EXPECT_EQ(m_Host.Ended(), QStringList{server.Url()});
}

TEST_F(CheckJobTest, ResultForRecordsRemadeMeanwhileIsDropped) {
    const QString workingCopy = UpToDateWorkingCopy(QStringLiteral("alice"), QStringLiteral("alice"));
    m_Host.Watchdog().AddPath(workingCopy, 0);
    auto* pJob = new CSubVersionThread(&m_Host, workingCopy, m_Host.Watchdog().Generation());
    // The watch list is rewritten while the check waits in the queue.
    m_Host.Watchdog().RemoveAllPaths();
    m_Host.Watchdog().AddPath(workingCopy, 60);

    pJob->Run(nullptr);
    pJob->Discard();

    const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), workingCopy);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->m_iState, Waiting);
    EXPECT_EQ(record->m_iCountdown, 60);
}

TEST_F(CheckJobTest, QueuedChecksRunOnTheWorkerAndEachEndsOnce) {
    const QString alice = UpToDateWorkingCopy(QStringLiteral("alice"), QStringLiteral("alice"));
    const QString bob = m_Sandbox.Checkout(QStringLiteral("bob"));
    ASSERT_NE(m_Sandbox.Commit(bob, QStringLiteral("bob"), QStringLiteral("readme.txt"), "second\n"), 0);
    ASSERT_TRUE(m_Sandbox.Update(bob));
    m_Host.Watchdog().AddPath(alice, 0);
    m_Host.Watchdog().AddPath(bob, 0);

    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(1));
    queue.Enqueue(new CSubVersionThread(&m_Host, alice, m_Host.Watchdog().Generation()));
    queue.Enqueue(new CSubVersionThread(&m_Host, bob, m_Host.Watchdog().Generation()));
    ASSERT_TRUE(m_Host.WaitForEnded(2));
    queue.Stop();

    EXPECT_EQ(m_Host.Ended(), (QStringList{alice, bob}));
    EXPECT_EQ(m_Host.Announcements().size(), 1);
    // The host, not the job, carries the alert over to its own thread.
    EXPECT_FALSE(m_Host.AnnouncedOnCallerThread());
    EXPECT_EQ(RecordOf(m_Host.Watchdog(), alice)->m_iState, Modified);
    EXPECT_EQ(RecordOf(m_Host.Watchdog(), bob)->m_iState, UpToDate);
}

TEST_F(CheckJobTest, CheckDiscardedUnrunEndsWithoutResult) {
    const QString path = m_Sandbox.Folder() + QStringLiteral("/never");
    m_Host.Watchdog().AddPath(path, 0);

    (new CSubVersionThread(&m_Host, path, m_Host.Watchdog().Generation()))->Discard();

    EXPECT_EQ(m_Host.Ended(), QStringList{path});
    EXPECT_EQ(RecordOf(m_Host.Watchdog(), path)->m_iState, Waiting);
}

} // namespace
