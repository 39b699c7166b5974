#pragma once

#include "platform/CChildProcess.h"

#include <QString>
#include <chrono>
#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>

// How long one run may take before its child is killed.
inline constexpr std::chrono::milliseconds kDefaultRunTimeLimit = std::chrono::seconds(300);
// How much one run may write before its child is killed. svn's answer to `info` is a few KB.
inline constexpr std::size_t kDefaultOutputLimit = std::size_t{1} << 20;
// How much svn's answer to `status -u` or `log -v` may be: it grows with the items a copy lacks, some
// 350 bytes each, so that a copy that lacks 40,000 files is still judged; reading an answer at the
// bound takes about 140 MB (bench/README.md).
inline constexpr std::size_t kListingOutputLimit = std::size_t{16} << 20;

// Runs the command line `program arguments` as a child process and returns every byte it wrote to
// its standard output and standard error, in the order written, unconverted. The line is split
// into arguments by the Windows C runtime rules (platform::SplitCommandLine), so the caller quotes
// with platform::QuoteArgument; no shell is involved. The run ends when the child's output ends.
// When timeLimit passes first, the child's whole process group is killed and the output read so
// far is returned; so it is, at once, when a stop is requested through stopToken. A child that
// writes more than outputLimit bytes is killed as soon as that shows, and the result is the first
// outputLimit + 1 bytes: a result longer than outputLimit tells the caller that the run was cut.
// Empty when nothing could be run, also when the stop was requested before the run. The child is
// always reaped. pEnd, when given, takes how the run ended, and pExitCode the child's exit status
// (none when it did not end by itself). console says whether the child may have a console to ask the
// user on (platform::ChildConsole). settings, NAME=value entries, take the place of the same names in
// the child's environment.
enum class RunEnd {
    Ended,      // the child's output ended
    NotStarted, // no program could be started
    TimedOut,   // the time limit passed first
    Stopped,    // a stop was requested
    Cut,        // the output passed its limit
};
std::string RunCommand(QString program, QString arguments,
                       std::chrono::milliseconds timeLimit = kDefaultRunTimeLimit,
                       std::stop_token stopToken = {}, std::size_t outputLimit = kDefaultOutputLimit,
                       RunEnd* pEnd = nullptr,
                       platform::ChildConsole console = platform::ChildConsole::Hidden,
                       std::optional<int>* pExitCode = nullptr, const QByteArrayList& settings = {});
