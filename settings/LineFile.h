#pragma once

#include <QString>
#include <QStringList>

// Writes lines as the user's own lists are kept: UTF-8, each line ended by CR LF, the file replaced
// whole and its folder made first. False when it could not be written.
bool WriteLineFile(const QString& fileName, const QStringList& lines);
