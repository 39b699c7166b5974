#include "platform/ProgramArguments.h"

namespace platform {

QStringList ProgramArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

bool AsksForHelp(const QString& /*argument*/) {
    return false;
}

} // namespace platform
