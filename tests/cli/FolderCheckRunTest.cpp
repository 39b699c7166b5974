#include "app/CFolderCheckRun.h"
#include "cli/CTwoWorkingCopies.h"
#include "settings/MyLogFile.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnRelay.h"
#include "support/CSvnSandbox.h"
#include "support/ContentsOf.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>

namespace {

const QRegularExpression kCheckTime(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));

bool WriteFile(const QString& fileName, const QByteArray& contents) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

class FolderCheckRunTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_WorkingCopies.Make(m_Sandbox)) << m_Sandbox.LastError().toStdString();
    }

    // The printed lines, without the final line end.
    QStringList OutputLines() {
        m_Output.flush();
        return m_strOutput.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    CSvnSandbox m_Sandbox;
    // Keeps svn's debug copy inside the sandbox.
    CScopedEnvironment m_CacheHome{"XDG_CACHE_HOME", m_Sandbox.Folder().toLocal8Bit()};
    CTwoWorkingCopies m_WorkingCopies;
    const QString m_strListFile = m_Sandbox.Folder() + QStringLiteral("/app/pathlist.ini");
    QString m_strOutput;
    QString m_strErrors;
    QTextStream m_Output{&m_strOutput};
    QTextStream m_Errors{&m_strErrors};
    MyLogFile m_Log;
    CFolderCheckRun m_Run{m_strListFile, m_Output, m_Errors, m_Log};
};

TEST_F(FolderCheckRunTest, UpToDateFolderIsOneTabSeparatedLineAndStatusZero) {
    EXPECT_EQ(m_Run.CheckFolders({m_WorkingCopies.m_strCurrent}), CFolderCheckRun::kAllUpToDate);

    const QStringList lines = OutputLines();
    ASSERT_EQ(lines.size(), 1) << m_strOutput.toStdString();
    const QStringList fields = lines[0].split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 4) << lines[0].toStdString();
    EXPECT_EQ(fields[0], m_WorkingCopies.m_strCurrent);
    EXPECT_EQ(fields[1], QStringLiteral("up-to-date"));
    EXPECT_EQ(fields[2], QStringLiteral("carol"));
    EXPECT_TRUE(kCheckTime.match(fields[3]).hasMatch()) << fields[3].toStdString();
    EXPECT_TRUE(m_strErrors.isEmpty());
}

TEST_F(FolderCheckRunTest, FolderThatIsBehindIsFollowedByItsIndentedAlert) {
    EXPECT_EQ(m_Run.CheckFolders({m_WorkingCopies.m_strBehind}), CFolderCheckRun::kSomeModified);

    const QStringList lines = OutputLines();
    ASSERT_EQ(lines.size(), 4) << m_strOutput.toStdString();
    EXPECT_TRUE(lines[0].startsWith(m_WorkingCopies.m_strBehind + QStringLiteral("\tmodified\tcarol\t")));
    EXPECT_EQ(lines[1], QStringLiteral("  Message from carol:"));
    EXPECT_EQ(lines[2], QStringLiteral("  behind was modified. (local=1, remote=2)"));
    EXPECT_EQ(lines[3], QStringLiteral("  r2 carol: change by carol"));
}

TEST_F(FolderCheckRunTest, AnyErrorMakesStatusTwoWhateverItsPlace) {
    const QString plain = m_Sandbox.Folder() + QStringLiteral("/plain");
    ASSERT_TRUE(QDir().mkpath(plain));

    EXPECT_EQ(m_Run.CheckFolders({plain, m_WorkingCopies.m_strBehind, m_WorkingCopies.m_strCurrent}),
              CFolderCheckRun::kSomeFailed);
    EXPECT_EQ(m_Run.CheckFolders({m_WorkingCopies.m_strCurrent, m_WorkingCopies.m_strBehind, plain}),
              CFolderCheckRun::kSomeFailed);
    EXPECT_EQ(m_Run.CheckFolders({m_WorkingCopies.m_strBehind, m_WorkingCopies.m_strCurrent}),
              CFolderCheckRun::kSomeModified);

    // A failed check has no author, and says why on the next line.
    const QStringList lines = OutputLines();
    EXPECT_TRUE(lines.first().startsWith(plain + QStringLiteral("\terror local\t\t")));
    // svn names the folder in the system's own form, which reads as it is: on Windows too, where it
    // pastes back into the console.
    EXPECT_EQ(
        lines.value(1),
        QStringLiteral("  svn: E155007: '%1' is not a working copy").arg(QDir::toNativeSeparators(plain)));
}

TEST_F(FolderCheckRunTest, TabsLineBreaksBackslashesAndControlCharactersAreEscaped) {
    const QString odd = m_Sandbox.Folder() + QStringLiteral("/a\tb\nc\\d\x1b");
    ASSERT_TRUE(QDir().mkpath(odd));

    EXPECT_EQ(m_Run.CheckFolders({odd}), CFolderCheckRun::kSomeFailed);

    const QStringList lines = OutputLines();
    ASSERT_EQ(lines.size(), 2) << m_strOutput.toStdString();
    EXPECT_EQ(lines[0].split(QLatin1Char('\t')).first(),
              m_Sandbox.Folder() + QStringLiteral("/a\\tb\\nc\\\\d\\x1b"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("  svn: E155007: "))) << lines[1].toStdString();
    EXPECT_EQ(CFolderCheckRun::Escaped(QStringLiteral("plain/\u00e9\r\x7f\u0080\u009f\u00a0")),
              QStringLiteral("plain/\u00e9\\x0d\\x7f\\x80\\x9f\u00a0"));

    // An author that would set the terminal's title, clear its screen and start a C1 sequence.
    ASSERT_EQ(m_Sandbox.Commit(m_WorkingCopies.m_strCurrent, QStringLiteral("\x1b]0;x\x07\x1b[2J\u009b"),
                               QStringLiteral("b.txt"), "b\n"),
              3)
        << m_Sandbox.LastError().toStdString();
    m_strOutput.clear();
    EXPECT_EQ(m_Run.CheckFolders({m_WorkingCopies.m_strBehind}), CFolderCheckRun::kSomeModified);
    EXPECT_EQ(OutputLines().value(1), QStringLiteral("  Message from \\x1b]0;x\\x07\\x1b[2J\\x9b:"));
    const auto isRaw = [](QChar character) {
        return character.category() == QChar::Other_Control && character != QLatin1Char('\n') &&
               character != QLatin1Char('\t');
    };
    EXPECT_TRUE(std::none_of(m_strOutput.cbegin(), m_strOutput.cend(), isRaw)) << m_strOutput.toStdString();
}

TEST_F(FolderCheckRunTest, SeveralAtOnceBehindASlowServerPrintTheSameLinesInTheGivenOrder) {
    const QString url = m_Sandbox.StartServer();
    ASSERT_FALSE(url.isEmpty()) << m_Sandbox.LastError().toStdString();
    CSvnRelay slowServer(static_cast<quint16>(QUrl(url).port()));
    ASSERT_TRUE(slowServer.IsListening());
    slowServer.SetConnectionDelay(std::chrono::milliseconds(300));
    const QString served = m_Sandbox.Folder() + QStringLiteral("/served");
    ASSERT_TRUE(m_Sandbox.RunTool(
        QStringLiteral("svn"), {QStringLiteral("checkout"), slowServer.Url(QStringLiteral("repo")), served}))
        << m_Sandbox.LastError().toStdString();
    const QString plain = m_Sandbox.Folder() + QStringLiteral("/plain");
    ASSERT_TRUE(QDir().mkpath(plain));
    // The slow one first and last: the quick ones in between end before it.
    const QStringList folders{served, m_WorkingCopies.m_strBehind, plain, m_WorkingCopies.m_strCurrent,
                              served};
    auto withoutTimes = [](QStringList lines) {
        for (QString& line : lines)
            line.remove(QRegularExpression(QStringLiteral("\t\\d\\d:\\d\\d:\\d\\d$")));
        return lines;
    };
    EXPECT_EQ(m_Run.CheckFolders(folders), CFolderCheckRun::kSomeFailed);
    const QStringList oneAtATime = withoutTimes(OutputLines());
    m_strOutput.clear();

    CFolderCheckRun fourAtOnce(m_strListFile, m_Output, m_Errors, m_Log, 4);
    EXPECT_EQ(fourAtOnce.CheckFolders(folders), CFolderCheckRun::kSomeFailed);

    ASSERT_EQ(oneAtATime.size(), 9) << oneAtATime.join('\n').toStdString();
    EXPECT_EQ(oneAtATime.first(), served + QStringLiteral("\tup-to-date\tcarol"));
    EXPECT_EQ(withoutTimes(OutputLines()), oneAtATime);
}

TEST_F(FolderCheckRunTest, RepositoryThatIsGoneIsANetworkError) {
    ASSERT_TRUE(QDir(m_Sandbox.RepositoryFolder()).removeRecursively());

    EXPECT_EQ(m_Run.CheckFolders({m_WorkingCopies.m_strCurrent}), CFolderCheckRun::kSomeFailed);
    EXPECT_TRUE(OutputLines().first().startsWith(m_WorkingCopies.m_strCurrent +
                                                 QStringLiteral("\terror network/server\t\t")));
    EXPECT_TRUE(OutputLines().value(1).startsWith(QStringLiteral("  svn: E170013: Unable to connect")))
        << m_strOutput.toStdString();
}

// Added but never committed, with its repository out of reach: the repository is asked first.
TEST_F(FolderCheckRunTest, FolderAddedButNotCommittedWithTheRepositoryGoneIsANetworkError) {
    const QString added = m_WorkingCopies.m_strCurrent + QStringLiteral("/added");
    ASSERT_TRUE(QDir().mkpath(added));
    ASSERT_TRUE(m_Sandbox.RunTool(QStringLiteral("svn"), {QStringLiteral("add"), added}))
        << m_Sandbox.LastError().toStdString();
    ASSERT_TRUE(QDir(m_Sandbox.RepositoryFolder()).removeRecursively());

    EXPECT_EQ(m_Run.CheckFolders({added}), CFolderCheckRun::kSomeFailed);
    EXPECT_TRUE(OutputLines().first().startsWith(added + QStringLiteral("\terror network/server\t\t")))
        << m_strOutput.toStdString();
}

TEST_F(FolderCheckRunTest, ListedFoldersAreCheckedInFileOrderAndTheFileIsLeftAlone) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(m_strListFile).path()));
    const QByteArray list = "  " + m_WorkingCopies.m_strCurrent.toLocal8Bit() + "\r\n\r\n" +
                            m_WorkingCopies.m_strBehind.toLocal8Bit() + "\n";
    ASSERT_TRUE(WriteFile(m_strListFile, list));
    const QDateTime modified = QFileInfo(m_strListFile).lastModified();

    EXPECT_EQ(m_Run.CheckListedFolders(), CFolderCheckRun::kSomeModified);

    const QStringList lines = OutputLines();
    ASSERT_EQ(lines.size(), 5) << m_strOutput.toStdString();
    // Each as the system writes it.
    EXPECT_TRUE(
        lines[0].startsWith(QDir::toNativeSeparators(m_WorkingCopies.m_strCurrent) + QLatin1Char('\t')));
    EXPECT_TRUE(
        lines[1].startsWith(QDir::toNativeSeparators(m_WorkingCopies.m_strBehind) + QLatin1Char('\t')));
    EXPECT_EQ(ContentsOf(m_strListFile), list);
    EXPECT_EQ(QFileInfo(m_strListFile).lastModified(), modified);
    EXPECT_EQ(QDir(QFileInfo(m_strListFile).path()).entryList(QDir::Files), QStringList{"pathlist.ini"});
}

TEST_F(FolderCheckRunTest, MissingListFileIsAnErrorThatNamesIt) {
    EXPECT_EQ(m_Run.CheckListedFolders(), CFolderCheckRun::kSomeFailed);

    EXPECT_TRUE(m_strOutput.isEmpty());
    EXPECT_TRUE(m_strErrors.contains(QDir::toNativeSeparators(m_strListFile) +
                                     QStringLiteral(": it does not exist;")))
        << m_strErrors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_strListFile));

    // A list of more than 1 MiB.
    ASSERT_TRUE(QDir().mkpath(QFileInfo(m_strListFile).path()));
    ASSERT_TRUE(WriteFile(m_strListFile, QByteArray(1024 * 1024 + 1, '\n')));
    EXPECT_EQ(m_Run.CheckListedFolders(), CFolderCheckRun::kSomeFailed);
    EXPECT_TRUE(m_strErrors.contains(QLatin1String(": it is larger than 1 MiB;")))
        << m_strErrors.toStdString();
    EXPECT_TRUE(m_strOutput.isEmpty());
}

TEST_F(FolderCheckRunTest, EmptyListFileChecksNothingAndSaysSo) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(m_strListFile).path()));
    ASSERT_TRUE(WriteFile(m_strListFile, "\n  \n"));

    EXPECT_EQ(m_Run.CheckListedFolders(), CFolderCheckRun::kAllUpToDate);
    EXPECT_TRUE(m_strOutput.isEmpty());
    EXPECT_TRUE(m_strErrors.contains(QLatin1String("names no folder"))) << m_strErrors.toStdString();
}

} // namespace
