#include "app/CCommandLineRun.h"

#include "app/CFolderCheckRun.h"
#include "platform/FileSystemAccess.h"
#include "platform/SystemInfo.h"
#include "settings/CConfigWatchdog.h"
#include "settings/MyLogFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitUsageError = 2;

// A folder named on the command line, made absolute against the current directory and cleaned, so
// that "." or "wc/" are checked and announced under the folder's own name.
QString AbsoluteFolder(const QString& folder) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(folder));
}

} // namespace

CCommandLineRun::CCommandLineRun(int& argc, char** argv)
    : m_argc(argc), m_argv(argv),
      m_Options(CCommandLineOptions::Parse(CCommandLineOptions::ArgumentsOf(argc, argv))) {
    if (m_Options.m_bLog && m_Options.m_eAction != CCommandLineOptions::Action::UsageError) {
        const QString logFile = ActivityLogFile(platform::ProgramFolder());
        QDir().mkpath(QFileInfo(logFile).path());
        theLogFile.SwitchOn(logFile, true, true);
    }
}

std::optional<int> CCommandLineRun::RunWithoutTray() {
    switch (m_Options.m_eAction) {
    case CCommandLineOptions::Action::RunTray:
        return std::nullopt;
    case CCommandLineOptions::Action::ShowHelp:
        QTextStream(stdout) << CCommandLineOptions::Usage();
        return kExitSuccess;
    case CCommandLineOptions::Action::ShowVersion:
        QTextStream(stdout) << CCommandLineOptions::VersionText() << '\n';
        return kExitSuccess;
    case CCommandLineOptions::Action::CheckFolders:
        return RunCheck();
    case CCommandLineOptions::Action::UsageError:
        break;
    }
    QTextStream(stderr) << "corvane: " << m_Options.m_strError << '\n' << CCommandLineOptions::Usage();
    return kExitUsageError;
}

QString CCommandLineRun::ActivityLogFile(const QString& programFolder) {
    const QString folder =
        platform::IsWritableFolder(programFolder) ? programFolder : platform::UserConfigFolder();
    return folder + QStringLiteral("/Corvane.log");
}

int CCommandLineRun::RunCheck() {
    const QCoreApplication application(m_argc, m_argv);
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    QTextStream output(stdout);
    QTextStream errors(stderr);
    CFolderCheckRun run(CConfigWatchdog::DefaultListFile(platform::ProgramFolder()), output, errors,
                        theLogFile);
    int exitStatus = CFolderCheckRun::kAllUpToDate;
    if (m_Options.m_Folders.isEmpty()) {
        exitStatus = run.CheckListedFolders();
    } else {
        QStringList folders;
        for (const QString& folder : m_Options.m_Folders)
            folders.append(AbsoluteFolder(folder));
        exitStatus = run.CheckFolders(folders);
    }
    theLogFile.Close();
    return exitStatus;
}
