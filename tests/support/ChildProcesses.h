#pragma once

#include <QList>

// What the tests need to know about processes, read from /proc.

// The ids of this process's children, zombies included, in ascending order.
QList<qint64> ChildProcessIds();

// The ids of the running processes whose command line, its arguments joined by blanks, holds text.
QList<qint64> ProcessesWhoseCommandLineHolds(const QString& text);

// True while the process exists and is not a zombie.
bool IsProcessRunning(qint64 pid);
