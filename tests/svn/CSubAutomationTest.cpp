#include "svn/CSubAutomation.h"

#include "platform/SystemInfo.h"
#include "support/AtOnce.h"
#include "support/CDelayedStop.h"
#include "support/CScopedEnvironment.h"
#include "support/CSilentServer.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"
#include "svn/CSvnUserName.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>

using namespace std::chrono_literals;

namespace {

// One repository for the whole suite: alice commits revision 1 and her working copy is updated to
// it; bob then commits revision 2 from his own, so alice's working copy is behind its URL.
class GetInfoTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_pSandbox = std::make_unique<CSvnSandbox>();
        CSvnSandbox& sandbox = *s_pSandbox;
        ASSERT_TRUE(sandbox.CreateRepository()) << sandbox.LastError().toStdString();
        s_strAliceCopy = sandbox.Checkout(QStringLiteral("alice"));
        s_strBobCopy = sandbox.Checkout(QStringLiteral("bob"));
        ASSERT_EQ(sandbox.Commit(s_strAliceCopy, QStringLiteral("alice"), QStringLiteral("a.txt"), "a\n"), 1);
        ASSERT_TRUE(sandbox.Update(s_strAliceCopy));
        ASSERT_TRUE(sandbox.Update(s_strBobCopy));
        ASSERT_EQ(sandbox.Commit(s_strBobCopy, QStringLiteral("bob"), QStringLiteral("b.txt"), "b\n"), 2)
            << sandbox.LastError().toStdString();
    }
    static void TearDownTestSuite() { s_pSandbox.reset(); }

    void SetUp() override { m_childrenBefore = ChildProcessIds(); }
    void TearDown() override { EXPECT_EQ(ChildProcessIds(), m_childrenBefore) << "svn was left behind"; }

    QByteArray DebugCopy() const {
        QFile file(platform::DebugCopyPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static std::unique_ptr<CSvnSandbox> s_pSandbox;
    static QString s_strAliceCopy;
    static QString s_strBobCopy;
    // The debug copy goes into the sandbox, never into the user's own cache.
    CScopedEnvironment m_cache{"XDG_CACHE_HOME",
                               (s_pSandbox->Folder() + QStringLiteral("/cache")).toLocal8Bit()};
    QList<qint64> m_childrenBefore;
};

std::unique_ptr<CSvnSandbox> GetInfoTest::s_pSandbox;
QString GetInfoTest::s_strAliceCopy;
QString GetInfoTest::s_strBobCopy;

const QRegularExpression kSvnDate(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d+Z$"));

} // namespace

TEST_F(GetInfoTest, WorkingCopyFillsEveryMember) {
    CSubAutomation automation;
    SVNInfo record;
    ASSERT_EQ(automation.GetInfo(s_strAliceCopy, record), InfoOk) << automation.m_strOutput.toStdString();
    EXPECT_EQ(record.m_strKind, QStringLiteral("dir"));
    // svn names the folder with the system's own separators.
    EXPECT_EQ(record.m_strPath, QDir::toNativeSeparators(s_strAliceCopy));
    EXPECT_EQ(record.m_strRevision, QStringLiteral("1"));
    EXPECT_EQ(record.m_strUrl, s_pSandbox->RepositoryUrl());
    EXPECT_EQ(record.m_strRoot, s_pSandbox->RepositoryUrl());
    EXPECT_EQ(record.m_strUuid.size(), 36);
    EXPECT_EQ(record.m_strSchedule, QStringLiteral("normal"));
    EXPECT_EQ(record.m_strCommitRevision, QStringLiteral("1"));
    EXPECT_EQ(record.m_strCommitAuthor, QStringLiteral("alice"));
    EXPECT_TRUE(kSvnDate.match(record.m_strCommitDate).hasMatch()) << record.m_strCommitDate.toStdString();
    EXPECT_TRUE(automation.m_strMessage.isEmpty());
}

TEST_F(GetInfoTest, WorkingCopyBehindItsUrlShowsTheOtherAuthorsNewerCommit) {
    CSubAutomation local;
    SVNInfo localRecord;
    ASSERT_EQ(local.GetInfo(s_strAliceCopy, localRecord), InfoOk);
    CSubAutomation remote;
    SVNInfo remoteRecord;
    remoteRecord.m_strSchedule = QStringLiteral("kept");
    ASSERT_EQ(remote.GetInfo(localRecord.m_strUrl, remoteRecord), InfoOk) << remote.m_strOutput.toStdString();

    EXPECT_EQ(remoteRecord.m_strCommitRevision, QStringLiteral("2"));
    EXPECT_EQ(remoteRecord.m_strCommitAuthor, QStringLiteral("bob"));
    EXPECT_EQ(remoteRecord.m_strRevision, QStringLiteral("2"));
    EXPECT_EQ(remoteRecord.m_strKind, QStringLiteral("dir"));
    EXPECT_EQ(remoteRecord.m_strPath, QStringLiteral("repo"));
    EXPECT_EQ(remoteRecord.m_strUrl, localRecord.m_strUrl);
    EXPECT_EQ(remoteRecord.m_strRoot, localRecord.m_strRoot);
    EXPECT_EQ(remoteRecord.m_strUuid, localRecord.m_strUuid);
    EXPECT_TRUE(kSvnDate.match(remoteRecord.m_strCommitDate).hasMatch());
    // A URL has no working-copy information, so the schedule is not touched.
    EXPECT_EQ(remoteRecord.m_strSchedule, QStringLiteral("kept"));
}

TEST_F(GetInfoTest, UrlServedBySvnserveUntilTheServerStops) {
    const QString url = s_pSandbox->StartServer();
    ASSERT_FALSE(url.isEmpty()) << s_pSandbox->LastError().toStdString();
    CSubAutomation automation;
    SVNInfo record;
    ASSERT_EQ(automation.GetInfo(url, record), InfoOk) << automation.m_strOutput.toStdString();
    EXPECT_EQ(record.m_strUrl, url);
    EXPECT_EQ(record.m_strCommitRevision, QStringLiteral("2"));
    EXPECT_EQ(record.m_strCommitAuthor, QStringLiteral("bob"));

    s_pSandbox->StopServer();
    SVNInfo afterStop;
    EXPECT_EQ(automation.GetInfo(url, afterStop), InfoBadXml);
    EXPECT_TRUE(automation.m_strMessage.startsWith(QStringLiteral("Error parsing xlm in <?xml")))
        << automation.m_strMessage.toStdString();
    EXPECT_TRUE(afterStop.m_strCommitRevision.isEmpty());
}

// The debug copy holds the last document read, whole; a run that fails leaves it alone.
TEST_F(GetInfoTest, DebugCopyHoldsTheLastDocumentReadUntilTheNext) {
    // A longer copy from an earlier run must not leave its tail behind.
    QFile earlier(platform::DebugCopyPath());
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly) && earlier.write(QByteArray(20000, 'x')) == 20000);
    earlier.close();
    const QString url = s_pSandbox->StartServer();
    ASSERT_FALSE(url.isEmpty()) << s_pSandbox->LastError().toStdString();
    CSubAutomation automation;
    SVNInfo record;
    ASSERT_EQ(automation.GetInfo(url, record), InfoOk) << automation.m_strOutput.toStdString();
    EXPECT_EQ(DebugCopy(), automation.m_strOutput.toLocal8Bit());
    const QByteArray copyOfSuccess = DebugCopy();

    s_pSandbox->StopServer();
    EXPECT_EQ(automation.GetInfo(url, record), InfoBadXml);
    EXPECT_EQ(DebugCopy(), copyOfSuccess);
}

TEST_F(GetInfoTest, FolderThatIsNoWorkingCopyDependsOnSvnsLanguage) {
    CSubAutomation automation;
    automation.m_strMessage = QStringLiteral("earlier");
    SVNInfo record;
    {
        CScopedEnvironment french("LC_ALL", "fr_FR.UTF-8");
        CScopedEnvironment language("LANGUAGE", "fr");
        EXPECT_EQ(automation.GetInfo(s_pSandbox->Folder(), record), InfoNotWorkingCopy)
            << "is the fr_FR.UTF-8 locale generated (scripts/install-deps)? "
            << automation.m_strOutput.toStdString();
    }
    EXPECT_EQ(automation.m_strMessage, QStringLiteral("earlier"));
    {
        CScopedEnvironment plain("LC_ALL", "C");
        EXPECT_EQ(automation.GetInfo(s_pSandbox->Folder(), record), InfoBadXml);
    }
    EXPECT_TRUE(automation.m_strOutput.contains(QStringLiteral("is not a working copy")));
    EXPECT_TRUE(record.m_strKind.isEmpty());
}

TEST_F(GetInfoTest, TargetWithBlanksQuotesBackslashesAndAccentsStaysOneArgument) {
    CScopedEnvironment utf8("LC_ALL", "C.UTF-8");
    const QString name = QStringLiteral("my \"odd\" copy\\ é\\");
    const QString workingCopy = s_pSandbox->Checkout(name);
    ASSERT_FALSE(workingCopy.isEmpty()) << s_pSandbox->LastError().toStdString();
    CSubAutomation automation;
    SVNInfo record;
    ASSERT_EQ(automation.GetInfo(workingCopy, record), InfoOk) << automation.m_strOutput.toStdString();
    EXPECT_EQ(record.m_strPath, workingCopy);
    EXPECT_EQ(record.m_strCommitAuthor, QStringLiteral("bob"));
}

// A server that wants a password names its realm before it asks: the probe, with no one to answer,
// reads the realm from what svn printed and ends at once, and a check without a cached password
// fails at once, on Windows too, where svn asks on a console whenever it has one.
TEST_F(GetInfoTest, ServerThatWantsAPasswordNamesItsRealmAndRefusesAtOnce) {
    const QString guarded = s_pSandbox->Folder() + QStringLiteral("/guarded");
    ASSERT_TRUE(s_pSandbox->RunTool(QStringLiteral("svnadmin"), {QStringLiteral("create"), guarded}));
    QFile conf(guarded + QStringLiteral("/conf/svnserve.conf"));
    QFile users(guarded + QStringLiteral("/conf/passwd"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly) && users.open(QIODevice::WriteOnly));
    conf.write("[general]\nanon-access = none\nauth-access = write\npassword-db = passwd\n"
               "realm = Team repositories\n");
    users.write("[users]\nalice = a\n");
    conf.close();
    users.close();
    const QString server = s_pSandbox->StartServer();
    ASSERT_FALSE(server.isEmpty()) << s_pSandbox->LastError().toStdString();
    const QString url = server.chopped(4) + QStringLiteral("guarded");
    const QString prefix = CSvnUserName::RealmPrefix(url);

    CSubAutomation automation;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(automation.GetRealm(url, prefix).toStdString(), (prefix + " Team repositories").toStdString());
    EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);

    SVNInfo record;
    const auto checked = std::chrono::steady_clock::now();
    EXPECT_EQ(automation.GetInfo(url, record), InfoBadXml);
    EXPECT_LT(std::chrono::steady_clock::now() - checked, kAtOnce);
    EXPECT_TRUE(automation.m_strOutput.contains(QStringLiteral("E170001")))
        << automation.m_strOutput.toStdString();
    s_pSandbox->StopServer();
}

TEST_F(GetInfoTest, SvnMissingFromPathIsAnEmptyDocument) {
    CScopedEnvironment path("PATH", (s_pSandbox->Folder() + QStringLiteral("/empty")).toLocal8Bit());
    CSubAutomation automation;
    SVNInfo record;
    EXPECT_EQ(automation.GetInfo(s_strAliceCopy, record), InfoBadXml);
    EXPECT_EQ(automation.m_strMessage, QStringLiteral("Error parsing xlm in : Error document empty."));
    EXPECT_TRUE(automation.m_strOutput.isEmpty());
}

TEST_F(GetInfoTest, ServerThatNeverAnswersEndsAtTheTimeLimit) {
    CSilentServer server;
    ASSERT_TRUE(server.IsListening());
    CSubAutomation automation(2s);
    SVNInfo record;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(automation.GetInfo(server.Url(), record), InfoBadXml);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 2s);
    EXPECT_LT(elapsed, 2s + kAtOnce);
}

TEST_F(GetInfoTest, ServerThatNeverAnswersEndsAtOnceWhenStopped) {
    CSilentServer server;
    ASSERT_TRUE(server.IsListening());
    CDelayedStop stop(1s);
    CSubAutomation automation(kDefaultRunTimeLimit, stop.Token());
    SVNInfo record;
    EXPECT_EQ(automation.GetInfo(server.Url(), record), InfoBadXml);
    EXPECT_LT(stop.SinceRequest(), kAtOnce);
    EXPECT_TRUE(record.m_strKind.isEmpty());
}
