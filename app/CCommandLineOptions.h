#pragma once

#include <QString>
#include <QStringList>

// What the program's command line asks for. Only the program's own options are known; any other
// argument that starts with '-' makes the command line a usage error.
class CCommandLineOptions final {
public:
    enum class Action {
        RunTray,      // no option: the tray program
        CheckFolders, // --check: check folders once, print the outcome and end
        ShowHelp,     // --help
        ShowVersion,  // --version
        QuitRunning,  // --quit: ask the running tray program to end, as its Quit does
        UsageError,   // anything else; m_strError says what was wrong
    };

    // Reads the arguments that follow the program's name. --help wins over --version, which wins over
    // --quit and --check; a usage error wins over all of them.
    static CCommandLineOptions Parse(const QStringList& arguments);
    // The arguments of main after the program's name, decoded from the locale's encoding.
    static QStringList ArgumentsOf(int argc, char** argv);
    // How to call the program, for --help and for a usage error.
    static QString Usage();
    // The line that --version prints.
    static QString VersionText();

    // The most folders --check may check at once, and how many it checks at once when not told.
    static constexpr unsigned kMaxJobs = 64;
    static constexpr unsigned kDefaultJobs = 4;

    Action m_eAction = Action::RunTray;
    // The folders named after --check, as given; empty means the folders of the watch list.
    QStringList m_Folders;
    // --jobs: how many folders --check checks at once.
    unsigned m_nJobs = kDefaultJobs;
    // --log: the activity log is switched on.
    bool m_bLog = false;
    // --if-not-running: a tray program that finds another one running ends quietly, without asking
    // for its report.
    bool m_bIfNotRunning = false;
    // Why the command line was refused; empty unless m_eAction is UsageError.
    QString m_strError;
};
