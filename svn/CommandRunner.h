#pragma once

#include <QString>
#include <chrono>
#include <stop_token>
#include <string>

// How long one run may take before its child is killed.
inline constexpr std::chrono::milliseconds kDefaultRunTimeLimit = std::chrono::seconds(300);

// Runs the command line `program arguments` as a child process and returns every byte it wrote to
// its standard output and standard error, in the order written, unconverted. The line is split
// into arguments by the Windows C runtime rules (platform::SplitCommandLine), so the caller quotes
// with platform::QuoteArgument; no shell is involved. The run ends when the child's output ends.
// When timeLimit passes first, the child's whole process group is killed and the output read so
// far is returned; so it is, at once, when a stop is requested through stopToken. Empty when
// nothing could be run, also when the stop was requested before the run. The child is always reaped.
std::string RunCommand(QString program, QString arguments,
                       std::chrono::milliseconds timeLimit = kDefaultRunTimeLimit,
                       std::stop_token stopToken = {});
