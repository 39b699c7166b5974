#pragma once

#include <QString>
#include <ctime>

// Facts about the machine, the user and the running program that the rest of Corvane asks the
// operating system for. Every function answers with an empty text when the system cannot tell.
namespace platform {

// The folder that holds the running executable, without a trailing '/'; empty when unknown.
QString ProgramFolder();

// The computer's name, at most 15 characters; empty when it cannot be read.
QString ComputerName();

// The given time as local time, formatted with strftime's format; empty when either step fails.
QString LocalTimeText(const char* format, std::time_t when);

// The current time as local time, formatted with strftime's format; empty when either step fails.
QString LocalTimeText(const char* format);

// The name the user logged in with, as the user database has it; empty when it has none.
QString LoginName();

// The folder where the Subversion client keeps the user's configuration and cached credentials
// (~/.subversion).
QString SvnConfigFolder();

// The user's own configuration folder for Corvane ($XDG_CONFIG_HOME/corvane or ~/.config/corvane).
// It is not created here.
QString UserConfigFolder();

// The file that keeps a copy of svn's last parsed output ($XDG_CACHE_HOME/corvane/debug.xml or
// ~/.cache/corvane/debug.xml). Its folder is created with mode 0700 when missing; an existing one is
// left as it is. platform::WriteDebugCopy writes the file.
QString DebugCopyPath();

} // namespace platform
