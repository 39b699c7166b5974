#include "app/CCommandLineOptions.h"

namespace {

constexpr char kRevision[] = "100";

CCommandLineOptions Refused(const QString& error) {
    CCommandLineOptions options;
    options.m_eAction = CCommandLineOptions::Action::UsageError;
    options.m_strError = error;
    return options;
}

} // namespace

CCommandLineOptions CCommandLineOptions::Parse(const QStringList& arguments) {
    bool bCheck = false;
    bool bHelp = false;
    bool bVersion = false;
    bool bOptionsEnded = false;
    CCommandLineOptions options;
    for (const QString& argument : arguments) {
        if (bOptionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            if (argument.isEmpty())
                return Refused(QStringLiteral("an empty folder name was given"));
            options.m_Folders.append(argument);
        } else if (argument == QLatin1String("--")) {
            // Folders whose names start with '-' follow.
            bOptionsEnded = true;
        } else if (argument == QLatin1String("--check")) {
            bCheck = true;
        } else if (argument == QLatin1String("--log")) {
            options.m_bLog = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            bHelp = true;
        } else if (argument == QLatin1String("--version")) {
            bVersion = true;
        } else {
            return Refused(QStringLiteral("unknown option '%1'").arg(argument));
        }
    }

    if (bHelp)
        options.m_eAction = Action::ShowHelp;
    else if (bVersion)
        options.m_eAction = Action::ShowVersion;
    else if (bCheck)
        options.m_eAction = Action::CheckFolders;
    else if (!options.m_Folders.isEmpty())
        return Refused(QStringLiteral("folders are only taken with --check"));
    return options;
}

QStringList CCommandLineOptions::ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

QString CCommandLineOptions::Usage() {
    return QStringLiteral(
        "Usage: corvane [--log]\n"
        "       corvane --check [--log] [FOLDER...]\n"
        "       corvane --help | --version\n"
        "\n"
        "Watches Subversion working copies from the system tray and tells you when one is behind\n"
        "its repository. The watched folders are listed in pathlist.ini.\n"
        "\n"
        "  --check    check each FOLDER (without any, those of pathlist.ini) once, now, without\n"
        "             a tray, and print one line per folder: path, state, last author and check\n"
        "             time, separated by tabs; for a folder that is behind, the alert follows.\n"
        "             Exit status: 0 all up-to-date, 1 some modified, 2 some in error.\n"
        "  --log      write the activity log Corvane.log beside the program (or, when that\n"
        "             folder is read-only, beside pathlist.ini in ~/.config/corvane)\n"
        "  --help     show this help\n"
        "  --version  show the program's revision\n");
}

QString CCommandLineOptions::VersionText() {
    return QStringLiteral("Corvane Revision %1").arg(QLatin1String(kRevision));
}
