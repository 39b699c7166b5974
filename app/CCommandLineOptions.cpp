#include "app/CCommandLineOptions.h"

#include "platform/ProgramArguments.h"
#include "platform/UsageText.h"

#include <optional>

namespace {

constexpr char kRevision[] = "100";

CCommandLineOptions Refused(const QString& error) {
    CCommandLineOptions options;
    options.m_eAction = CCommandLineOptions::Action::UsageError;
    options.m_strError = error;
    return options;
}

// The number of --jobs; nothing when it is not a whole number from 1 to kMaxJobs.
std::optional<unsigned> JobCount(const QString& text) {
    bool bNumber = false;
    const unsigned nJobs = text.toUInt(&bNumber);
    if (!bNumber || nJobs < 1 || nJobs > CCommandLineOptions::kMaxJobs)
        return std::nullopt;
    return nJobs;
}

} // namespace

CCommandLineOptions CCommandLineOptions::Parse(const QStringList& arguments) {
    bool bCheck = false;
    bool bHelp = false;
    bool bVersion = false;
    bool bQuit = false;
    bool bJobs = false;
    bool bIfNotRunning = false;
    bool bOptionsEnded = false;
    CCommandLineOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!bOptionsEnded && platform::AsksForHelp(argument)) {
            bHelp = true;
        } else if (bOptionsEnded || !argument.startsWith(QLatin1Char('-')) ||
                   argument == QLatin1String("-")) {
            if (argument.isEmpty())
                return Refused(QStringLiteral("an empty folder name was given"));
            options.m_Folders.append(argument);
        } else if (argument == QLatin1String("--")) {
            // Folders whose names start with '-' follow.
            bOptionsEnded = true;
        } else if (argument == QLatin1String("--check")) {
            bCheck = true;
        } else if (argument == QLatin1String("--jobs") || argument.startsWith(QLatin1String("--jobs="))) {
            const bool bJoined = argument.size() > 6;
            if (!bJoined && i + 1 == arguments.size())
                return Refused(QStringLiteral("--jobs needs a number"));
            const QString count = bJoined ? argument.mid(7) : arguments[++i];
            const std::optional<unsigned> nJobs = JobCount(count);
            if (!nJobs)
                return Refused(QStringLiteral("--jobs takes a number from 1 to %1, not '%2'")
                                   .arg(QString::number(kMaxJobs), count));
            options.m_nJobs = *nJobs;
            bJobs = true;
        } else if (argument == QLatin1String("--log")) {
            options.m_bLog = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            bHelp = true;
        } else if (argument == QLatin1String("--version")) {
            bVersion = true;
        } else if (argument == QLatin1String("--quit")) {
            bQuit = true;
        } else if (argument == QLatin1String("--if-not-running")) {
            bIfNotRunning = true;
        } else {
            return Refused(QStringLiteral("unknown option '%1'").arg(argument));
        }
    }

    if (bHelp)
        options.m_eAction = Action::ShowHelp;
    else if (bVersion)
        options.m_eAction = Action::ShowVersion;
    else if (bIfNotRunning && (bQuit || bCheck || bJobs || !options.m_Folders.isEmpty()))
        // Only the tray program can already run.
        return Refused(QStringLiteral("--if-not-running is only taken alone or with --log"));
    else if (bQuit && (bCheck || bJobs || options.m_bLog || !options.m_Folders.isEmpty()))
        // A log switched on here would be the tray program's own, cut short.
        return Refused(QStringLiteral("--quit takes no other option and no folder"));
    else if (bQuit)
        options.m_eAction = Action::QuitRunning;
    else if (bCheck)
        options.m_eAction = Action::CheckFolders;
    else if (!options.m_Folders.isEmpty())
        return Refused(QStringLiteral("folders are only taken with --check"));
    else if (bJobs)
        return Refused(QStringLiteral("--jobs is only taken with --check"));
    options.m_bIfNotRunning = bIfNotRunning;
    return options;
}

QStringList CCommandLineOptions::ArgumentsOf(int argc, char** argv) {
    return platform::ProgramArguments(argc, argv);
}

QString CCommandLineOptions::Usage() {
    return QStringLiteral(
               "Usage: corvane [--if-not-running] [--log]\n"
               "       corvane --check [--jobs N] [--log] [FOLDER...]\n"
               "       corvane --quit\n"
               "       corvane --help | --version\n"
               "\n"
               "Watches Subversion and Git working copies from the system tray and tells you when one is\n"
               "behind its repository. The watched folders are listed in pathlist.ini; a folder with a\n"
               ".git of its own is asked of git, any other of svn. One tray program runs per user and\n"
               "display: starting it again opens the running one's report.\n"
               "\n") +
           platform::UserFilesUsage() +
           QStringLiteral(
               "\n"
               "  --check    check each FOLDER (without any, those of pathlist.ini) once, now, without\n"
               "             a tray, and print one line per folder: path, state, last author and check\n"
               "             time, separated by tabs; for a folder in error, the reason follows; for a\n"
               "             folder that is behind, the alert; both indented by two spaces. Each svn\n"
               "             or git run may take 300 s. The lines come in the order the folders were\n"
               "             given.") +
           platform::CheckOutputUsage() +
           QStringLiteral(
               "             Exit status: 0 all up-to-date, 1 some modified, 2 some in error or\n") +
           platform::CheckEndedUsage() +
           QStringLiteral(
               "  --jobs N   with --check: check up to N folders at once (1 to 64, default 4)\n"
               "  --log      write the activity log Corvane.log beside pathlist.ini; with --check,\n"
               "             Corvane-check.log in the same folder\n"
               "  --quit     end the running tray program as its Quit does, and wait until it has\n"
               "             ended (the installer's uninstall uses it); exit status 0 also when none\n"
               "             runs, 1 when it does not end\n"
               "  --if-not-running\n"
               "             start the tray program only when none runs yet; when one runs, end at\n"
               "             once, without opening its report (the installer starts Corvane so)\n") +
           platform::HelpOptionUsage() + QStringLiteral("  --version  show the program's revision\n");
}

QString CCommandLineOptions::VersionText() {
    return QStringLiteral("Corvane Revision %1").arg(QLatin1String(kRevision));
}
