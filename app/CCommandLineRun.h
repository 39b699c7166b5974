#pragma once

#include "app/CCommandLineOptions.h"

#include <QString>
#include <optional>

class QCoreApplication;

// Carries out the program's command line, apart from the tray program itself, which main starts when
// nothing else is asked for. Help, version and usage errors need no display, and neither does
// --check, which runs on a QCoreApplication of its own.
class CCommandLineRun final {
public:
    // Reads main's arguments and, when --log is given, switches theLogFile on. argc and argv must
    // outlive the object.
    CCommandLineRun(int& argc, char** argv);

    // Carries out what the command line asks for unless it is the tray program or reaches it
    // (--quit). The process's exit status (2 for a usage error), or nothing when main goes on.
    std::optional<int> RunWithoutTray();
    // Whether the command line asks the running tray program to end.
    bool QuitsRunningProgram() const {
        return m_Options.m_eAction == CCommandLineOptions::Action::QuitRunning;
    }

    // Whether a tray program that finds another one running is to end without a word to it.
    bool StartsOnlyIfNotRunning() const { return m_Options.m_bIfNotRunning; }

    // Where the activity log of a program kept in this folder goes: beside the watch list, in the
    // folder that keeps the user's files (platform::UserFilesFolder).
    static QString ActivityLogFile(const QString& programFolder);
    // Where the log of --check goes: a file of its own beside the activity log.
    static QString CheckLogFile(const QString& programFolder);

private:
    int RunCheck();
    // Ends the application's event loop from another thread: the one that waited for the checks.
    static void EndEventLoop(QCoreApplication& application);

    int& m_argc;
    char** m_argv;
    const CCommandLineOptions m_Options;
};
