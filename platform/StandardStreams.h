#pragma once

#include <QIODevice>
#include <cstdio>
#include <memory>

namespace platform {

// The process's standard output or error (stdout or stderr) as a device for a QTextStream, which
// writes UTF-8. A Windows console gets the text through WriteConsoleW, as UTF-16, so that it shows
// every letter whatever its code page; a file or a pipe, and every stream on Linux, gets the UTF-8
// bytes as they are. A write that fails leaves the device's error string.
std::unique_ptr<QIODevice> OpenStandardStream(std::FILE* stream);

} // namespace platform
