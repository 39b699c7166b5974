#include "platform/UsageText.h"

namespace platform {

QString UserFilesUsage() {
    return QStringLiteral(
        "pathlist.ini and the logs lie beside the program while that folder is yours and you can\n"
        "create files in it, and it is not where the installer puts the program for you alone\n"
        "(%LOCALAPPDATA%\\Programs); otherwise in %APPDATA%\\Corvane.\n");
}

QString CheckOutputUsage() {
    return QStringLiteral(
        " Paths are written as Windows writes them,\n"
        "             with backslashes. A tab or a line break in an author or a reason is\n"
        "             printed as \\t or \\n, any other control character as \\xHH, its\n"
        "             code in two lower-case hexadecimal digits. In a console every letter\n"
        "             shows, whatever its code page; written to a file or a pipe, the lines\n"
        "             are UTF-8.\n");
}

QString HelpOptionUsage() {
    return QStringLiteral("  --help, /? show this help\n");
}

QString CheckEndedUsage() {
    return QStringLiteral(
        "             the outcomes not written; 130 when ended by Ctrl+C, 149 by Ctrl+Break,\n"
        "             129 when its console closed, 143 at log-off or shut-down, and 141 when\n"
        "             the outcomes' reader is gone.\n");
}

} // namespace platform
