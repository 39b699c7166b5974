#pragma once

#include <QString>
#include <QStringList>

// One command line in, program arguments out, by the rules of the Windows C runtime, so that a
// command line written for the original tools means the same here. No shell is involved.
namespace platform {

// Splits a command line into arguments: blanks and tabs separate them, double quotes group, and
// backslashes escape only a double quote (2n backslashes before a quote give n backslashes and the
// quote groups; 2n+1 give n backslashes and a literal quote). Inside quotes, a doubled quote is one
// literal quote. An empty or blank line gives no arguments.
QStringList SplitCommandLine(const QString& commandLine);

// Quotes an argument so that SplitCommandLine gives it back as exactly one argument, unchanged,
// whatever blanks, quotes or backslashes it holds.
QString QuoteArgument(const QString& argument);

} // namespace platform
