#include "cli/CTwoWorkingCopies.h"
#include "support/CSvnSandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <gtest/gtest.h>

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

    CCommandResult Run(const QStringList& arguments, const QString& workFolder = QString()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(QLatin1String(name));
        const QString home = m_Sandbox.Folder() + QStringLiteral("/home");
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));

        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workFolder.isEmpty() ? WorkFolder() : workFolder);
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
                                                     "%2\\tup-to-date\\tcarol\\t\\d\\d:\\d\\d:\\d\\d\\n$")
                                          .arg(QRegularExpression::escape(m_WorkingCopies.m_strBehind),
                                               QRegularExpression::escape(m_WorkingCopies.m_strCurrent)));
    EXPECT_TRUE(expected.match(result.m_strOutput).hasMatch()) << result.m_strOutput.toStdString();
    EXPECT_EQ(ContentsOf(ListFile()), list);
    EXPECT_EQ(QDir(AppFolder()).entryList(QDir::Files), (QStringList{"corvane", "pathlist.ini"}));
    EXPECT_TRUE(QDir(WorkFolder()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(m_Sandbox.Folder() + QStringLiteral("/home/.config/corvane")));
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

} // namespace
