#include "app/CCommandLineRun.h"
#include "app/CCorvaneApp.h"
#include "app/CTrayStartup.h"

#include <QApplication>
#include <clocale>
#include <optional>

namespace {

// No notification area came: the program ends, not as a success.
constexpr int kExitNoTray = 1;

} // namespace

int main(int argc, char* argv[]) {
    // svn's output, the list file and the settings file are text in the user's locale.
    std::setlocale(LC_ALL, "");
    CCommandLineRun commandLine(argc, argv);
    if (const std::optional<int> exitStatus = commandLine.RunWithoutTray())
        return *exitStatus;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    // Names the program to the desktop: notifications carry its name and icon from corvane.desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane"));
    // The program has no main window; closing a dialog must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    CTrayStartup trayStartup([] { return theApp.InitInstance(); }, kExitNoTray);
    if (!trayStartup.Begin())
        return kExitNoTray;
    const int exitCode = QApplication::exec();
    theApp.ExitInstance();
    return exitCode;
}
