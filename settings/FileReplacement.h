#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file's content whole: the bytes go to a temporary file in the same folder, which
// takes the file's place only once everything is written and flushed. False, with the old file
// untouched and no temporary file left, when any step fails.
bool ReplaceFileContent(const QString& fileName, const QByteArray& content);
