#include "platform/ProcessInterrupt.h"

#include <csignal>
#include <sys/types.h>

namespace platform {

bool InterruptProcess(qint64 processId) {
    if (processId <= 0)
        return false;
    return kill(static_cast<pid_t>(processId), SIGINT) == 0;
}

} // namespace platform
