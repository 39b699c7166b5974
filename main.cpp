#include "engine/CCommandLineRun.h"

#include <QCoreApplication>
#include <clocale>
#include <optional>

int main(int argc, char* argv[]) {
    // svn's output, the list file and the settings file are text in the user's locale.
    std::setlocale(LC_ALL, "");
    CCommandLineRun commandLine(argc, argv);
    if (const std::optional<int> exitStatus = commandLine.RunWithoutTray())
        return *exitStatus;
    QCoreApplication application(argc, argv);
    return 0;
}
