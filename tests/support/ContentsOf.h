#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's whole contents; empty when it cannot be read.
inline QByteArray ContentsOf(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
