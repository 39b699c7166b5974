#include "platform/ProgramArguments.h"

#include <cstdlib>
#include <windows.h>

namespace platform {

QStringList ProgramArguments(int argc, char** argv) {
    QStringList arguments;
    int iCount = 0;
    LPWSTR* wideArguments = argv == __argv ? CommandLineToArgvW(GetCommandLineW(), &iCount) : nullptr;
    if (wideArguments != nullptr && iCount == argc) {
        for (int i = 1; i < iCount; ++i)
            arguments.append(QString::fromWCharArray(wideArguments[i]));
    } else {
        for (int i = 1; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    LocalFree(wideArguments);
    return arguments;
}

bool AsksForHelp(const QString& argument) {
    return argument == QLatin1String("/?");
}

} // namespace platform
