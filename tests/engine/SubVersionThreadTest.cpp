#include "engine/CCheckHost.h"
#include "engine/CGitEditPrediction.h"
#include "engine/CSubVersionThread.h"
#include "engine/CWorkQueue.h"
#include "platform/SystemInfo.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "support/AtOnce.h"
#include "support/CDelayedStop.h"
#include "support/CGitSandbox.h"
#include "support/CScopedEnvironment.h"
#include "support/CSilentServer.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"
#include "support/PlaceProgram.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
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

    void AnnounceModified(const CModifiedAlert& alert) override {
        std::lock_guard guard(m_lock);
        m_Announcements.append(alert.m_strMessage);
        m_strLastTitle = alert.m_strTitle;
        m_bAnnouncedOnCallerThread = QThread::currentThread() == m_pCallerThread;
    }

    void CheckEnded(const QString& path) override {
        std::lock_guard guard(m_lock);
        m_Ended.append(path);
        m_Changed.notify_all();
    }

    std::stop_token CheckStopToken() const override { return m_StopToken; }
    QStringList OwnNames() const override { return m_OwnNames; }
    void SetOwnNames(QStringList names) { m_OwnNames = std::move(names); }
    QString LastTitle() const {
        std::lock_guard guard(m_lock);
        return m_strLastTitle;
    }
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
    QString m_strLastTitle;
    std::stop_token m_StopToken;
    QStringList m_OwnNames;
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
        auto* pJob = new CSubVersionThread(&m_Host, path);
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

    EXPECT_LT(stop.SinceRequest(), kAtOnce);
    EXPECT_EQ(ChildProcessIds(), childrenBefore) << "svn was left behind";
    const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), server.Url());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->m_iState, ErrorLocal);
    EXPECT_EQ(m_Host.Ended(), QStringList{server.Url()});
}

TEST_F(CheckJobTest, ResultReachesRecordsRemadeMeanwhile) {
    const QString workingCopy = UpToDateWorkingCopy(QStringLiteral("alice"), QStringLiteral("alice"));
    m_Host.Watchdog().AddPath(workingCopy, 0);
    auto* pJob = new CSubVersionThread(&m_Host, workingCopy);
    // The watch list is rewritten while the check waits in the queue.
    m_Host.Watchdog().RemoveAllPaths();
    m_Host.Watchdog().AddPath(workingCopy, 60);

    pJob->Run(nullptr);
    pJob->Discard();

    const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), workingCopy);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->m_iState, UpToDate);
    EXPECT_EQ(record->m_strLastAuthor, QStringLiteral("alice"));
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
    queue.Enqueue(new CSubVersionThread(&m_Host, alice));
    queue.Enqueue(new CSubVersionThread(&m_Host, bob));
    ASSERT_TRUE(m_Host.WaitForEnded(2));
    queue.Stop();

    EXPECT_EQ(m_Host.Ended(), (QStringList{alice, bob}));
    EXPECT_EQ(m_Host.Announcements().size(), 1);
    // The host, not the job, carries the alert over to its own thread.
    EXPECT_FALSE(m_Host.AnnouncedOnCallerThread());
    EXPECT_EQ(RecordOf(m_Host.Watchdog(), alice)->m_iState, Modified);
    EXPECT_EQ(RecordOf(m_Host.Watchdog(), bob)->m_iState, UpToDate);
}

// svn would read an '@' in a target as a peg revision: "wc@1" as "wc" at revision 1, "wc@x" as an
// error. Every folder and repository path here must be asked about as it is named.
TEST_F(CheckJobTest, FoldersAndRepositoryPathsWithAtSignsGetTheirOwnStates) {
    const QString url = m_Sandbox.RepositoryUrl();
    ASSERT_TRUE(m_Sandbox.RunTool(QStringLiteral("svn"),
                                  {QStringLiteral("mkdir"), QStringLiteral("-m"), QStringLiteral("x"),
                                   QStringLiteral("--username"), QStringLiteral("carol"), url + "/d@x@"}))
        << m_Sandbox.LastError().toStdString();
    auto checkout = [&](const QString& from, const QString& name) {
        const QString workingCopy = m_Sandbox.Folder() + QLatin1Char('/') + name;
        EXPECT_TRUE(m_Sandbox.RunTool(QStringLiteral("svn"), {QStringLiteral("checkout"), from, workingCopy}))
            << m_Sandbox.LastError().toStdString();
        return workingCopy;
    };
    const QString behind = checkout(url, QStringLiteral("wc@x"));
    const QString beside = checkout(url + "/d@x@", QStringLiteral("wc@1"));
    const QString fromAtFolder = checkout(url + "/d@x@", QStringLiteral("dx"));
    const QString plain = checkout(url, QStringLiteral("wc"));
    ASSERT_EQ(m_Sandbox.Commit(plain, QStringLiteral("bob"), QStringLiteral("readme.txt"), "x\n"), 2);
    ASSERT_TRUE(m_Sandbox.Update(plain));

    struct Case {
        QString path;
        int state;
        QString author;
    };
    const Case cases[] = {
        {plain, UpToDate, QStringLiteral("bob")},
        {behind, Modified, QStringLiteral("bob")},
        {beside, UpToDate, QStringLiteral("carol")},
        {fromAtFolder, UpToDate, QStringLiteral("carol")},
    };
    for (const Case& testCase : cases) {
        m_Host.Watchdog().AddPath(testCase.path, 0);
        RunCheck(testCase.path);
        const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), testCase.path);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->m_iState, testCase.state) << testCase.path.toStdString();
        EXPECT_EQ(record->m_strLastAuthor, testCase.author) << testCase.path.toStdString();
    }
    EXPECT_EQ(m_Host.Announcements(),
              QStringList{QStringLiteral("Message from bob:\nwc@x was modified. (local=1, remote=2)")});
}

// svn answers with an empty document for a folder that is not versioned inside a working copy; the
// repository must not then be asked about an empty target, which svn would take for its current
// folder.
TEST_F(CheckJobTest, UnversionedFolderInsideAWorkingCopyIsALocalErrorWhereverCorvaneRuns) {
    const QString workingCopy = UpToDateWorkingCopy(QStringLiteral("alice"), QStringLiteral("alice"));
    const QString unversioned = workingCopy + QStringLiteral("/notes");
    ASSERT_TRUE(QDir().mkpath(unversioned));
    m_Host.Watchdog().AddPath(unversioned, 0);
    const QString startFolder = QDir::currentPath();
    for (const QString& currentFolder : {m_Sandbox.Folder(), workingCopy}) {
        ASSERT_TRUE(QDir::setCurrent(currentFolder));
        RunCheck(unversioned);
        ASSERT_TRUE(QDir::setCurrent(startFolder));
        const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), unversioned);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->m_iState, ErrorLocal) << "started in " << currentFolder.toStdString();
        EXPECT_TRUE(record->m_strLastAuthor.isEmpty());
    }
    EXPECT_TRUE(m_Host.Announcements().isEmpty());
}

// Under LANG=C svn cannot take a non-ASCII path, and with a locale that is not installed it prints
// warnings before its answer.
TEST_F(CheckJobTest, NonAsciiFolderIsCheckedWhateverTheLocale) {
    const QString workingCopy = UpToDateWorkingCopy(QStringLiteral("café ü"), QStringLiteral("dave"));
    m_Host.Watchdog().AddPath(workingCopy, 0);
    for (const QByteArray& locale : {QByteArray("C"), QByteArray("xx_YY.UTF-8")}) {
        m_Host.Watchdog().SetPathResult(workingCopy, QString(), Waiting);
        CScopedEnvironment language("LANG", locale);
        CScopedEnvironment all("LC_ALL", locale);
        RunCheck(workingCopy);
        const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), workingCopy);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->m_iState, UpToDate) << "LC_ALL=" << locale.toStdString();
        EXPECT_EQ(record->m_strLastAuthor, QStringLiteral("dave")) << "LC_ALL=" << locale.toStdString();
    }
}

// The check's outcomes against an svn whose answers the test writes (tests/soak/FakeSvn.cpp).
TEST_F(CheckJobTest, OutcomesOfPlannedAnswers) {
    const QString bin = m_Sandbox.Folder() + QStringLiteral("/bin");
    const QString plans = m_Sandbox.Folder() + QStringLiteral("/plans");
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(plans));
    ASSERT_TRUE(PlaceProgram(QStringLiteral(CORVANE_FAKE_SVN), bin, QStringLiteral("svn")));
    CScopedEnvironment path("PATH", QFile::encodeName(bin));
    CScopedEnvironment planFolder("CORVANE_SOAK_PLANS", QFile::encodeName(plans));
    CScopedEnvironment log("CORVANE_SOAK_LOG", QFile::encodeName(m_Sandbox.Folder() + "/fake-svn.log"));

    struct Case {
        const char* name;
        QString plan;
        int state;
        QString author;
        QString status; // svn's status and log answers, when they are planned too
        QString log;
    };
    const QString cutAuthor(256, QLatin1Char('a'));
    const QString me = platform::LoginName();
    const QString readmeBehind =
        "<status><target path=\"wc\"><entry path=\"wc/readme.txt\"><wc-status item=\"normal\" revision=\"1\" "
        "props=\"none\"/><repos-status item=\"modified\" props=\"none\"/></entry></target></status>";
    const auto ownEntry = [&me](const char* folder, int revision) {
        return QStringLiteral("<logentry revision=\"%1\"><author>%2</author><paths><path action=\"M\">/%3/"
                              "readme.txt</path></paths></logentry>")
            .arg(QString::number(revision), me, QLatin1String(folder));
    };
    const Case cases[] = {
        {"empty-local", "uptodate - 5 dev1 0", ErrorLocal, {}},
        {"empty-remote", "uptodate 5 - dev1 0", ErrorNetwork, {}},
        {"ahead", "uptodate 7 6 dev1 0", Modified, QStringLiteral("dev1")},
        {"padded", "uptodate 99 099 dev1 0", Modified, QStringLiteral("dev1")},
        {"no-author", "uptodate 5 6 - 0", Modified, {}},
        {"warned", "warned 5 5 dev1 0", UpToDate, QStringLiteral("dev1")},
        {"long-author", "uptodate 5 5 a*100000 0", UpToDate, cutAuthor},
        // An answer that never ends is cut off instead of filling the memory.
        {"endless", "endless 1 1 x 0", ErrorLocal, {}},
        // The user's own commit accounts for mine.txt, but no log accounts for readme.txt, which the
        // copy holds at an older revision: not the user's alone, so announced.
        {"own-unexplained", "uptodate 2 3 " + me + " 0", Modified, me,
         "<status><target path=\"wc\">"
         "<entry path=\"wc/readme.txt\"><wc-status item=\"normal\" revision=\"1\" props=\"none\"/>"
         "<repos-status item=\"modified\" props=\"none\"/></entry>"
         "<entry path=\"wc/mine.txt\"><wc-status item=\"none\" props=\"none\"/>"
         "<repos-status item=\"added\" props=\"none\"/></entry></target></status>",
         "<log><logentry revision=\"3\"><author>" + me +
             "</author><paths>"
             "<path action=\"A\">/own-unexplained/mine.txt</path></paths><msg>mine</msg></logentry></log>"},
        // A colleague's change to readme.txt, then the user's own: not the user's alone.
        {"colleague-then-own", "uptodate 1 3 " + me + " 0", Modified, me, readmeBehind,
         "<log>" + ownEntry("colleague-then-own", 3) +
             "<logentry revision=\"2\"><author>carol</author><paths>"
             "<path action=\"M\">/colleague-then-own/readme.txt</path></paths></logentry></log>"},
        // The copy holds the folder as a colleague replaced it; only the user's own change is lacked.
        {"replaced-at-the-base", "uptodate 5 6 " + me + " 0", Modified, me,
         QString(readmeBehind).replace("\"1\"", "\"3\""),
         "<log>" + ownEntry("replaced-at-the-base", 6) +
             "<logentry revision=\"5\"><author>carol</author><paths>"
             "<path action=\"R\">/replaced-at-the-base</path></paths></logentry></log>"},
        // A hundred of the user's own revisions fill the log that is read; older ones may be anyone's.
        {"own-beyond-the-log", "uptodate 1 101 " + me + " 0", Modified, me, readmeBehind,
         [&] {
             QString log;
             for (int revision = 101; revision > 1; --revision)
                 log += ownEntry("own-beyond-the-log", revision);
             return "<log>" + log + "</log>";
         }()},
    };
    for (const Case& testCase : cases) {
        const QString folder = m_Sandbox.Folder() + QLatin1Char('/') + QLatin1String(testCase.name);
        ASSERT_TRUE(QDir().mkpath(folder));
        for (const auto& [suffix, text] :
             {std::pair{"", testCase.plan}, std::pair{".status", testCase.status},
              std::pair{".log", testCase.log}}) {
            QFile plan(plans + QLatin1Char('/') + QLatin1String(testCase.name) + QLatin1String(suffix));
            ASSERT_TRUE(text.isEmpty() || (plan.open(QIODevice::WriteOnly) && plan.write(text.toUtf8()) > 0));
        }
        m_Host.Watchdog().AddPath(folder, 0);
        m_Host.Watchdog().SetPathResult(folder, QStringLiteral("carol"), UpToDate);

        RunCheck(folder);

        const std::optional<CSVNPath> record = RecordOf(m_Host.Watchdog(), folder);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->m_iState, testCase.state) << testCase.name;
        EXPECT_EQ(record->m_strLastAuthor, testCase.author) << testCase.name;
    }
    EXPECT_EQ(
        m_Host.Announcements(),
        (QStringList{
            QStringLiteral("Message from dev1:\nahead was modified. (local=7, remote=6)"),
            QStringLiteral("Message from dev1:\npadded was modified. (local=99, remote=099)"),
            QStringLiteral("Message from :\nno-author was modified. (local=5, remote=6)"),
            QStringLiteral("Message from %1:\nown-unexplained was modified. (local=2, remote=3)").arg(me),
            QStringLiteral("Message from %1:\ncolleague-then-own was modified. (local=1, remote=3)").arg(me),
            QStringLiteral("Message from %1:\nown-beyond-the-log was modified. (local=1, remote=101)")
                .arg(me)}));
}

TEST_F(CheckJobTest, CheckDiscardedUnrunEndsWithoutResult) {
    const QString path = m_Sandbox.Folder() + QStringLiteral("/never");
    m_Host.Watchdog().AddPath(path, 0);

    (new CSubVersionThread(&m_Host, path))->Discard();

    EXPECT_EQ(m_Host.Ended(), QStringList{path});
    EXPECT_EQ(RecordOf(m_Host.Watchdog(), path)->m_iState, Waiting);
}

// A Git working tree is asked of git: what it lacks is listed newest first, and announced under
// "Git:" unless the user made all of it, by a name or an e-mail address of the user's own list.
TEST(GitCheckJobTest, CommitsUnderTheUsersOwnNamesStayQuietAndOthersAreAnnounced) {
    CGitSandbox git;
    ASSERT_TRUE(git.CreateRepository()) << git.LastError().toStdString();
    const QString clone = git.Clone(QStringLiteral("clone"));
    const QString other = git.Clone(QStringLiteral("other"));
    CRecordingHost host(git.Folder() + QStringLiteral("/pathlist.ini"));
    host.Watchdog().AddPath(clone, 0);
    const auto check = [&] {
        auto* pJob = new CSubVersionThread(&host, clone);
        pJob->Run(nullptr);
        pJob->Discard();
        return *RecordOf(host.Watchdog(), clone);
    };
    const auto lines = [](const CSVNPath& record) {
        return SummaryLines(record.m_Changes)
            .replaceInStrings(QRegularExpression(QStringLiteral("^[0-9a-f]{7} ")), QStringLiteral("hash "));
    };

    // An e-mail address in any case.
    host.SetOwnNames({QStringLiteral("ANNLEE@example.com")});
    ASSERT_TRUE(
        git.Commit(other, QStringLiteral("Ann Lee"), QStringLiteral("a.txt"), "a\n", QStringLiteral("Mine")))
        << git.LastError().toStdString();
    const CSVNPath ownOnly = check();
    EXPECT_EQ(ownOnly.m_iState, Modified);
    EXPECT_EQ(lines(ownOnly), QStringList{QStringLiteral("hash Ann Lee: Mine")});
    EXPECT_TRUE(host.Announcements().isEmpty());

    // A name as git writes it; a colleague's commit is announced with the user's.
    host.SetOwnNames({QStringLiteral("Ann Lee")});
    ASSERT_TRUE(git.Commit(other, QStringLiteral("carol"), QStringLiteral("b.txt"), "b\n",
                           QStringLiteral("Fix the parser\n\nWhy")));
    const CSVNPath behind = check();
    EXPECT_EQ(behind.m_iState, Modified);
    EXPECT_EQ(behind.m_strLastAuthor, QStringLiteral("carol"));
    EXPECT_EQ(lines(behind), (QStringList{QStringLiteral("hash carol: Fix the parser"),
                                          QStringLiteral("hash Ann Lee: Mine")}));
    EXPECT_EQ(host.Announcements(),
              QStringList{QStringLiteral("Message from carol:\nclone was modified. (behind by 2 commits)")});
    EXPECT_EQ(host.LastTitle(), QStringLiteral("Git:"));
    EXPECT_EQ(behind.m_Changes.m_Revisions.front().m_strMessage, QStringLiteral("Fix the parser\n\nWhy"));
    EXPECT_EQ(behind.m_Changes.m_Revisions.front().m_ChangedPaths,
              (std::vector<SVNChangedPath>{{"A", "b.txt"}}));
}

// The user's edits that a pull would meet: a lacking commit changes, deletes, renames or adds the
// same path; an untracked file only where the commit adds one; an ignored file never. A file left
// unmerged conflicts already.
TEST(GitCheckJobTest, EditsMetAreThoseTheLackingCommitsTouch) {
    const std::vector<GitCommit> lacking{
        {"", "2222222", "carol", "", "", "", {{"M", "a.c"}, {"R", "new.c (from old.c)"}, {"A", "added.c"}}},
        {"", "1111111", "bob", "", "", "", {{"M", "a.c"}, {"D", "gone.c"}, {"M", "changed.c"}}}};
    const GitStatus status{"h",
                           "main",
                           {{".M", "a.c", ""},
                            {"M.", "old.c", ""},
                            {"R.", "moved.c", "changed.c"},
                            {"UU", "gone.c", ""},
                            {".M", "untouched.c", ""},
                            {"??", "added.c", ""},
                            {"??", "changed.c", ""},
                            {"!!", "new.c", ""}},
                           true};
    QStringList met;
    for (const SVNEditPrediction& prediction : CGitEditPrediction::EditsMet(status, lacking)) {
        EXPECT_TRUE(prediction.m_bGit);
        EXPECT_EQ(prediction.m_strInRepository, prediction.m_strPath);
        met.append(QStringLiteral("%1 %2 %3")
                       .arg(prediction.m_strPath, OutcomeText(prediction), prediction.m_Revisions.join(',')));
    }
    EXPECT_EQ(met, (QStringList{"a.c git could not tell 2222222,1111111", "old.c git could not tell 2222222",
                                "moved.c git could not tell 1111111", "gone.c conflicts 1111111",
                                "added.c git could not tell 2222222"}));
}

} // namespace
