#pragma once

#include <QString>

namespace platform {

// The program that the desktop's shell would start for this name, with its path; empty when none is
// installed. On Windows the shell looks through the PATH and the programs that registered their own
// path ("App Paths", as TortoiseSVN does); on Linux through the PATH, where a name ending in ".exe"
// that is not found is tried again without it.
QString FindShellProgram(const QString& name);

// Starts program through the shell with parameters as its command line, detached: it outlives
// Corvane. False when it could not be started.
bool StartThroughShell(const QString& program, const QString& parameters);

} // namespace platform
