#include "platform/ProgramArguments.h"

#include <QByteArray>
#include <windows.h>

namespace platform {

QStringList ProgramArguments(int argc, char** argv) {
    int iCount = 0;
    LPWSTR* wideArguments = CommandLineToArgvW(GetCommandLineW(), &iCount);
    const bool bSameCount = wideArguments != nullptr && iCount == argc;
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        // The C runtime hands main a copy of its argv, so the arguments are known as the process's
        // own by their text: each narrow one is its wide one in the ANSI code page.
        const QByteArray narrow(argv[i]);
        const QString wide = bSameCount ? QString::fromWCharArray(wideArguments[i]) : QString();
        arguments.append(bSameCount && wide.toLocal8Bit() == narrow ? wide : QString::fromLocal8Bit(narrow));
    }
    LocalFree(wideArguments);
    return arguments;
}

bool AsksForHelp(const QString& argument) {
    return argument == QLatin1String("/?");
}

} // namespace platform
