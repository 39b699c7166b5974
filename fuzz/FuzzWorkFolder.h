#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A private folder for the files a target writes, removed at exit. It lies in memory when the
// machine offers /dev/shm: the settings and list files are synced on every save, and a disk would
// bring the run down to a few hundred inputs a second.
inline QString FuzzWorkFile(const QString& name) {
    static const QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                          ? QStringLiteral("/dev/shm/corvane-fuzz-XXXXXX")
                                          : QDir::tempPath() + QStringLiteral("/corvane-fuzz-XXXXXX"));
    return folder.filePath(name);
}
