#include "cli/CTwoWorkingCopies.h"
#include "platform/SystemInfo.h"
#include "support/CSvnRelay.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace {

constexpr int kRunTimeoutMs = 120000;

struct CCommandResult {
    int m_iExitCode = -1;
    QString m_strOutput;
    QString m_strErrors;
};

QByteArray ContentsOf(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The real program, copied into a folder of its own with its own home, run without any display.
class CheckCommandTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_WorkingCopies.Make(m_Sandbox)) << m_Sandbox.LastError().toStdString();
        ASSERT_TRUE(QDir().mkpath(AppFolder()));
        ASSERT_TRUE(QDir().mkpath(m_Sandbox.Folder() + QStringLiteral("/home")));
        ASSERT_TRUE(QDir().mkpath(WorkFolder()));
        ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_EXECUTABLE), Program()));
    }

    QString AppFolder() const { return m_Sandbox.Folder() + QStringLiteral("/app"); }
    QString Program() const { return AppFolder() + QStringLiteral("/corvane"); }
    QString ListFile() const { return AppFolder() + QStringLiteral("/pathlist.ini"); }
    // The current directory of the runs, where the tray program would look for Corvane.xml.
    QString WorkFolder() const { return m_Sandbox.Folder() + QStringLiteral("/work"); }

    void WriteList(const QStringList& folders) {
        QFile file(ListFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QString& folder : folders)
            file.write(folder.toLocal8Bit() + "\n");
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(QLatin1String(name));
        const QString home = m_Sandbox.Folder() + QStringLiteral("/home");
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        return environment;
    }

    CCommandResult Run(const QStringList& arguments, const QString& workFolder = QString(),
                       const QString& outputFile = QString()) {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.setWorkingDirectory(workFolder.isEmpty() ? WorkFolder() : workFolder);
        if (!outputFile.isEmpty())
            process.setStandardOutputFile(outputFile);
        process.start(Program(), arguments);
        CCommandResult result;
        if (!process.waitForFinished(kRunTimeoutMs)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.m_iExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.m_strOutput = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.m_strErrors = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    CSvnSandbox m_Sandbox;
    CTwoWorkingCopies m_WorkingCopies;
};

TEST_F(CheckCommandTest, VersionHelpAndMistakesNeedNoDisplay) {
    const CCommandResult version = Run({QStringLiteral("--version")});
    EXPECT_EQ(version.m_iExitCode, 0);
    EXPECT_EQ(version.m_strOutput, QStringLiteral("Corvane Revision 100\n"));

    const CCommandResult help = Run({QStringLiteral("--help")});
    EXPECT_EQ(help.m_iExitCode, 0);
    EXPECT_TRUE(help.m_strOutput.startsWith(QLatin1String("Usage: corvane")))
        << help.m_strOutput.toStdString();
    EXPECT_TRUE(help.m_strErrors.isEmpty()) << help.m_strErrors.toStdString();

    const CCommandResult wrong = Run({QStringLiteral("--chek")});
    EXPECT_EQ(wrong.m_iExitCode, 2);
    EXPECT_TRUE(wrong.m_strOutput.isEmpty());
    EXPECT_TRUE(wrong.m_strErrors.contains(QLatin1String("--chek")));
    EXPECT_TRUE(wrong.m_strErrors.contains(QLatin1String("Usage: corvane")))
        << wrong.m_strErrors.toStdString();
}

TEST_F(CheckCommandTest, WithoutFoldersTheListBesideTheProgramIsCheckedAndNothingIsWritten) {
    WriteList({m_WorkingCopies.m_strBehind, m_WorkingCopies.m_strCurrent});
    const QByteArray list = ContentsOf(ListFile());

    const CCommandResult result = Run({QStringLiteral("--check")});

    EXPECT_EQ(result.m_iExitCode, 1) << result.m_strErrors.toStdString();
    const QRegularExpression expected(QStringLiteral("^%1\\tmodified\\tcarol\\t\\d\\d:\\d\\d:\\d\\d\\n"
                                                     "  Message from carol:\\n"
                                                     "  behind was modified\\. \\(local=1, remote=2\\)\\n"
                                                     "  r2 carol: change by carol\\n"
                                                     "%2\\tup-to-date\\tcarol\\t\\d\\d:\\d\\d:\\d\\d\\n$")
                                          .arg(QRegularExpression::escape(m_WorkingCopies.m_strBehind),
                                               QRegularExpression::escape(m_WorkingCopies.m_strCurrent)));
    EXPECT_TRUE(expected.match(result.m_strOutput).hasMatch()) << result.m_strOutput.toStdString();
    EXPECT_EQ(ContentsOf(ListFile()), list);
    EXPECT_EQ(QDir(AppFolder()).entryList(QDir::Files), (QStringList{"corvane", "pathlist.ini"}));
    EXPECT_TRUE(QDir(WorkFolder()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(m_Sandbox.Folder() + QStringLiteral("/home/.config/corvane")));
}

// After a commit svn moves only the committed items to the new revision; the folder keeps its older
// one. What the copy lacks decides, and a change of the user's own (svn commits under the login name
// when it has cached none) is listed but not announced.
TEST_F(CheckCommandTest, OnlyWhatTheCopyLacksCountsAndTheUsersOwnCommitsRaiseNoAlert) {
    const QString me = platform::LoginName();
    const QString current = m_WorkingCopies.m_strCurrent;
    ASSERT_EQ(m_Sandbox.Commit(current, me, QStringLiteral("mine.txt"), "mine\n"), 3);
    const CCommandResult afterOwnCommit = Run({QStringLiteral("--check"), current});
    EXPECT_EQ(afterOwnCommit.m_iExitCode, 0) << afterOwnCommit.m_strOutput.toStdString();
    EXPECT_TRUE(afterOwnCommit.m_strOutput.startsWith(current + QStringLiteral("\tup-to-date\t")));

    const QString other = m_Sandbox.Checkout(QStringLiteral("other"));
    ASSERT_EQ(m_Sandbox.Commit(other, QStringLiteral("dave"), QStringLiteral("readme.txt"), "dave\n"), 4);
    const CCommandResult afterColleague = Run({QStringLiteral("--check"), current});
    EXPECT_EQ(afterColleague.m_iExitCode, 1);
    const QRegularExpression colleague(QStringLiteral("^%1\\tmodified\\tdave\\t\\d\\d:\\d\\d:\\d\\d\\n"
                                                      "  Message from dave:\\n"
                                                      "  current was modified\\. \\(local=2, remote=4\\)\\n"
                                                      "  r4 dave: change by dave\\n$")
                                           .arg(QRegularExpression::escape(current)));
    EXPECT_TRUE(colleague.match(afterColleague.m_strOutput).hasMatch())
        << afterColleague.m_strOutput.toStdString();

    // Made from another checkout, the user's commit is lacked like any other, but not announced.
    const QString fresh = m_Sandbox.Checkout(QStringLiteral("fresh"));
    ASSERT_EQ(m_Sandbox.Commit(other, me, QStringLiteral("readme.txt"), "mine again\n"), 5);
    const CCommandResult ownOnly = Run({QStringLiteral("--check"), fresh});
    EXPECT_EQ(ownOnly.m_iExitCode, 1);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^%1\\tmodified\\t%2\\t\\d\\d:\\d\\d:\\d\\d\\n"
                                          "  r5 %2: change by %2\\n$")
                               .arg(QRegularExpression::escape(fresh), QRegularExpression::escape(me)))
            .match(ownOnly.m_strOutput)
            .hasMatch())
        << ownOnly.m_strOutput.toStdString();
}

TEST_F(CheckCommandTest, FolderNotInTheListIsCheckedAndTheListStaysAsItWas) {
    WriteList({m_WorkingCopies.m_strCurrent});
    const QByteArray list = ContentsOf(ListFile());

    const CCommandResult result = Run({QStringLiteral("--check"), m_WorkingCopies.m_strBehind});

    EXPECT_EQ(result.m_iExitCode, 1);
    EXPECT_TRUE(result.m_strOutput.startsWith(m_WorkingCopies.m_strBehind + QStringLiteral("\tmodified\t")));
    EXPECT_FALSE(result.m_strOutput.contains(m_WorkingCopies.m_strCurrent));
    EXPECT_EQ(ContentsOf(ListFile()), list);
}

TEST_F(CheckCommandTest, RelativeFolderIsCheckedUnderItsOwnName) {
    const CCommandResult result =
        Run({QStringLiteral("--check"), QStringLiteral(".")}, m_WorkingCopies.m_strBehind);

    EXPECT_EQ(result.m_iExitCode, 1);
    EXPECT_TRUE(result.m_strOutput.startsWith(m_WorkingCopies.m_strBehind + QLatin1Char('\t')))
        << result.m_strOutput.toStdString();
    EXPECT_TRUE(result.m_strOutput.contains(QLatin1String("\n  behind was modified.")));
}

TEST_F(CheckCommandTest, LogOptionWritesAnHtmlLogOfItsOwnBesideTheProgram) {
    // The log of a tray program that is running: --check must not cut it short.
    const QString trayLog = AppFolder() + QStringLiteral("/Corvane.log");
    QFile tray(trayLog);
    ASSERT_TRUE(tray.open(QIODevice::WriteOnly));
    tray.write("<HTML><HEAD><TITLE>LOGFILE</TITLE></HEAD><BODY>\nlaunched\n");
    tray.close();
    const QByteArray trayText = ContentsOf(trayLog);

    const CCommandResult result =
        Run({QStringLiteral("--check"), QStringLiteral("--log"), m_WorkingCopies.m_strCurrent});
    ASSERT_EQ(result.m_iExitCode, 0) << result.m_strErrors.toStdString();

    const QString log =
        QString::fromLocal8Bit(ContentsOf(AppFolder() + QStringLiteral("/Corvane-check.log")));
    EXPECT_TRUE(log.startsWith(QLatin1String("<HTML><HEAD><TITLE>LOGFILE</TITLE></HEAD><BODY>\n")));
    EXPECT_TRUE(log.contains(result.m_strOutput)) << log.toStdString();
    EXPECT_TRUE(log.endsWith(QLatin1String("<BR></BODY></HTML>")));
    EXPECT_EQ(ContentsOf(trayLog), trayText);

    // Without --log nothing is logged, and the old log is left alone.
    const QByteArray before = ContentsOf(AppFolder() + QStringLiteral("/Corvane-check.log"));
    Run({QStringLiteral("--check"), m_WorkingCopies.m_strCurrent});
    EXPECT_EQ(ContentsOf(AppFolder() + QStringLiteral("/Corvane-check.log")), before);
}

TEST_F(CheckCommandTest, OutcomesThatCannotBeWrittenAreAnErrorThatIsSaid) {
    const CCommandResult result = Run({QStringLiteral("--check"), m_WorkingCopies.m_strCurrent}, QString(),
                                      QStringLiteral("/dev/full"));

    EXPECT_EQ(result.m_iExitCode, 2);
    EXPECT_TRUE(result.m_strErrors.contains(QLatin1String("cannot write the outcomes")))
        << result.m_strErrors.toStdString();
}

// `corvane --check ... | head -1` while a check still hangs on a server that never answers.
TEST_F(CheckCommandTest, ReaderThatGoesEndsTheRunWithEverySvn) {
    const QString url = m_Sandbox.StartServer();
    ASSERT_FALSE(url.isEmpty()) << m_Sandbox.LastError().toStdString();
    CSvnRelay server(static_cast<quint16>(QUrl(url).port()));
    ASSERT_TRUE(server.IsListening());
    const QString served = m_Sandbox.Folder() + QStringLiteral("/served");
    ASSERT_TRUE(m_Sandbox.RunTool(QStringLiteral("svn"),
                                  {QStringLiteral("checkout"), server.Url(QStringLiteral("repo")), served}))
        << m_Sandbox.LastError().toStdString();
    server.SetMode(CSvnRelay::Mode::Silent);

    // The reader takes the first line and goes when told to, on its standard input.
    QProcess pipeline;
    pipeline.setProcessEnvironment(Environment());
    pipeline.setWorkingDirectory(WorkFolder());
    pipeline.start(QStringLiteral("bash"),
                   {QStringLiteral("-c"),
                    QStringLiteral("set -o pipefail; exec 3<&0; \"$0\" --check \"$1\" \"$2\" </dev/null | "
                                   "{ IFS= read -r line; echo \"$line\"; read -r _ <&3; }"),
                    Program(), m_WorkingCopies.m_strCurrent, served});
    const QString hungTarget = server.Url(QStringLiteral("repo")) + QLatin1Char('@');
    for (int i = 0; i < 1500 && ProcessesWhoseCommandLineHolds(hungTarget).isEmpty(); ++i)
        QThread::msleep(20);
    ASSERT_FALSE(ProcessesWhoseCommandLineHolds(hungTarget).isEmpty()) << "the served check never hung";
    pipeline.write("go\n");

    ASSERT_TRUE(pipeline.waitForFinished(kRunTimeoutMs));
    EXPECT_EQ(pipeline.exitCode(), 141) << pipeline.readAllStandardError().toStdString();
    EXPECT_TRUE(
        pipeline.readAllStandardOutput().startsWith(m_WorkingCopies.m_strCurrent.toLocal8Bit() + '\t'));
    EXPECT_TRUE(ProcessesWhoseCommandLineHolds(hungTarget).isEmpty()) << "an svn outlived the run";
}

// Anyone may write to the program's folder: the links planted there lead to nothing of the user's
// being read or written, and the list and the log are those of the user's configuration folder.
TEST_F(CheckCommandTest, FolderThatOthersMayWriteKeepsNoneOfTheUsersFiles) {
    const QString config = m_Sandbox.Folder() + QStringLiteral("/home/.config/corvane");
    ASSERT_TRUE(QDir().mkpath(config));
    QFile list(config + QStringLiteral("/pathlist.ini"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly) &&
                list.write(m_WorkingCopies.m_strCurrent.toLocal8Bit()) > 0);
    list.close();
    const QString usersFile = m_Sandbox.Folder() + QStringLiteral("/home/notes");
    QFile notes(usersFile);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly) && notes.write("the user's notes\n") > 0);
    notes.close();
    for (const char* name : {"Corvane.log", "Corvane-check.log", "pathlist.ini"})
        ASSERT_TRUE(QFile::link(usersFile, AppFolder() + QLatin1Char('/') + QLatin1String(name)));
    ASSERT_TRUE(QFile::setPermissions(AppFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                       QFile::ReadOther | QFile::WriteOther |
                                                       QFile::ExeOther));

    const CCommandResult result = Run({QStringLiteral("--check"), QStringLiteral("--log")});

    EXPECT_EQ(result.m_iExitCode, 0) << result.m_strOutput.toStdString();
    EXPECT_TRUE(
        result.m_strOutput.startsWith(m_WorkingCopies.m_strCurrent + QStringLiteral("\tup-to-date\t")));
    EXPECT_EQ(ContentsOf(usersFile), "the user's notes\n");
    EXPECT_TRUE(ContentsOf(config + QStringLiteral("/Corvane-check.log")).contains("Logfile is terminate.."));
}

// Layouts Subversion users meet every day, each judged by what the copy really lacks. The user's
// name is the login name unless svn has cached another for the repository's realm; colleagues
// commit without leaving theirs in the cache.
TEST_F(CheckCommandTest, EveryLayoutIsJudgedByWhatTheCopyLacksAndNothingIsHidden) {
    const QString me = platform::LoginName();
    const QStringList colleague{QStringLiteral("--no-auth-cache")};
    const QString sandbox = m_Sandbox.Folder();
    const auto svn = [&](QStringList arguments) {
        EXPECT_TRUE(m_Sandbox.RunTool(QStringLiteral("svn"), arguments))
            << m_Sandbox.LastError().toStdString();
    };
    const auto repository = [&](const QString& name) {
        EXPECT_TRUE(
            m_Sandbox.RunTool(QStringLiteral("svnadmin"), {QStringLiteral("create"), sandbox + "/" + name}));
        return QUrl::fromLocalFile(sandbox + "/" + name).toString(QUrl::FullyEncoded);
    };
    const auto checkout = [&](const QString& url, const QString& name) {
        svn({QStringLiteral("checkout"), url, sandbox + "/" + name});
        return sandbox + "/" + name;
    };
    const auto mkdir = [&](const QString& author, QStringList urls) {
        svn(QStringList{QStringLiteral("mkdir"), QStringLiteral("--parents"),
                        QStringLiteral("--no-auth-cache"), QStringLiteral("--username"), author,
                        QStringLiteral("-m"), QStringLiteral("layout")} +
            urls);
    };
    // A folder of a branch made from trunk, or of trunk moved elsewhere, checked out after that
    // revision; the user's own commit from another checkout of it follows.
    const auto copiedFolder = [&](const QString& name, const QString& from, const QString& to) {
        const QString url = repository(name);
        mkdir(QStringLiteral("carol"), {url + "/trunk/src", url + "/branches"});
        EXPECT_EQ(m_Sandbox.Commit(checkout(url + "/trunk", name + "-seed"), QStringLiteral("carol"),
                                   QStringLiteral("src/main.c"), "int main;\n", colleague),
                  2);
        svn({from == to ? QStringLiteral("copy") : QStringLiteral("move"), QStringLiteral("--parents"),
             QStringLiteral("--username"), QStringLiteral("rel"), QStringLiteral("-m"),
             QStringLiteral("rel: release branch 1.0"), url + from, url + to});
        const QString copy = checkout(url + to + "/src", name);
        EXPECT_EQ(m_Sandbox.Commit(checkout(url + to + "/src", name + "-other"), me, QStringLiteral("main.c"),
                                   "int main(void);\n"),
                  4);
        return copy;
    };
    // trunk with `sub` switched to a branch; a colleague's change on the branch, the user's own on
    // trunk, then a trunk-only change to the `sub` this copy no longer follows.
    const auto switchedFolder = [&] {
        const QString url = repository(QStringLiteral("switched"));
        mkdir(QStringLiteral("carol"), {url + "/trunk/sub", url + "/branches"});
        const QString seed = checkout(url + "/trunk", QStringLiteral("switched-seed"));
        EXPECT_EQ(m_Sandbox.Commit(seed, QStringLiteral("carol"), QStringLiteral("sub/b"), "b\n", colleague),
                  2);
        svn({QStringLiteral("copy"), QStringLiteral("--parents"), QStringLiteral("-m"),
             QStringLiteral("branch"), url + "/trunk/sub", url + "/branches/b1/sub"});
        const QString copy = checkout(url + "/trunk", QStringLiteral("switched"));
        svn({QStringLiteral("switch"), url + "/branches/b1/sub", copy + "/sub"});
        EXPECT_EQ(m_Sandbox.Commit(checkout(url + "/branches/b1/sub", QStringLiteral("switched-branch")),
                                   QStringLiteral("bob"), QStringLiteral("b"), "b on the branch\n",
                                   colleague),
                  4);
        EXPECT_EQ(m_Sandbox.Commit(seed, me, QStringLiteral("a"), "mine\n"), 5);
        EXPECT_EQ(m_Sandbox.Commit(seed, QStringLiteral("carol"), QStringLiteral("sub/b"), "b on trunk\n",
                                   colleague),
                  6);
        return copy;
    };
    // trunk with an external `ext` from another repository, where a colleague commits; the user's
    // own commit on trunk follows.
    const auto external = [&] {
        const QString libraries = repository(QStringLiteral("libraries"));
        mkdir(QStringLiteral("eve"), {libraries + "/lib"});
        const QString library = checkout(libraries + "/lib", QStringLiteral("external-lib"));
        EXPECT_EQ(m_Sandbox.Commit(library, QStringLiteral("eve"), QStringLiteral("x"), "x\n", colleague), 2);
        const QString url = repository(QStringLiteral("external"));
        mkdir(QStringLiteral("carol"), {url + "/trunk"});
        const QString copy = checkout(url + "/trunk", QStringLiteral("external"));
        svn({QStringLiteral("propset"), QStringLiteral("svn:externals"), libraries + "/lib ext", copy});
        svn({QStringLiteral("commit"), QStringLiteral("--no-auth-cache"), QStringLiteral("--username"),
             QStringLiteral("carol"), QStringLiteral("-m"), QStringLiteral("externals"), copy});
        svn({QStringLiteral("update"), copy});
        EXPECT_EQ(
            m_Sandbox.Commit(library, QStringLiteral("eve"), QStringLiteral("x"), "x again\n", colleague), 3);
        EXPECT_EQ(m_Sandbox.Commit(checkout(url + "/trunk", QStringLiteral("external-other")), me,
                                   QStringLiteral("mine.txt"), "mine\n"),
                  3);
        return copy;
    };
    // svnserve serves two repositories with realms of their own, and svn has cached alice for the
    // team's and buildbot for the robots'; alice commits from another checkout, then perhaps the
    // robot does.
    const QString serverRoot = m_Sandbox.StartServer().section(QLatin1Char('/'), 0, -2);
    const QString config = sandbox + QStringLiteral("/.subversion");
    QDir().mkpath(config);
    QFile servers(config + QStringLiteral("/servers"));
    EXPECT_TRUE(servers.open(QIODevice::WriteOnly) &&
                servers.write("[global]\nstore-plaintext-passwords = yes\n") > 0);
    servers.close();
    const auto twoRealms = [&](const QString& name, bool bRobotCommits) {
        for (const auto& [repository, realm] :
             {std::pair{name + "-team", "Team repositories"}, std::pair{name + "-robots", "Build robots"}}) {
            EXPECT_TRUE(m_Sandbox.RunTool(QStringLiteral("svnadmin"),
                                          {QStringLiteral("create"), sandbox + "/" + repository}));
            QFile conf(sandbox + "/" + repository + "/conf/svnserve.conf");
            EXPECT_TRUE(conf.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                        conf.write(QByteArray("[general]\nanon-access = none\nauth-access = write\n"
                                              "password-db = passwd\nrealm = ") +
                                   realm + "\n") > 0);
            QFile passwords(sandbox + "/" + repository + "/conf/passwd");
            EXPECT_TRUE(passwords.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                        passwords.write("[users]\nalice = a\nbuildbot = b\n") > 0);
        }
        const QString team = serverRoot + "/" + name + "-team";
        svn({QStringLiteral("mkdir"), QStringLiteral("--username"), QStringLiteral("buildbot"),
             QStringLiteral("--password"), QStringLiteral("b"), QStringLiteral("-m"),
             QStringLiteral("robots"), serverRoot + "/" + name + "-robots/x"});
        svn({QStringLiteral("mkdir"), QStringLiteral("--username"), QStringLiteral("alice"),
             QStringLiteral("--password"), QStringLiteral("a"), QStringLiteral("-m"),
             QStringLiteral("layout"), team + "/trunk"});
        const QString copy = checkout(team + "/trunk", name);
        const QString other = checkout(team + "/trunk", name + "-other");
        EXPECT_EQ(m_Sandbox.Commit(other, QStringLiteral("alice"), QStringLiteral("a.txt"), "a\n"), 2);
        if (bRobotCommits)
            EXPECT_EQ(m_Sandbox.Commit(other, QStringLiteral("buildbot"), QStringLiteral("b.txt"), "b\n",
                                       {QStringLiteral("--password"), QStringLiteral("b"),
                                        QStringLiteral("--no-auth-cache")}),
                      3);
        return copy;
    };
    // Blanks in a name svn has cached for the user, and in a path a colleague changes.
    const auto blanks = [&](const QString& name, const QString& author, const QString& file) {
        const QString url = repository(name);
        mkdir(QStringLiteral("carol"), {url + "/trunk"});
        const QString copy = checkout(url + "/trunk", name);
        const QString other = checkout(url + "/trunk", name + "-other");
        EXPECT_EQ(m_Sandbox.Commit(other, author, file, "one\n", author == me ? colleague : QStringList()),
                  2);
        return copy;
    };
    const auto twoBlanksPath = [&] {
        const QString copy = blanks(QStringLiteral("path-blanks"), me, QStringLiteral("two  blanks.txt"));
        EXPECT_TRUE(m_Sandbox.Update(copy));
        const QString other = sandbox + QStringLiteral("/path-blanks-other");
        EXPECT_EQ(m_Sandbox.Commit(other, QStringLiteral("bob"), QStringLiteral("two  blanks.txt"), "two\n",
                                   colleague),
                  3);
        EXPECT_EQ(m_Sandbox.Commit(other, me, QStringLiteral("mine.txt"), "mine\n", colleague), 4);
        return copy;
    };

    struct Layout {
        const char* name;
        std::function<QString()> make;
        QString author;  // the repository's last author, stored with the state
        QString message; // the alert's text, or none when the copy lacks only the user's own commits
        QStringList lines;
    };
    const QString mine = QStringLiteral("%1: change by %1").arg(me);
    const Layout layouts[] = {
        {"branch folder",
         [&] { return copiedFolder("branch", "/trunk", "/branches/1.0"); },
         me,
         {},
         {"r4 " + mine}},
        {"moved folder",
         [&] { return copiedFolder("moved", "/trunk", "/project/trunk"); },
         me,
         {},
         {"r4 " + mine}},
        {"switched folder",
         switchedFolder,
         QStringLiteral("carol"),
         QStringLiteral("Message from carol:\nswitched was modified. (local=2, remote=6)"),
         {"r5 " + mine, QStringLiteral("r4 bob: change by bob")}},
        {"external",
         external,
         me,
         QStringLiteral("Message from %1:\nexternal was modified. (local=2, remote=3)").arg(me),
         {"r3 " + mine, QStringLiteral("r3 eve: change by eve")}},
        {"own realm",
         [&] { return twoRealms(QStringLiteral("realm-own"), false); },
         QStringLiteral("alice"),
         {},
         {QStringLiteral("r2 alice: change by alice")}},
        {"robot in the team realm",
         [&] { return twoRealms(QStringLiteral("realm-robot"), true); },
         QStringLiteral("buildbot"),
         QStringLiteral("Message from buildbot:\nrealm-robot was modified. (local=1, remote=3)"),
         {QStringLiteral("r3 buildbot: change by buildbot"), QStringLiteral("r2 alice: change by alice")}},
        {"author with two blanks",
         [&] {
             return blanks(QStringLiteral("author-blanks"), QStringLiteral("Ann  Lee"),
                           QStringLiteral("a.txt"));
         },
         QStringLiteral("Ann  Lee"),
         {},
         {QStringLiteral("r2 Ann  Lee: change by Ann  Lee")}},
        {"path with two blanks",
         twoBlanksPath,
         me,
         QStringLiteral("Message from %1:\npath-blanks was modified. (local=2, remote=4)").arg(me),
         {"r4 " + mine, QStringLiteral("r3 bob: change by bob")}},
    };
    for (const Layout& layout : layouts) {
        const QString copy = layout.make();
        // What svn has cached by now is the user's own cache.
        QDir(sandbox + QStringLiteral("/home/.subversion")).removeRecursively();
        ASSERT_TRUE(QProcess::execute(QStringLiteral("cp"),
                                      {QStringLiteral("-R"), config, sandbox + "/home/.subversion"}) == 0);

        const CCommandResult result = Run({QStringLiteral("--check"), copy});

        QString expected =
            QStringLiteral("^%1\\tmodified\\t%2\\t\\d\\d:\\d\\d:\\d\\d\\n")
                .arg(QRegularExpression::escape(copy), QRegularExpression::escape(layout.author));
        for (const QString& line :
             (layout.message.isEmpty() ? QStringList() : layout.message.split('\n')) + layout.lines)
            expected += QStringLiteral("  %1\\n").arg(QRegularExpression::escape(line));
        EXPECT_EQ(result.m_iExitCode, 1) << layout.name;
        EXPECT_TRUE(QRegularExpression(expected + QLatin1Char('$')).match(result.m_strOutput).hasMatch())
            << layout.name << ":\n"
            << result.m_strOutput.toStdString() << result.m_strErrors.toStdString();
    }
}

} // namespace
