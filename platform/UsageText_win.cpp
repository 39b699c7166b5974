#include "platform/UsageText.h"

namespace platform {

QString UserFilesUsage() {
    return QStringLiteral(
        "pathlist.ini and the logs lie beside the program while that folder is yours and you can\n"
        "create files in it, and it is not where the installer puts the program for you alone\n"
        "(%LOCALAPPDATA%\\Programs); otherwise in %APPDATA%\\Corvane.\n");
}

QString CheckEndedUsage() {
    return QStringLiteral(
        "             the outcomes not written; 130 when ended by Ctrl+C, 149 by Ctrl+Break,\n"
        "             129 when its console closed, 143 at log-off or shut-down, and 141 when\n"
        "             the outcomes' reader is gone.\n");
}

} // namespace platform
