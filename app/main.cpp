#include "app/CCommandLineRun.h"
#include "app/CCorvaneApp.h"

#include <QApplication>
#include <clocale>
#include <optional>

namespace {

// The desktop has no notification area: the program ends without a word, but not as a success.
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
    // The program has no main window; closing a dialog must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    if (!theApp.InitInstance())
        return kExitNoTray;
    const int exitCode = QApplication::exec();
    theApp.ExitInstance();
    return exitCode;
}
