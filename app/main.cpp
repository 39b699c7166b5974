#include "app/CCommandLineRun.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/CSingleInstance.h"
#include "app/CTrayStartup.h"
#include "platform/CTerminationSignals.h"
#include "platform/CThreadStarter.h"
#include "platform/NetworkSource.h"
#include "platform/QtNotifyArea.h"
#include "platform/SystemInfo.h"
#include "settings/CConfigWatchdog.h"
#include "ui/Resources.h"

#include <QApplication>
#include <QTextStream>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <optional>

namespace {

// No notification area came: the program ends, not as a success.
constexpr int kExitNoTray = 1;
// A later start whose request the running tray program never answered, or that it did not end.
constexpr int kExitNotAnswered = 1;
constexpr std::chrono::seconds kAnswerTimeout{10};
// Quit may first ask about a running update.
constexpr std::chrono::seconds kQuitTimeout{60};

// Another tray program runs for this user and display: it is asked to open its report instead.
int AskRunningProgram(CSingleInstance& instance, int& argc, char** argv) {
    const QCoreApplication application(argc, argv);
    if (instance.AskToOpenReport(kAnswerTimeout))
        return 0;
    std::fprintf(stderr,
                 "Corvane: a Corvane already runs for this user and display but did not answer within "
                 "%lld s; end it, then start Corvane again\n",
                 static_cast<long long>(kAnswerTimeout.count()));
    return kExitNotAnswered;
}

// --quit: the running tray program is asked to end, and this waits until it has.
int AskRunningProgramToQuit(CSingleInstance& instance, int& argc, char** argv) {
    const QCoreApplication application(argc, argv);
    if (instance.AskToQuit(kQuitTimeout))
        return 0;
    QTextStream(stderr) << "corvane: the running tray program did not end\n";
    return kExitNotAnswered;
}

} // namespace

int main(int argc, char* argv[]) {
    // svn's output, the list file and the settings file are text in the user's locale.
    std::setlocale(LC_ALL, "");
    CCommandLineRun commandLine(argc, argv);
    if (const std::optional<int> exitStatus = commandLine.RunWithoutTray())
        return *exitStatus;
    CSingleInstance instance(CSingleInstance::CurrentDisplay());
    if (!instance.Claim()) {
        if (commandLine.QuitsRunningProgram())
            return AskRunningProgramToQuit(instance, argc, argv);
        return commandLine.StartsOnlyIfNotRunning() ? 0 : AskRunningProgram(instance, argc, argv);
    }
    // None runs: nothing to end.
    if (commandLine.QuitsRunningProgram())
        return 0;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    // Every window of the program shows its icon, not the system's generic one.
    QApplication::setWindowIcon(ApplicationIcon());
    // Names the program to the desktop by its menu entry, io.github.corvane.Corvane.desktop: Wayland
    // windows carry it as their app id, notifications as their desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.corvane.Corvane"));
    // The program has no main window; closing a dialog must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    instance.Listen();
    // kill, logout and Ctrl-C end the program as Quit does.
    platform::CTerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &platform::CTerminationSignals::Received, &application,
                     [] { theApp.Quit(); });
    QObject::connect(&instance, &CSingleInstance::QuitRequested, &application, [] { theApp.Quit(); });
    // A later start asks for the report; one that comes while the program still waits for a tray
    // gets it as soon as the frame is there.
    bool bReportAsked = false;
    QObject::connect(&instance, &CSingleInstance::ReportRequested, &application, [&bReportAsked] {
        if (CMainFrame* pFrame = theApp.MainFrame())
            pFrame->OnCommand(CMainFrame::ID_REPORT);
        else
            bReportAsked = true;
    });

    platform::CQtNotifyArea notifyArea;
    // Made before the frame and gone after it: the frame hears from it while it lives.
    const std::unique_ptr<platform::CNetworkSource> pNetwork = platform::MakeSystemNetworkSource();
    // The frame lives in this scope, made after the Qt application and gone before it, never among
    // the globals. It is made once the desktop has a tray, which at login may come after the program.
    std::optional<CMainFrame> frame;
    CTrayStartup trayStartup(
        [&] {
            frame.emplace(notifyArea, theApp, CConfigWatchdog::DefaultListFile(platform::ProgramFolder()),
                          std::make_unique<CThreadStarter>());
            frame->SetNetworkSource(pNetwork.get());
            if (theApp.InitInstance(*frame)) {
                if (bReportAsked)
                    frame->OnCommand(CMainFrame::ID_REPORT);
                return true;
            }
            frame.reset();
            return false;
        },
        kExitNoTray);
    if (!trayStartup.Begin())
        return kExitNoTray;
    const int exitCode = QApplication::exec();
    theApp.ExitInstance();
    frame.reset();
    return exitCode;
}
