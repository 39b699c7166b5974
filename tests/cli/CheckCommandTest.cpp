#include "cli/CTwoWorkingCopies.h"
#include "platform/SystemInfo.h"
#include "support/AtOnce.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnRelay.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"
#include "support/ContentsOf.h"
#include "support/PlaceProgram.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

namespace {

constexpr int kRunTimeoutMs = 120000;

struct CCommandResult {
    int m_iExitCode = -1;
    QString m_strOutput;
    QString m_strErrors;
};

// A path as --check prints it: as the system writes it.
QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Copies the files below one folder to the same places below another, over what is there, and
// removes them again when it goes.
class CCopiedFiles final {
public:
    CCopiedFiles() = default;
    CCopiedFiles(const CCopiedFiles&) = delete;
    CCopiedFiles& operator=(const CCopiedFiles&) = delete;
    ~CCopiedFiles() {
        for (const QString& file : m_Copies)
            QFile::remove(file);
    }

    bool Copy(const QString& from, const QString& to) {
        QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString source = files.next();
            const QString target = to + source.mid(from.size());
            QFile::remove(target);
            if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(source, target))
                return false;
            m_Copies << target;
        }
        return true;
    }

private:
    QStringList m_Copies;
};

// This PATH without the folders that hold an svn. On Windows the program still finds its DLLs.
QString PathWithoutSvn() {
    QStringList kept;
    for (const QString& folder :
         qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts))
        if (QStandardPaths::findExecutable(QStringLiteral("svn"), {folder}).isEmpty())
            kept << folder;
    return kept.join(QDir::listSeparator());
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
    // The executable's own name: "corvane", or "corvane.exe", which Windows needs to start it.
    QString Program() const {
        return AppFolder() + QLatin1Char('/') + QFileInfo(QStringLiteral(CORVANE_EXECUTABLE)).fileName();
    }
    QString ListFile() const { return AppFolder() + QStringLiteral("/pathlist.ini"); }
    // The current directory of the runs, where the tray program would look for Corvane.xml.
    QString WorkFolder() const { return m_Sandbox.Folder() + QStringLiteral("/work"); }

    void WriteList(const QStringList& folders) {
        QFile file(ListFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QString& folder : folders)
            file.write(folder.toLocal8Bit() + "\n");
    }

    // A working copy checked out at served through a relay that then goes silent, so that svn's
    // questions about it hang until they are killed.
    void CheckOutFromSilentServer(std::unique_ptr<CSvnRelay>& pServer, const QString& served) {
        const QString url = m_Sandbox.StartServer();
        ASSERT_FALSE(url.isEmpty()) << m_Sandbox.LastError().toStdString();
        pServer = std::make_unique<CSvnRelay>(static_cast<quint16>(QUrl(url).port()));
        ASSERT_TRUE(pServer->IsListening());
        ASSERT_TRUE(m_Sandbox.RunTool(QStringLiteral("svn"), {QStringLiteral("checkout"),
                                                              pServer->Url(QStringLiteral("repo")), served}))
            << m_Sandbox.LastError().toStdString();
        pServer->SetMode(CSvnRelay::Mode::Silent);
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(QLatin1String(name));
        const QString home = m_Sandbox.Folder() + QStringLiteral("/home");
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        if (!m_strPath.isEmpty())
            environment.insert(QStringLiteral("PATH"), m_strPath);
        return environment;
    }

    CCommandResult Run(const QStringList& arguments, const QString& workFolder = QString(),
                       const QString& outputFile = QString()) {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.setWorkingDirectory(workFolder.isEmpty() ? WorkFolder() : workFolder);
        if (!outputFile.isEmpty())
            process.setStandardOutputFile(outputFile);
        // Text mode: a Windows console program ends its lines with CR LF.
        process.start(Program(), arguments, QIODevice::ReadWrite | QIODevice::Text);
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
    QString m_strPath; // the runs' PATH, when set
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
    const QRegularExpression expected(
        QStringLiteral("^%1\\tmodified\\tcarol\\t\\d\\d:\\d\\d:\\d\\d\\n"
                       "  Message from carol:\\n"
                       "  behind was modified\\. \\(local=1, remote=2\\)\\n"
                       "  r2 carol: change by carol\\n"
                       "%2\\tup-to-date\\tcarol\\t\\d\\d:\\d\\d:\\d\\d\\n$")
            .arg(QRegularExpression::escape(Native(m_WorkingCopies.m_strBehind)),
                 QRegularExpression::escape(Native(m_WorkingCopies.m_strCurrent))));
    EXPECT_TRUE(expected.match(result.m_strOutput).hasMatch()) << result.m_strOutput.toStdString();
    EXPECT_EQ(ContentsOf(ListFile()), list);
    EXPECT_EQ(QDir(AppFolder()).entryList(QDir::Files),
              (QStringList{QFileInfo(Program()).fileName(), "pathlist.ini"}));
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
    EXPECT_TRUE(afterOwnCommit.m_strOutput.startsWith(Native(current) + QStringLiteral("\tup-to-date\t")));

    const QString other = m_Sandbox.Checkout(QStringLiteral("other"));
    ASSERT_EQ(m_Sandbox.Commit(other, QStringLiteral("dave"), QStringLiteral("readme.txt"), "dave\n"), 4);
    const CCommandResult afterColleague = Run({QStringLiteral("--check"), current});
    EXPECT_EQ(afterColleague.m_iExitCode, 1);
    const QRegularExpression colleague(QStringLiteral("^%1\\tmodified\\tdave\\t\\d\\d:\\d\\d:\\d\\d\\n"
                                                      "  Message from dave:\\n"
                                                      "  current was modified\\. \\(local=2, remote=4\\)\\n"
                                                      "  r4 dave: change by dave\\n$")
                                           .arg(QRegularExpression::escape(Native(current))));
    EXPECT_TRUE(colleague.match(afterColleague.m_strOutput).hasMatch())
        << afterColleague.m_strOutput.toStdString();

    // Made from another checkout, the user's commit is lacked like any other, but not announced.
    const QString fresh = m_Sandbox.Checkout(QStringLiteral("fresh"));
    ASSERT_EQ(m_Sandbox.Commit(other, me, QStringLiteral("readme.txt"), "mine again\n"), 5);
    const CCommandResult ownOnly = Run({QStringLiteral("--check"), fresh});
    EXPECT_EQ(ownOnly.m_iExitCode, 1);
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^%1\\tmodified\\t%2\\t\\d\\d:\\d\\d:\\d\\d\\n"
                                   "  r5 %2: change by %2\\n$")
                        .arg(QRegularExpression::escape(Native(fresh)), QRegularExpression::escape(me)))
                    .match(ownOnly.m_strOutput)
                    .hasMatch())
        << ownOnly.m_strOutput.toStdString();
}

TEST_F(CheckCommandTest, FolderNotInTheListIsCheckedAndTheListStaysAsItWas) {
    WriteList({m_WorkingCopies.m_strCurrent});
    const QByteArray list = ContentsOf(ListFile());

    const CCommandResult result = Run({QStringLiteral("--check"), m_WorkingCopies.m_strBehind});

    EXPECT_EQ(result.m_iExitCode, 1);
    EXPECT_TRUE(
        result.m_strOutput.startsWith(Native(m_WorkingCopies.m_strBehind) + QStringLiteral("\tmodified\t")));
    EXPECT_FALSE(result.m_strOutput.contains(Native(m_WorkingCopies.m_strCurrent)));
    EXPECT_EQ(ContentsOf(ListFile()), list);
}

TEST_F(CheckCommandTest, RelativeFolderIsCheckedUnderItsOwnName) {
    const CCommandResult result =
        Run({QStringLiteral("--check"), QStringLiteral(".")}, m_WorkingCopies.m_strBehind);

    EXPECT_EQ(result.m_iExitCode, 1);
    EXPECT_TRUE(result.m_strOutput.startsWith(Native(m_WorkingCopies.m_strBehind) + QLatin1Char('\t')))
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

    // A log that is a link is not written through, and that is said.
    ASSERT_TRUE(QFile::remove(AppFolder() + QStringLiteral("/Corvane-check.log")));
    ASSERT_TRUE(QFile::link(trayLog, AppFolder() + QStringLiteral("/Corvane-check.log")));
    const CCommandResult linked =
        Run({QStringLiteral("--check"), QStringLiteral("--log"), m_WorkingCopies.m_strCurrent});
    EXPECT_EQ(linked.m_iExitCode, 0);
    EXPECT_TRUE(linked.m_strErrors.startsWith(
        QStringLiteral("corvane: cannot write the log %1/Corvane-check.log: ").arg(AppFolder())))
        << linked.m_strErrors.toStdString();
    EXPECT_EQ(linked.m_strErrors.count(QLatin1Char('\n')), 1);
    EXPECT_EQ(ContentsOf(trayLog), trayText);
}

// Each failure is followed by its reason: svn's own error line, or what kept svn from answering.
TEST_F(CheckCommandTest, FolderInErrorIsFollowedByItsReason) {
    // No svn on the PATH; the log's line carries the reason too.
    m_strPath = PathWithoutSvn();
    const CCommandResult noSvn =
        Run({QStringLiteral("--check"), QStringLiteral("--log"), m_WorkingCopies.m_strCurrent});
    EXPECT_EQ(noSvn.m_iExitCode, 2);
    EXPECT_TRUE(noSvn.m_strOutput.endsWith(QStringLiteral("\n  svn was not found on the PATH\n")))
        << noSvn.m_strOutput.toStdString();
    EXPECT_TRUE(ContentsOf(AppFolder() + QStringLiteral("/Corvane-check.log"))
                    .contains("\tsvn was not found on the PATH\n"));

    // An svn that answers with no document: the noting stand-in prints nothing.
    const QString fakeFolder = m_Sandbox.Folder() + QStringLiteral("/fake");
    ASSERT_TRUE(QDir().mkpath(fakeFolder));
    ASSERT_TRUE(PlaceNotingSvn(fakeFolder, QStringLiteral("svn")));
    m_strPath = fakeFolder + QDir::listSeparator() + PathWithoutSvn();
    const CCommandResult unreadable = Run({QStringLiteral("--check"), m_WorkingCopies.m_strCurrent});
    EXPECT_EQ(unreadable.m_iExitCode, 2);
    EXPECT_TRUE(unreadable.m_strOutput.endsWith(QStringLiteral("\n  svn's answer could not be read\n")))
        << unreadable.m_strOutput.toStdString();
}

// A tray program holds the lock of this display (none) but never answers: the second start says so.
TEST_F(CheckCommandTest, SecondStartWhoseTrayProgramDoesNotAnswerSaysSo) {
    const QString runtime = m_Sandbox.Folder() + QStringLiteral("/runtime");
    ASSERT_TRUE(QDir().mkpath(runtime + QStringLiteral("/corvane")));
    ASSERT_TRUE(QFile::setPermissions(runtime + QStringLiteral("/corvane"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcess holder;
    holder.start(QStringLiteral("flock"),
                 {runtime + QStringLiteral("/corvane/tray-none.lock"), QStringLiteral("sh"),
                  QStringLiteral("-c"), QStringLiteral("echo locked; read _")});
    ASSERT_TRUE(holder.waitForReadyRead(kRunTimeoutMs));
    const CScopedEnvironment runtimeFolder("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    const CCommandResult second = Run({});
    holder.closeWriteChannel();
    holder.waitForFinished();

    EXPECT_EQ(second.m_iExitCode, 1);
    EXPECT_EQ(second.m_strErrors,
              QStringLiteral("Corvane: a Corvane already runs for this user and display but "
                             "did not answer within 10 s; end it, then start Corvane again\n"));
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
    std::unique_ptr<CSvnRelay> pServer;
    const QString served = m_Sandbox.Folder() + QStringLiteral("/served");
    ASSERT_NO_FATAL_FAILURE(CheckOutFromSilentServer(pServer, served));
    CSvnRelay& server = *pServer;

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

// Killed while its svn waits for a server that never answers, however it is killed (SIGKILL, or
// Task Manager's "End task"), the program leaves no svn behind.
TEST_F(CheckCommandTest, KilledProgramLeavesNoSvnBehind) {
    std::unique_ptr<CSvnRelay> pServer;
    const QString served = m_Sandbox.Folder() + QStringLiteral("/served");
    ASSERT_NO_FATAL_FAILURE(CheckOutFromSilentServer(pServer, served));
    CSvnRelay& server = *pServer;

    QProcess program;
    program.setProcessEnvironment(Environment());
    program.setWorkingDirectory(WorkFolder());
    program.start(Program(), {QStringLiteral("--check"), served});
    const QString hungTarget = server.Url(QStringLiteral("repo")) + QLatin1Char('@');
    for (int i = 0; i < 1500 && ProcessesWhoseCommandLineHolds(hungTarget).isEmpty(); ++i)
        QThread::msleep(20);
    ASSERT_FALSE(ProcessesWhoseCommandLineHolds(hungTarget).isEmpty()) << "the served check never hung";
    program.kill();
    ASSERT_TRUE(program.waitForFinished(kRunTimeoutMs));

    const auto deadline = std::chrono::steady_clock::now() + kAtOnce;
    while (!ProcessesWhoseCommandLineHolds(hungTarget).isEmpty() &&
           std::chrono::steady_clock::now() < deadline)
        QThread::msleep(20);
    EXPECT_TRUE(ProcessesWhoseCommandLineHolds(hungTarget).isEmpty()) << "an svn outlived the program";
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
class LayoutTest : public CheckCommandTest {
protected:
    struct Layout {
        QString copy;                             // the folder checked, below the sandbox's
        std::vector<std::function<void()>> steps; // what happens before the check
        QString author;                           // the repository's last author, stored with the state
        QString message; // the alert's text; none when the copy lacks only the user's own commits
        QStringList lines;
        QString state = QStringLiteral("modified");
        QString reason; // why the check failed, or which external did not answer
    };

    // Runs an svn tool; in its command line "%1" is the sandbox's file:// URL, "%2" its folder and
    // "%3" the svn:// URL of its server, which starts then.
    void RunTool(const QString& commandLine) {
        QString expanded = QString(commandLine)
                               .replace("%1", QUrl::fromLocalFile(At()).toString(QUrl::FullyEncoded))
                               .replace("%2", At());
        if (expanded.contains("%3"))
            expanded.replace("%3", m_Sandbox.StartServer().chopped(4));
        QStringList arguments = QProcess::splitCommand(expanded);
        const QString tool = arguments.takeFirst();
        EXPECT_TRUE(m_Sandbox.RunTool(tool, arguments)) << m_Sandbox.LastError().toStdString();
    }

    int Commit(const QString& copy, const QString& author, const char* path, const QStringList& options) {
        return m_Sandbox.Commit(At() + copy, author, QString::fromUtf8(path),
                                QByteArray::number(++m_iCommits), options);
    }

    QString At() const { return m_Sandbox.Folder() + QLatin1Char('/'); }

    // Each layout's steps, then its check with what svn has cached by now as the user's own cache.
    void CheckEach(const std::vector<Layout>& layouts) {
        // The runs' svn keeps its cache below the home they are given, or on Windows in the user's
        // application data, whatever the environment says.
        const CScopedEnvironment home("HOME", QFile::encodeName(At() + QStringLiteral("home")));
        CCopiedFiles usersCache;
        for (const Layout& layout : layouts) {
            for (const auto& step : layout.steps)
                step();
            ASSERT_TRUE(usersCache.Copy(At() + QStringLiteral(".subversion/auth"),
                                        platform::SvnConfigFolder() + QStringLiteral("/auth")));

            const QByteArray before = Fingerprint(At() + layout.copy);
            const CCommandResult result = Run({QStringLiteral("--check"), At() + layout.copy});

            QString expected = QStringLiteral("^%1\\t%2\\t%3\\t\\d\\d:\\d\\d:\\d\\d\\n")
                                   .arg(QRegularExpression::escape(Native(At() + layout.copy)), layout.state,
                                        QRegularExpression::escape(layout.author));
            for (const QString& line :
                 (layout.reason.isEmpty() ? QStringList() : QStringList{layout.reason}) +
                     (layout.message.isEmpty() ? QStringList() : layout.message.split('\n')) + layout.lines)
                expected += QStringLiteral("  %1\\n").arg(QRegularExpression::escape(line));
            const int status = layout.state == QLatin1String("modified")     ? 1
                               : layout.state == QLatin1String("up-to-date") ? 0
                                                                             : 2;
            EXPECT_EQ(result.m_iExitCode, status) << layout.copy.toStdString();
            EXPECT_TRUE(QRegularExpression(expected + QLatin1Char('$')).match(result.m_strOutput).hasMatch())
                << result.m_strOutput.toStdString() << result.m_strErrors.toStdString();
            if (layout.lines.filter(QStringLiteral(": your edit ")).isEmpty())
                continue;
            EXPECT_EQ(Fingerprint(At() + layout.copy), before) << layout.copy.toStdString();
            ExpectUpdateAgrees(layout.copy, layout.lines);
        }
    }

    // What the copy holds: svn's status of every item and every file's checksum, .svn's included.
    QByteArray Fingerprint(const QString& copy) {
        QByteArray fingerprint;
        EXPECT_TRUE(m_Sandbox.RunTool(QStringLiteral("svn"),
                                      {QStringLiteral("status"), QStringLiteral("-v"), copy}, &fingerprint));
        QDirIterator files(copy, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QStringList sums;
        while (files.hasNext()) {
            const QString file = files.next();
            sums << file + QLatin1Char(' ') +
                        QString::fromLatin1(
                            QCryptographicHash::hash(ContentsOf(file), QCryptographicHash::Sha256).toHex());
        }
        sums.sort();
        return fingerprint + sums.join(QLatin1Char('\n')).toUtf8();
    }

    // svn update on a copy of the copy leaves in conflict just the paths predicted to conflict.
    void ExpectUpdateAgrees(const QString& copy, const QStringList& lines) {
        const QString updated = At() + copy + QStringLiteral("-updated");
        QDirIterator entries(At() + copy, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            const QString entry = entries.next();
            const QString target = updated + entry.mid(At().size() + copy.size());
            ASSERT_TRUE(entries.fileInfo().isDir()
                            ? QDir().mkpath(target)
                            : QDir().mkpath(QFileInfo(target).path()) && QFile::copy(entry, target));
        }
        QByteArray status;
        ASSERT_TRUE(
            m_Sandbox.RunTool(QStringLiteral("svn"), {QStringLiteral("update"), QStringLiteral("--accept"),
                                                      QStringLiteral("postpone"), updated}))
            << m_Sandbox.LastError().toStdString();
        ASSERT_TRUE(m_Sandbox.RunTool(QStringLiteral("svn"), {QStringLiteral("status"), updated}, &status));
        QStringList conflicted;
        for (const QString& line : QString::fromUtf8(status).split(QLatin1Char('\n'))) {
            if (line.size() > 8 && (line[0] == 'C' || line[1] == 'C' || line[6] == 'C'))
                conflicted << QDir::fromNativeSeparators(line.mid(8).trimmed()).mid(updated.size() + 1);
        }
        QStringList predicted;
        for (const QString& line : lines.filter(QStringLiteral(": your edit conflicts with ")))
            predicted << line.section(QStringLiteral(": your edit"), 0, 0);
        conflicted.sort();
        predicted.sort();
        EXPECT_EQ(conflicted, predicted) << copy.toStdString() << "\n" << status.toStdString();
    }

    // Places in folder an svn that notes the name of each of its runs in folder/runs, then runs the
    // real svn; the folder, to come first on the PATH.
    QString PlaceCountingSvn(const QString& folder) {
        EXPECT_TRUE(QDir().mkpath(folder));
        QFile script(folder + QStringLiteral("/svn"));
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1/runs'\nexec '%2' \"$@\"\n")
                         .arg(folder, QStandardPaths::findExecutable(QStringLiteral("svn")))
                         .toLocal8Bit());
        script.close();
        EXPECT_TRUE(script.setPermissions(script.permissions() | QFile::ExeOwner));
        return folder;
    }

    const QString me = platform::LoginName();
    const QString mine = me + QStringLiteral(": change by ") + me;
    const QStringList colleague{QStringLiteral("--no-auth-cache")};

private:
    int m_iCommits = 0;
};

TEST_F(LayoutTest, EveryLayoutIsJudgedByWhatTheCopyLacksAndNothingIsHidden) {
    for (const char* command :
         {"svnadmin create %2files", "svnadmin create %2libraries",
          "svn mkdir --parents --no-auth-cache -m layout %1files/branch/trunk/src %1files/moved/trunk/src "
          "%1files/switched/trunk/sub %1files/blanks/trunk %1files/external/trunk \"%1files/with "
          "blank/trunk\"",
          "svn mkdir --no-auth-cache -m layout %1libraries/lib", "svn checkout %1files %2seed",
          "svn checkout %1libraries/lib %2lib"})
        RunTool(QString::fromLatin1(command));
    // A folder of a branch made from trunk (or of trunk moved elsewhere) is checked out after that
    // revision, and the user commits from another checkout of it.
    const auto copiedFolder = [&](const QString& name, const QString& command) {
        const QString folder = "%1files/" + name;
        return std::vector<std::function<void()>>{
            [=, this] { EXPECT_NE(Commit("seed/" + name + "/trunk", "carol", "src/main.c", colleague), 0); },
            [=, this] { RunTool(command.arg(folder + "/trunk", folder + "/elsewhere/trunk")); },
            [=, this] { RunTool("svn checkout " + folder + "/elsewhere/trunk/src %2" + name); },
            [=, this] { RunTool("svn checkout " + folder + "/elsewhere/trunk/src %2" + name + "-other"); },
            [=, this] { EXPECT_NE(Commit(name + "-other", me, "main.c", {}), 0); }};
    };
    CheckEach({
        {"branch",
         copiedFolder("branch", "svn copy --parents --username rel -m \"rel: branch 1.0\" %1 %2"),
         me,
         {},
         {"r4 " + mine}},
        {"moved",
         copiedFolder("moved", "svn move --parents --username rel -m restructure %1 %2"),
         me,
         {},
         {"r7 " + mine}},
        // trunk whose sub follows a branch: a colleague's change there, the user's own on trunk, and
        // a change to trunk's sub, which this copy never gets.
        {"switched",
         {[&] { EXPECT_EQ(Commit("seed/switched/trunk", "carol", "sub/b", colleague), 8); },
          [&] { RunTool("svn copy --parents -m branch %1files/switched/trunk/sub %1files/switched/b1/sub"); },
          [&] { RunTool("svn checkout %1files/switched/trunk %2switched"); },
          [&] { RunTool("svn switch %1files/switched/b1/sub %2switched/sub"); },
          [&] { RunTool("svn checkout %1files/switched/b1/sub %2switched-branch"); },
          [&] { EXPECT_EQ(Commit("switched-branch", "bob", "b", colleague), 10); },
          [&] { EXPECT_EQ(Commit("seed/switched/trunk", me, "a", {}), 11); },
          [&] { EXPECT_EQ(Commit("seed/switched/trunk", "carol", "sub/b", colleague), 12); }},
         "carol",
         "Message from carol:\nswitched was modified. (local=8, remote=12)",
         {"r11 " + mine, "r10 bob: change by bob"}},
        // trunk with an external from another repository, where a colleague commits.
        {"external",
         {[&] { RunTool("svn checkout %1files/external/trunk %2external"); },
          [&] { RunTool("svn propset svn:externals \"%1libraries/lib ext\" %2external"); },
          [&] { EXPECT_EQ(Commit("external", "carol", "a", colleague), 13); },
          [&] { RunTool("svn update %2external"); },
          [&] { EXPECT_EQ(Commit("lib", "eve", "x", colleague), 2); }, [&] { RunTool("svn update %2seed"); },
          [&] { EXPECT_EQ(Commit("seed/external/trunk", me, "b", {}), 14); }},
         me,
         "Message from " + me + ":\nexternal was modified. (local=13, remote=14)",
         {"r14 " + mine, "r2 eve: change by eve"}},
        // Two blanks in the name svn has cached for the user, then in a path a colleague changes.
        {"blanks",
         {[&] { RunTool("svn checkout %1files/blanks/trunk %2blanks"); },
          [&] { RunTool("svn update %2seed"); },
          [&] { EXPECT_EQ(Commit("seed/blanks/trunk", "Ann  Lee", "two  blanks", {}), 15); }},
         "Ann  Lee",
         {},
         {"r15 Ann  Lee: change by Ann  Lee"}},
        {"blanks",
         {[&] { RunTool("svn update %2blanks"); },
          [&] { EXPECT_EQ(Commit("seed/blanks/trunk", "bob", "two  blanks", colleague), 16); },
          [&] { EXPECT_EQ(Commit("seed/blanks/trunk", "Ann  Lee", "mine", {}), 17); }},
         "Ann  Lee",
         "Message from Ann  Lee:\nblanks was modified. (local=15, remote=17)",
         {"r17 Ann  Lee: change by Ann  Lee", "r16 bob: change by bob"}},
        // Through one shared account svn cannot tell whose commit it is: listed in names.ini beside
        // the watch list, the account's name is the user's own too.
        {"blanks",
         {[&] { RunTool("svn update %2blanks"); },
          [&] {
              QFile names(AppFolder() + QStringLiteral("/names.ini"));
              EXPECT_TRUE(names.open(QIODevice::WriteOnly) && names.write("alice\r\n") > 0);
          },
          [&] { EXPECT_EQ(Commit("seed/blanks/trunk", "alice", "shared", colleague), 18); }},
         "alice",
         {},
         {"r18 alice: change by alice"}},
        // The user commits from a copy whose repository path has a blank; a colleague then sets a
        // property of its folder, which the copy holds at an older revision.
        {"spaced",
         {[&] { RunTool("svn checkout \"%1files/with blank/trunk\" %2spaced"); },
          [&] { EXPECT_EQ(Commit("spaced", me, "a", {}), 19); }, [&] { RunTool("svn update %2seed"); },
          [&] { RunTool("svn propset colour blue \"%2seed/with blank/trunk\""); },
          [&] {
              RunTool("svn commit --no-auth-cache --username carol -m \"change by carol\" \"%2seed/with "
                      "blank/trunk\"");
          }},
         "carol",
         "Message from carol:\nspaced was modified. (local=1, remote=20)",
         {"r20 carol: change by carol"}},
        // One revision changes trunk and the branch that its sub follows: listed once. trunk/subtle,
        // whose name begins as sub's does, is trunk's own.
        {"switched",
         {[&] {
              RunTool(
                  "svn mkdir --no-auth-cache --username bob -m \"change by bob\" %1files/switched/trunk/c "
                  "%1files/switched/b1/sub/d");
          },
          [&] { RunTool("svn mkdir --no-auth-cache --username carol -m x %1files/switched/trunk/subtle"); }},
         "carol",
         "Message from carol:\nswitched was modified. (local=8, remote=22)",
         {"r22 carol: x", "r21 bob: change by bob", "r11 " + mine, "r10 bob: change by bob"}},
    });
}

// Layouts that once hid a change or named a wrong reason: file externals, switched parts and
// externals behind equal revisions, a subfolder at an older revision, an external whose server is
// down, a folder moved away, a replaced repository, a folder deleted and added anew; and the user's
// own commit from the copy, which was once listed beside a colleague's.
TEST_F(LayoutTest, NothingIsHiddenAndEveryFailureSaysWhy) {
    const QString server = m_Sandbox.StartServer().chopped(4);
    const QString hid = QUrl::fromLocalFile(At() + "hid").toString(QUrl::FullyEncoded);
    for (const char* command :
         {"svnadmin create %2hid", "svnadmin create %2far", "svnadmin create %2served",
          "svnadmin create %2uuid", "svnadmin setuuid %2uuid 11111111-2222-3333-4444-555555555555",
          "svn mkdir --parents --no-auth-cache -m layout %1hid/shared %1hid/fext/trunk %1hid/sw/trunk/sub "
          "%1hid/mix/trunk/sub %1hid/mod/trunk/mod %1hid/re/trunk %1hid/own/trunk %1hid/down/trunk",
          "svn mkdir --no-auth-cache -m layout %1far/lib %1far/inner", "svn mkdir -m layout %1served/trunk",
          "svn mkdir -m layout %1uuid/trunk", "svn checkout %1hid %2hseed", "svn checkout %1far %2fseed"})
        RunTool(QString::fromLatin1(command));
    CheckEach({
        // trunk takes a header as a file external; a colleague changes it, then the user commits to
        // trunk from another checkout.
        {"fext",
         {[&] { EXPECT_EQ(Commit("hseed", "carol", "shared/h.h", colleague), 2); },
          [&] { RunTool("svn propset svn:externals \"^/shared/h.h h.h\" %2hseed/fext/trunk"); },
          [&] { RunTool("svn commit --no-auth-cache --username carol -m external %2hseed"); },
          [&] { RunTool("svn checkout %1hid/fext/trunk %2fext"); },
          [&] { EXPECT_EQ(Commit("hseed", "dave", "shared/h.h", colleague), 4); },
          [&] { EXPECT_EQ(Commit("hseed", me, "fext/trunk/a", {}), 5); }},
         me,
         "Message from " + me + ":\nfext was modified. (local=3, remote=5)",
         {"r5 " + mine, "r4 dave: change by dave"}},
        // trunk's own revisions stay equal while colleagues commit to what its switched folder and
        // file follow, to its external from another repository and to the external nested in that.
        {"sw",
         {[&] { EXPECT_EQ(Commit("hseed", "carol", "sw/trunk/f.txt", colleague), 6); },
          [&] { RunTool("svn copy --no-auth-cache -m branch %1hid/sw/trunk %1hid/sw/b1"); },
          [&] { RunTool("svn update %2hseed"); },
          [&] { RunTool("svn propset svn:externals \"%1far/lib ext\" %2hseed/sw/trunk"); },
          [&] { RunTool("svn commit --no-auth-cache --username carol -m external %2hseed"); },
          [&] { RunTool("svn propset svn:externals \"^/inner inner\" %2fseed/lib"); },
          [&] { RunTool("svn commit --no-auth-cache -m nested %2fseed"); },
          [&] { RunTool("svn checkout %1hid/sw/trunk %2sw"); },
          [&] { RunTool("svn switch %1hid/sw/b1/sub %2sw/sub"); },
          [&] { RunTool("svn switch %1hid/sw/b1/f.txt %2sw/f.txt"); },
          [&] { EXPECT_EQ(Commit("hseed", "bob", "sw/b1/sub/x", colleague), 9); },
          [&] { EXPECT_EQ(Commit("hseed", "bob", "sw/b1/f.txt", colleague), 10); },
          [&] { EXPECT_EQ(Commit("fseed", "eve", "lib/y", colleague), 3); },
          [&] { EXPECT_EQ(Commit("fseed", "eve", "inner/z", colleague), 4); }},
         "carol",
         "Message from carol:\nsw was modified. (local=8, remote=8)",
         {"r4 eve: change by eve", "r3 eve: change by eve", "r10 bob: change by bob",
          "r9 bob: change by bob"}},
        // The root is brought to the head, its subfolder is not.
        {"mix",
         {[&] { RunTool("svn checkout %1hid/mix/trunk %2mix"); },
          [&] { EXPECT_EQ(Commit("hseed", "carol", "mix/trunk/sub/f", colleague), 11); },
          [&] { RunTool("svn update --depth files %2mix"); }},
         "carol",
         "Message from carol:\nmix was modified. (local=11, remote=11)",
         {"r11 carol: change by carol"}},
        {"re",
         {[&] { EXPECT_EQ(Commit("hseed", "carol", "re/trunk/f", colleague), 12); },
          [&] { RunTool("svn checkout %1hid/re/trunk %2re"); },
          [&] { RunTool("svn rm --no-auth-cache --username carol -m gone %1hid/re/trunk"); },
          [&] { RunTool("svn mkdir --no-auth-cache --username dave -m back %1hid/re/trunk"); }},
         "dave",
         "Message from dave:\nre was modified. (local=12, remote=14)",
         {"r14 dave: back", "r13 carol: gone"}},
        {"mod",
         {[&] { RunTool("svn checkout %1hid/mod/trunk/mod %2mod"); },
          [&] { RunTool("svn move --no-auth-cache -m moved %1hid/mod/trunk/mod %1hid/mod/trunk/mod2"); }},
         {},
         {},
         {},
         "error network/server",
         "svn: warning: W170000: URL '" + hid + "/mod/trunk/mod' non-existent in revision 15"},
        // The user's own commit from this copy is held; a colleague's after it is lacked.
        {"own",
         {[&] { RunTool("svn checkout %1hid/own/trunk %2own"); },
          [&] { EXPECT_EQ(Commit("own", me, "readme.txt", {}), 16); }, [&] { RunTool("svn update %2hseed"); },
          [&] { EXPECT_EQ(Commit("hseed", "carol", "own/trunk/readme.txt", colleague), 17); }},
         "carol",
         "Message from carol:\nown was modified. (local=1, remote=17)",
         {"r17 carol: change by carol"}},
        {"uuid-wc",
         {[&] { RunTool("svn checkout %1uuid/trunk %2uuid-wc"); },
          [&] { RunTool("svnadmin setuuid %2uuid 66666666-7777-8888-9999-000000000000"); }},
         {},
         {},
         {},
         "error network/server",
         "svn: E170009: Repository UUID '66666666-7777-8888-9999-000000000000' doesn't match expected UUID "
         "'11111111-2222-3333-4444-555555555555'"},
        // The user commits from this very copy, whose external's server then stops.
        {"down",
         {[&] { RunTool("svn checkout %1hid/down/trunk %2down"); },
          [&] { RunTool("svn propset svn:externals \"%3served/trunk lib\" %2down"); },
          [&] { RunTool("svn commit --username " + me + " -m \"change by " + me + "\" %2down"); },
          [&] { RunTool("svn update %2down"); }, [&] { EXPECT_EQ(Commit("down", me, "a", {}), 19); },
          [&] { m_Sandbox.StopServer(); }},
         {},
         {},
         {},
         "error network/server",
         "lib: svn: E170013: Unable to connect to a repository at URL '" + server + "served/trunk'"},
    });
}

// A path longer than svn's other texts, and answers larger than 1 MiB from thousands of long names
// that the user committed from another checkout.
TEST_F(LayoutTest, LongPathsAndLargeAnswersAreReadWhole) {
    for (const char* command : {"svnadmin create %2long",
                                "svn mkdir --parents --no-auth-cache -m layout "
                                "%1long/trunk %1long/big",
                                "svn checkout %1long %2seed"})
        RunTool(QString::fromLatin1(command));
    const QString deep = "trunk/" + QString(90, 'd') + "/" + QString(90, 'e') + "/" + QString(90, 'f') + "/" +
                         QString(25, 'g') + ".txt";
    CheckEach({
        {"long",
         {[&] { EXPECT_EQ(Commit("seed", "carol", deep.toUtf8().constData(), colleague), 2); },
          [&] { RunTool("svn checkout %1long/trunk %2long"); },
          [&] { EXPECT_EQ(Commit("seed", "carol", deep.toUtf8().constData(), colleague), 3); }},
         "carol",
         "Message from carol:\nlong was modified. (local=2, remote=3)",
         {"r3 carol: change by carol"}},
        // Thousands of long names from another checkout of the user's: answers larger than 1 MiB.
        {"big",
         {[&] { RunTool("svn checkout %1long/big %2big"); },
          [&] {
              for (int i = 0; i < 3000; ++i) {
                  QFile file(At() + QStringLiteral("seed/big/%1-%2").arg(i).arg(QString(200, 'n')));
                  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
              }
          },
          [&] { RunTool("svn add -q %2seed/big --force"); },
          [&] { RunTool("svn commit --username " + me + " -m \"change by " + me + "\" %2seed"); }},
         me,
         {},
         {"r4 " + mine}},
    });
}

// In the svnserve repositories, alice and buildbot log in, and svn caches each for its realm.
TEST_F(LayoutTest, NameCachedForTheServersRealmIsTheUsersOwn) {
    for (const auto& [name, realm] :
         {std::pair{"team", "Team repositories"}, std::pair{"robots", "Build robots"}}) {
        RunTool(QStringLiteral("svnadmin create %2") + QLatin1String(name));
        QFile conf(At() + QLatin1String(name) + QStringLiteral("/conf/svnserve.conf"));
        QFile users(At() + QLatin1String(name) + QStringLiteral("/conf/passwd"));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly) && users.open(QIODevice::WriteOnly));
        conf.write(
            QByteArray("[general]\nanon-access = none\nauth-access = write\npassword-db = passwd\nrealm = ") +
            realm + "\n");
        users.write("[users]\nalice = a\nbuildbot = b\n");
    }
    QDir().mkpath(At() + QStringLiteral(".subversion"));
    QFile servers(At() + QStringLiteral(".subversion/servers"));
    ASSERT_TRUE(servers.open(QIODevice::WriteOnly) &&
                servers.write("[global]\nstore-plaintext-passwords = yes\n") > 0);
    servers.close();
    RunTool(QStringLiteral("svn mkdir --username buildbot --password b -m robots %3robots/x"));
    RunTool(QStringLiteral("svn mkdir --username alice --password a -m layout %3team/trunk"));

    CheckEach({
        // alice commits to the team's repository from another checkout, then the robot does.
        {"team",
         {[&] { RunTool("svn checkout %3team/trunk %2team"); },
          [&] { RunTool("svn checkout %3team/trunk %2team-other"); },
          [&] { EXPECT_EQ(Commit("team-other", "alice", "a", {}), 2); }},
         "alice",
         {},
         {"r2 alice: change by alice"}},
        {"team",
         {[&] {
             EXPECT_EQ(Commit("team-other", "buildbot", "b", {"--password", "b", "--no-auth-cache"}), 3);
         }},
         "buildbot",
         "Message from buildbot:\nteam was modified. (local=1, remote=3)",
         {"r3 buildbot: change by buildbot", "r2 alice: change by alice"}},
    });
}

// The user's edits that a colleague's lacking change meets, each predicted as `svn update` then
// treats it on a copy of the copy (CheckEach compares), and the copy left as it was.
TEST_F(LayoutTest, EditsThatLackingChangesMeetArePredictedAsAnUpdateTreatsThem) {
    const QByteArray base = "a\nb\nc\nd\ne\nf\ng\nh\n";
    const auto write = [this](const QString& file, const QByteArray& text) {
        QFile out(At() + file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(text) == text.size());
    };
    // A repository of the copy's own, where a colleague commits f.txt holding base at r1; the user
    // checks it out and writes mine into f.txt; then the colleague's own step makes r2 (and on).
    const auto edited = [=, this](const QString& name, const QByteArray& mine,
                                  const std::function<void()>& theirs) -> std::vector<std::function<void()>> {
        return {[=, this] { RunTool("svnadmin create %2" + name + "-repo"); },
                [=, this] { RunTool("svn checkout %1" + name + "-repo %2" + name + "-seed"); },
                [=, this] {
                    EXPECT_EQ(m_Sandbox.Commit(At() + name + "-seed", "carol", "f.txt", base, colleague), 1);
                },
                [=, this] { RunTool("svn checkout %1" + name + "-repo %2" + name); },
                [=] { write(name + "/f.txt", mine); },
                theirs};
    };
    const auto commits = [=, this](const QString& name, const QByteArray& theirs) {
        return [=, this] {
            EXPECT_EQ(m_Sandbox.Commit(At() + name + "-seed", "carol", "f.txt", theirs, colleague), 2);
        };
    };
    const auto runs = [=, this](const QString& command) { return [=, this] { RunTool(command); }; };
    const auto row = [&](const QString& name, const QByteArray& mine, const QByteArray& theirs,
                         const QString& line) {
        return Layout{name, edited(name, mine, commits(name, theirs)), "carol",
                      "Message from carol:\n" + name + " was modified. (local=1, remote=2)",
                      QStringList{"r2 carol: change by carol"} +
                          (line.isEmpty() ? QStringList() : QStringList{line})};
    };
    QByteArray binary = base;
    binary[1] = '\0';
    const QString svnMessage = " --no-auth-cache --username carol -m theirs %2";
    const QString counting = At() + "counting";
    CheckEach({
        row("same", "a\nmine\nc\nd\ne\nf\ng\nh\n", "a\ntheirs\nc\nd\ne\nf\ng\nh\n",
            "f.txt: your edit conflicts with r2"),
        row("next", "a\nmine\nc\nd\ne\nf\ng\nh\n", "a\nb\ntheirs\nd\ne\nf\ng\nh\n",
            "f.txt: your edit merges with r2"),
        row("insertion", "a\nmine\nc\nd\ne\nf\ng\nh\n", "a\nnew\nb\nc\nd\ne\nf\ng\nh\n",
            "f.txt: your edit conflicts with r2"),
        row("far", "a\nmine\nc\nd\ne\nf\ng\nh\n", "a\nb\nc\nd\ne\nf\ntheirs\nh\n",
            "f.txt: your edit merges with r2"),
        row("binary", binary + "mine", binary + "theirs", "f.txt: your edit conflicts with r2"),
        {"property",
         edited("property", base,
                [=, this] {
                    RunTool("svn propset p mine %2property/f.txt");
                    RunTool("svn propset p theirs %2property-seed/f.txt");
                    RunTool("svn commit" + svnMessage + "property-seed");
                }),
         "carol",
         "Message from carol:\nproperty was modified. (local=1, remote=2)",
         {"r2 carol: theirs", "f.txt: your edit conflicts with r2"}},
        {"deleted",
         edited("deleted", "mine\n", runs("svn rm -q" + svnMessage.chopped(3) + " %1deleted-repo/f.txt")),
         "carol",
         "Message from carol:\ndeleted was modified. (local=1, remote=2)",
         {"r2 carol: theirs", "f.txt: your edit conflicts with r2"}},
        {"renamed",
         edited("renamed", "mine\n",
                runs("svn mv -q" + svnMessage.chopped(3) + " %1renamed-repo/f.txt %1renamed-repo/g.txt")),
         "carol",
         "Message from carol:\nrenamed was modified. (local=1, remote=2)",
         {"r2 carol: theirs", "f.txt: your edit conflicts with r2"}},
        {"removed",
         edited("removed", base,
                [=, this] {
                    RunTool("svn rm -q %2removed/f.txt");
                    commits("removed", "theirs\n")();
                }),
         "carol",
         "Message from carol:\nremoved was modified. (local=1, remote=2)",
         {"r2 carol: change by carol", "f.txt: your edit conflicts with r2"}},
        // trunk's sub follows a branch, where the colleague commits.
        {"switched",
         {runs("svnadmin create %2switched-repo"),
          runs("svn mkdir -q --parents" + svnMessage.chopped(3) + " %1switched-repo/trunk/sub"),
          runs("svn copy -q" + svnMessage.chopped(3) +
               " %1switched-repo/trunk/sub %1switched-repo/sub-branch"),
          runs("svn checkout -q %1switched-repo/sub-branch %2switched-seed"),
          [=, this] {
              EXPECT_EQ(m_Sandbox.Commit(At() + "switched-seed", "carol", "f.txt", base, colleague), 3);
          },
          runs("svn checkout -q %1switched-repo/trunk %2switched"),
          runs("svn switch -q %1switched-repo/sub-branch %2switched/sub"),
          [=] { write("switched/sub/f.txt", "mine\n"); },
          [=, this] {
              EXPECT_EQ(m_Sandbox.Commit(At() + "switched-seed", "carol", "f.txt", "theirs\n", colleague), 4);
          }},
         "carol",
         "Message from carol:\nswitched was modified. (local=1, remote=1)",
         {"r4 carol: change by carol", "sub/f.txt: your edit conflicts with r4"}},
        // trunk takes ^/lib as its external ext, where the colleague commits.
        {"external",
         {runs("svnadmin create %2external-repo"),
          runs("svn mkdir -q" + svnMessage.chopped(3) + " %1external-repo/trunk"),
          runs("svn checkout -q %1external-repo %2external-seed"),
          [=, this] {
              EXPECT_EQ(m_Sandbox.Commit(At() + "external-seed", "carol", "lib/f.txt", base, colleague), 2);
          },
          runs("svn propset -q svn:externals \"^/lib ext\" %2external-seed/trunk"),
          runs("svn commit -q" + svnMessage + "external-seed"),
          runs("svn checkout -q %1external-repo/trunk %2external"),
          [=] { write("external/ext/f.txt", "mine\n"); },
          [=, this] {
              EXPECT_EQ(m_Sandbox.Commit(At() + "external-seed", "carol", "lib/f.txt", "theirs\n", colleague),
                        4);
          }},
         "carol",
         "Message from carol:\nexternal was modified. (local=3, remote=3)",
         {"r4 carol: change by carol", "ext/f.txt: your edit conflicts with r4"}},
        // f.txt committed from the copy at r2 and edited again: only the colleague's r3 is asked about.
        {"mixed",
         edited("mixed", "a\nmine\nc\nd\ne\nf\ng\nh\n",
                [=, this] {
                    EXPECT_EQ(m_Sandbox.Commit(At() + "mixed", me, "f.txt", "a\nmine\nc\nd\ne\nf\ng\nh\n"),
                              2);
                    RunTool("svn update -q %2mixed-seed");
                    EXPECT_EQ(m_Sandbox.Commit(At() + "mixed-seed", "carol", "f.txt",
                                               "a\nmine\nc\nd\ne\nf\ntheirs\nh\n", colleague),
                              3);
                    write("mixed/f.txt", "a\nmine again\nc\nd\ne\nf\ng\nh\n");
                }),
         "carol",
         "Message from carol:\nmixed was modified. (local=1, remote=3)",
         {"r3 carol: change by carol", "f.txt: your edit merges with r3"}},
        {"unversioned",
         edited("unversioned", base,
                [=, this] {
                    write("unversioned/g.txt", "mine\n");
                    EXPECT_EQ(
                        m_Sandbox.Commit(At() + "unversioned-seed", "carol", "g.txt", "theirs\n", colleague),
                        2);
                }),
         "carol",
         "Message from carol:\nunversioned was modified. (local=1, remote=2)",
         {"r2 carol: change by carol", "g.txt: your edit conflicts with r2"}},
        // No edit of the user's: svn is asked nothing more than in any check.
        {"unedited",
         edited("unedited", base,
                [=, this] {
                    commits("unedited", "theirs\n")();
#ifndef _WIN32
                    m_strPath =
                        PlaceCountingSvn(counting) + QDir::listSeparator() + qEnvironmentVariable("PATH");
#endif
                }),
         "carol",
         "Message from carol:\nunedited was modified. (local=1, remote=2)",
         {"r2 carol: change by carol"}},
    });
    // The log's line counts the conflicts ahead. The prediction costs a scratch checkout and two updates.
    Run({QStringLiteral("--check"), QStringLiteral("--log"), At() + "same"});
    EXPECT_TRUE(
        ContentsOf(AppFolder() + QStringLiteral("/Corvane-check.log")).contains("\tconflicts ahead: 1\n"));
#ifndef _WIN32
    // The shell script that counts the runs cannot stand in for svn.exe under Windows.
    const QStringList runsMade =
        QString::fromUtf8(ContentsOf(counting + "/runs")).split('\n', Qt::SkipEmptyParts);
    const QStringList plain{"info", "info", "status", "log"};
    EXPECT_EQ(runsMade, plain + plain + QStringList({"checkout", "update", "update"}));
#endif
}

} // namespace
