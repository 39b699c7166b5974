#include "app/CCommandLineOptions.h"

#include <QDir>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

using Action = CCommandLineOptions::Action;

CCommandLineOptions Parse(const QStringList& arguments) {
    return CCommandLineOptions::Parse(arguments);
}

TEST(CommandLineOptionsTest, NoArgumentsStartTheTrayWithoutLog) {
    const CCommandLineOptions options = Parse({});
    EXPECT_EQ(options.m_eAction, Action::RunTray);
    EXPECT_FALSE(options.m_bLog);

    const CCommandLineOptions logged = Parse({QStringLiteral("--log")});
    EXPECT_EQ(logged.m_eAction, Action::RunTray);
    EXPECT_TRUE(logged.m_bLog);
}

TEST(CommandLineOptionsTest, CheckTakesTheFoldersInTheirOrderWhereverTheyStand) {
    const CCommandLineOptions options =
        Parse({QStringLiteral("/b"), QStringLiteral("--check"), QStringLiteral("/a"), QStringLiteral("--log"),
               QStringLiteral("/b")});
    EXPECT_EQ(options.m_eAction, Action::CheckFolders);
    EXPECT_EQ(options.m_Folders,
              (QStringList{QStringLiteral("/b"), QStringLiteral("/a"), QStringLiteral("/b")}));
    EXPECT_TRUE(options.m_bLog);

    EXPECT_TRUE(Parse({QStringLiteral("--check")}).m_Folders.isEmpty());
}

TEST(CommandLineOptionsTest, JobsTakesACountFromOneToSixtyFourOnlyWithCheck) {
    EXPECT_EQ(Parse({QStringLiteral("--check")}).m_nJobs, 4u);
    const CCommandLineOptions separate = Parse(
        {QStringLiteral("--check"), QStringLiteral("--jobs"), QStringLiteral("1"), QStringLiteral("/a")});
    EXPECT_EQ(separate.m_eAction, Action::CheckFolders);
    EXPECT_EQ(separate.m_nJobs, 1u);
    // The count is never taken for a folder.
    EXPECT_EQ(separate.m_Folders, QStringList{QStringLiteral("/a")});
    EXPECT_EQ(Parse({QStringLiteral("--jobs=64"), QStringLiteral("--check")}).m_nJobs, 64u);

    for (const QStringList& wrong :
         {QStringList{QStringLiteral("--check"), QStringLiteral("--jobs")},
          QStringList{QStringLiteral("--check"), QStringLiteral("--jobs"), QStringLiteral("0")},
          QStringList{QStringLiteral("--check"), QStringLiteral("--jobs=65")},
          QStringList{QStringLiteral("--check"), QStringLiteral("--jobs"), QStringLiteral("/a")},
          QStringList{QStringLiteral("--check"), QStringLiteral("--jobs=-2")},
          QStringList{QStringLiteral("--jobs"), QStringLiteral("2")}}) {
        const CCommandLineOptions options = Parse(wrong);
        EXPECT_EQ(options.m_eAction, Action::UsageError) << wrong.join(' ').toStdString();
        EXPECT_TRUE(options.m_strError.contains(QLatin1String("--jobs"))) << options.m_strError.toStdString();
    }
}

TEST(CommandLineOptionsTest, DoubleDashLetsFolderNamesStartWithADash) {
    const CCommandLineOptions options = Parse(
        {QStringLiteral("--check"), QStringLiteral("--"), QStringLiteral("--log"), QStringLiteral("-wc")});
    EXPECT_EQ(options.m_eAction, Action::CheckFolders);
    EXPECT_EQ(options.m_Folders, (QStringList{QStringLiteral("--log"), QStringLiteral("-wc")}));
    EXPECT_FALSE(options.m_bLog);
    // A lone dash is a name, not an option.
    EXPECT_EQ(Parse({QStringLiteral("--check"), QStringLiteral("-")}).m_Folders,
              QStringList{QStringLiteral("-")});
}

TEST(CommandLineOptionsTest, UnknownOptionsAreRefusedByName) {
    for (const QString& option :
         {QStringLiteral("--chek"), QStringLiteral("-x"), QStringLiteral("--check=/wc"),
          QStringLiteral("--LOG"), QStringLiteral("-platform")}) {
        const CCommandLineOptions options = Parse({QStringLiteral("--check"), option});
        EXPECT_EQ(options.m_eAction, Action::UsageError) << option.toStdString();
        EXPECT_TRUE(options.m_strError.contains(option)) << options.m_strError.toStdString();
    }
}

TEST(CommandLineOptionsTest, FoldersWithoutCheckAndEmptyFolderNamesAreRefused) {
    EXPECT_EQ(Parse({QStringLiteral("/wc")}).m_eAction, Action::UsageError);
    EXPECT_EQ(Parse({QStringLiteral("--log"), QStringLiteral("/wc")}).m_eAction, Action::UsageError);
    EXPECT_EQ(Parse({QStringLiteral("--check"), QString()}).m_eAction, Action::UsageError);
}

TEST(CommandLineOptionsTest, HelpWinsOverVersionWhichWinsOverCheckButNotOverAMistake) {
    EXPECT_EQ(
        Parse({QStringLiteral("--check"), QStringLiteral("--version"), QStringLiteral("--help")}).m_eAction,
        Action::ShowHelp);
    EXPECT_EQ(Parse({QStringLiteral("-h")}).m_eAction, Action::ShowHelp);
    EXPECT_EQ(Parse({QStringLiteral("--check"), QStringLiteral("--version")}).m_eAction, Action::ShowVersion);
    EXPECT_EQ(Parse({QStringLiteral("--help"), QStringLiteral("--bogus")}).m_eAction, Action::UsageError);
    EXPECT_TRUE(Parse({QStringLiteral("--help")}).m_strError.isEmpty());
    EXPECT_EQ(Parse({QStringLiteral("--quit")}).m_eAction, Action::QuitRunning);
    EXPECT_EQ(Parse({QStringLiteral("--quit"), QStringLiteral("--version")}).m_eAction, Action::ShowVersion);
    // The installer's start goes with the tray program alone: nothing else can already run.
    EXPECT_TRUE(Parse({QStringLiteral("--if-not-running"), QStringLiteral("--log")}).m_bIfNotRunning);
    EXPECT_EQ(Parse({QStringLiteral("--if-not-running"), QStringLiteral("--check")}).m_eAction,
              Action::UsageError);
    // Windows programs show their help for "/?"; on Linux it names a file.
    EXPECT_EQ(Parse({QStringLiteral("--check"), QStringLiteral("/?")}).m_eAction,
              QDir::separator() == QLatin1Char('\\') ? Action::ShowHelp : Action::CheckFolders);
}

// --quit speaks to the tray program alone: a folder, a check or a log of its own would be meant for
// something else, and the log would be the tray program's own.
TEST(CommandLineOptionsTest, QuitTakesNothingElse) {
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--quit"), QStringLiteral("--check")},
          QStringList{QStringLiteral("--quit"), QStringLiteral("/wc")},
          QStringList{QStringLiteral("--log"), QStringLiteral("--quit")},
          QStringList{QStringLiteral("--quit"), QStringLiteral("--jobs"), QStringLiteral("2")}}) {
        const CCommandLineOptions options = Parse(arguments);
        EXPECT_EQ(options.m_eAction, Action::UsageError) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(options.m_strError.contains(QStringLiteral("--quit")));
    }
}

TEST(CommandLineOptionsTest, ArgumentsSkipTheProgramNameAndDecodeTheLocaleEncoding) {
    char program[] = "corvane";
    char check[] = "--check";
    char folder[] = "/home/zo\xc3\xa9/wc";
    char* argv[] = {program, check, folder, nullptr};

    EXPECT_EQ(CCommandLineOptions::ArgumentsOf(3, argv),
              (QStringList{QStringLiteral("--check"), QStringLiteral("/home/zo\u00e9/wc")}));
}

} // namespace
