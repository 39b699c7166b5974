#include "app/CCommandLineRun.h"

#include "app/CFolderCheckRun.h"
#include "platform/CBrokenOutputWatcher.h"
#include "platform/CTerminationSignals.h"
#include "platform/FileSystemAccess.h"
#include "platform/PathNames.h"
#include "platform/StandardStreams.h"
#include "platform/SystemInfo.h"
#include "settings/CConfigWatchdog.h"
#include "settings/MyLogFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <stop_token>
#include <thread>

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitUsageError = 2;

// Text for the process's standard output or error, as the system's console shows it.
class CStandardText final {
public:
    explicit CStandardText(std::FILE* stream)
        : m_pDevice(platform::OpenStandardStream(stream)), m_Stream(m_pDevice.get()) {}
    QTextStream& Stream() { return m_Stream; }

private:
    std::unique_ptr<QIODevice> m_pDevice;
    QTextStream m_Stream;
};

// A folder named on the command line, made absolute against the current directory and cleaned, so
// that "." or "wc/" are checked and announced under the folder's own name, as the system writes it.
QString AbsoluteFolder(const QString& folder) {
    return platform::NativePath(QDir::cleanPath(QDir::current().absoluteFilePath(folder)));
}

} // namespace

CCommandLineRun::CCommandLineRun(int& argc, char** argv)
    : m_argc(argc), m_argv(argv),
      m_Options(CCommandLineOptions::Parse(CCommandLineOptions::ArgumentsOf(argc, argv))) {
    if (m_Options.m_bLog && m_Options.m_eAction != CCommandLineOptions::Action::UsageError) {
        // --check keeps a log of its own, so that it never cuts short the log of a running tray program.
        const QString logFile = m_Options.m_eAction == CCommandLineOptions::Action::CheckFolders
                                    ? CheckLogFile(platform::ProgramFolder())
                                    : ActivityLogFile(platform::ProgramFolder());
        QDir().mkpath(QFileInfo(logFile).path());
        theLogFile.SwitchOn(logFile, true, true);
        // The log is never written through a link; a log asked for and not kept must not go unsaid.
        if (!theLogFile.Open())
            CStandardText(stderr).Stream()
                << "corvane: cannot write the log " << CFolderCheckRun::Escaped(platform::NativePath(logFile))
                << ": it is a symbolic link, no regular file, or not writable; remove or "
                   "fix it to keep a log\n";
    }
}

std::optional<int> CCommandLineRun::RunWithoutTray() {
    switch (m_Options.m_eAction) {
    case CCommandLineOptions::Action::RunTray:
    case CCommandLineOptions::Action::QuitRunning:
        return std::nullopt;
    case CCommandLineOptions::Action::ShowHelp:
        CStandardText(stdout).Stream() << CCommandLineOptions::Usage();
        return kExitSuccess;
    case CCommandLineOptions::Action::ShowVersion:
        CStandardText(stdout).Stream() << CCommandLineOptions::VersionText() << '\n';
        return kExitSuccess;
    case CCommandLineOptions::Action::CheckFolders:
        return RunCheck();
    case CCommandLineOptions::Action::UsageError:
        break;
    }
    CStandardText(stderr).Stream() << "corvane: " << m_Options.m_strError << '\n'
                                   << CCommandLineOptions::Usage();
    return kExitUsageError;
}

QString CCommandLineRun::ActivityLogFile(const QString& programFolder) {
    return platform::UserFilesFolder(programFolder) + QStringLiteral("/Corvane.log");
}

QString CCommandLineRun::CheckLogFile(const QString& programFolder) {
    return QFileInfo(ActivityLogFile(programFolder)).path() + QStringLiteral("/Corvane-check.log");
}

void CCommandLineRun::EndEventLoop(QCoreApplication& application) {
    QMetaObject::invokeMethod(
        &application, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

int CCommandLineRun::RunCheck() {
    QCoreApplication application(m_argc, m_argv);
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    // A signal stops every check at once; the program then ends with the signal's status. So does
    // the end of the reader of the outcomes, as SIGPIPE would if it were not ignored.
    std::stop_source stop;
    std::optional<int> stoppedStatus;
    const auto stopWith = [&](int iStatus) {
        if (!stoppedStatus)
            stoppedStatus = iStatus;
        stop.request_stop();
    };
    platform::CTerminationSignals terminationSignals;
    QObject::connect(
        &terminationSignals, &platform::CTerminationSignals::Received, &application,
        [&](int iReceived) { stopWith(platform::CTerminationSignals::ExitStatusFor(iReceived)); });
    platform::CBrokenOutputWatcher brokenOutput;
    QObject::connect(&brokenOutput, &platform::CBrokenOutputWatcher::Broken, &application,
                     [&] { stopWith(platform::CBrokenOutputWatcher::ExitStatus()); });

    QStringList folders;
    for (const QString& folder : m_Options.m_Folders)
        folders.append(AbsoluteFolder(folder));
    int exitStatus = CFolderCheckRun::kAllUpToDate;
    // The checks wait on their own thread, so that this one stays free to hear a signal.
    std::thread checker([&] {
        CStandardText standardOutput(stdout);
        CStandardText standardError(stderr);
        QTextStream& output = standardOutput.Stream();
        QTextStream& errors = standardError.Stream();
        CFolderCheckRun run(CConfigWatchdog::DefaultListFile(platform::ProgramFolder()), output, errors,
                            theLogFile, m_Options.m_nJobs);
        exitStatus = folders.isEmpty() ? run.CheckListedFolders(stop.get_token())
                                       : run.CheckFolders(folders, stop.get_token());
        if (run.OutputFailed()) {
            // A reader that went away is no error of ours; a full disk or a broken device is.
            if (platform::CBrokenOutputWatcher::IsBroken())
                exitStatus = platform::CBrokenOutputWatcher::ExitStatus();
            else
                errors << "corvane: cannot write the outcomes: " << output.device()->errorString()
                       << Qt::endl;
        }
        EndEventLoop(application);
    });
    QCoreApplication::exec();
    checker.join();
    theLogFile.Close();
    return stoppedStatus.value_or(exitStatus);
}
