#pragma once

#include <QStringList>

namespace platform {

// The arguments that follow the program's name, as the user gave them. On Windows, the process's own
// argv is read again from its UTF-16 command line: the narrow one holds only what the ANSI code page
// can, and a path with any other letter would arrive changed.
QStringList ProgramArguments(int argc, char** argv);

// Whether the argument is the system's own way of asking a program for its help: "/?" on Windows.
// None on Linux, where "/?" names a file.
bool AsksForHelp(const QString& argument);

} // namespace platform
