#include "platform/ShellLaunch.h"

#include "platform/CommandLine.h"

#include <QProcess>
#include <QStandardPaths>

namespace platform {

QString FindShellProgram(const QString& name) {
    QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty() && name.endsWith(QLatin1String(".exe")))
        program = QStandardPaths::findExecutable(name.chopped(4));
    return program;
}

bool StartThroughShell(const QString& program, const QString& parameters) {
    return QProcess::startDetached(program, SplitCommandLine(parameters));
}

} // namespace platform
