#include "support/CSvnSandbox.h"

#include "support/CSilentServer.h"
#include "support/ChildProcesses.h"

#include <QFile>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

// The last-changed author of a target as svn itself reports it.
QString LastAuthor(CSvnSandbox& sandbox, const QString& target) {
    QByteArray printed;
    if (!sandbox.RunTool(QStringLiteral("svn"),
                         {QStringLiteral("info"), QStringLiteral("--show-item"),
                          QStringLiteral("last-changed-author"), target},
                         &printed))
        return {};
    return QString::fromUtf8(printed).trimmed();
}

} // namespace

TEST(SvnSandbox, CommitsCarryTheirAuthorsAndRevisions) {
    CSvnSandbox sandbox;
    ASSERT_TRUE(sandbox.CreateRepository()) << sandbox.LastError().toStdString();
    const QString first = sandbox.Checkout(QStringLiteral("first"));
    const QString second = sandbox.Checkout(QStringLiteral("second"));
    ASSERT_FALSE(first.isEmpty()) << sandbox.LastError().toStdString();
    ASSERT_FALSE(second.isEmpty()) << sandbox.LastError().toStdString();

    EXPECT_EQ(sandbox.Commit(first, QStringLiteral("alice"), QStringLiteral("a.txt"), "one\n"), 1);
    EXPECT_EQ(sandbox.Commit(second, QStringLiteral("bob"), QStringLiteral("dir/b.txt"), "two\n"), 2);
    // Committing a file that is already versioned is a plain modification.
    EXPECT_EQ(sandbox.Commit(first, QStringLiteral("carol"), QStringLiteral("a.txt"), "three\n"), 3);
    EXPECT_EQ(LastAuthor(sandbox, sandbox.RepositoryUrl()), QStringLiteral("carol"));

    ASSERT_TRUE(sandbox.Update(second));
    EXPECT_TRUE(QFile::exists(second + QStringLiteral("/a.txt")));
}

TEST(SvnSandbox, FailuresAreReportedWithTheToolsOutput) {
    CSvnSandbox sandbox;
    EXPECT_TRUE(sandbox.Checkout(QStringLiteral("early")).isEmpty());
    EXPECT_FALSE(sandbox.LastError().isEmpty());

    ASSERT_TRUE(sandbox.CreateRepository());
    EXPECT_FALSE(sandbox.CreateRepository());
    EXPECT_EQ(sandbox.Commit(sandbox.Folder(), QStringLiteral("alice"), QStringLiteral("x.txt"), "x"), 0);
    EXPECT_TRUE(sandbox.LastError().contains(QStringLiteral("svn add")));
}

TEST(SvnSandbox, ServerServesTheRepositoryUntilStoppedAndLeavesNothingRunning) {
    const QList<qint64> childrenBefore = ChildProcessIds();
    {
        CSvnSandbox sandbox;
        ASSERT_TRUE(sandbox.CreateRepository());
        const QString workingCopy = sandbox.Checkout(QStringLiteral("wc"));
        ASSERT_EQ(sandbox.Commit(workingCopy, QStringLiteral("alice"), QStringLiteral("a.txt"), "a"), 1);

        const QString url = sandbox.StartServer();
        ASSERT_TRUE(url.startsWith(QStringLiteral("svn://127.0.0.1:"))) << sandbox.LastError().toStdString();
        EXPECT_EQ(sandbox.StartServer(), url);
        EXPECT_EQ(LastAuthor(sandbox, url), QStringLiteral("alice"));

        sandbox.StopServer();
        EXPECT_TRUE(LastAuthor(sandbox, url).isEmpty());
        EXPECT_FALSE(sandbox.StartServer().isEmpty());
    }
    EXPECT_EQ(ChildProcessIds(), childrenBefore);
}

TEST(SilentServer, AcceptsConnectionsAndNeverAnswers) {
    CSilentServer server;
    ASSERT_TRUE(server.IsListening());
    QTcpSocket client;
    client.connectToHost(QStringLiteral("127.0.0.1"), server.Port());
    ASSERT_TRUE(client.waitForConnected(2000));
    EXPECT_FALSE(client.waitForReadyRead(300));
    EXPECT_EQ(server.Url(), QStringLiteral("svn://127.0.0.1:%1/repo").arg(server.Port()));
}
