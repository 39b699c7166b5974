#include "platform/UsageText.h"

namespace platform {

QString UserFilesUsage() {
    return QStringLiteral(
        "pathlist.ini and the logs lie beside the program while that folder is yours, writable by\n"
        "you and by no one else, and belongs to no installed tree (no share/corvane beside it, no\n"
        "system prefix such as /usr or /opt); otherwise in ~/.config/corvane ($XDG_CONFIG_HOME).\n");
}

QString CheckOutputUsage() {
    return QStringLiteral(" A tab, a line break or a backslash in a path or an author is\n"
                          "             printed as \\t, \\n or \\\\, any other control character as \\xHH,\n"
                          "             its code in two lower-case hexadecimal digits.\n");
}

QString HelpOptionUsage() {
    return QStringLiteral("  --help     show this help\n");
}

QString CheckEndedUsage() {
    return QStringLiteral(
        "             the outcomes not written; 128 plus the signal's number when ended by\n"
        "             SIGINT, SIGTERM or SIGHUP, and 141 when the outcomes' reader is gone.\n");
}

} // namespace platform
