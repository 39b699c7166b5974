#include "support/ChildProcesses.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <optional>

namespace {

struct ProcessStatus {
    char state;
    qint64 parent;
};

// The state letter and parent id from /proc/<pid>/stat; the command name may hold blanks and
// parentheses, so the fields are counted from the last ')'.
std::optional<ProcessStatus> ReadStatus(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = file.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 2 || fields[0].isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 parent = fields[1].toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return ProcessStatus{fields[0].at(0), parent};
}

// Every process id there is, in ascending order.
QList<qint64> ProcessIds() {
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (isNumber)
            pids.append(pid);
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

} // namespace

QList<qint64> ChildProcessIds() {
    const qint64 self = QCoreApplication::applicationPid();
    QList<qint64> children;
    for (const qint64 pid : ProcessIds()) {
        const std::optional<ProcessStatus> status = ReadStatus(pid);
        if (status && status->parent == self)
            children.append(pid);
    }
    return children;
}

QList<qint64> ProcessesWhoseCommandLineHolds(const QString& text) {
    QList<qint64> found;
    for (const qint64 pid : ProcessIds()) {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (file.open(QIODevice::ReadOnly) && IsProcessRunning(pid) &&
            QString::fromLocal8Bit(file.readAll().replace('\0', ' ')).contains(text))
            found.append(pid);
    }
    return found;
}

bool IsProcessRunning(qint64 pid) {
    const std::optional<ProcessStatus> status = ReadStatus(pid);
    return status && status->state != 'Z' && status->state != 'X';
}
