#pragma once

#include <QtGlobal>

namespace platform {

// Asks the process to stop as a user's Ctrl+C would (SIGINT), which lets svn cancel cleanly and
// release its working-copy lock. False when the process is gone or cannot be signalled.
bool InterruptProcess(qint64 processId);

} // namespace platform
