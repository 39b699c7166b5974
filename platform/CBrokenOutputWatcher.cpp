#include "platform/CBrokenOutputWatcher.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

struct sigaction g_PreviousPipeAction {};

// A pipe that only this process's side writes to: poll reports an error on it once every reader is
// gone, and nothing before. On a file or a terminal a wait for input would fire for other reasons.
bool IsWriteOnlyPipe(int fd) {
    struct stat status {};
    return fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode) &&
           (fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY;
}

} // namespace

CBrokenOutputWatcher::CBrokenOutputWatcher(QObject* pParent) : QObject(pParent) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &g_PreviousPipeAction);
    if (!IsWriteOnlyPipe(STDOUT_FILENO))
        return;
    // Asked for input, the write end of a pipe reports only the error of a pipe without readers.
    m_pNotifier = new QSocketNotifier(STDOUT_FILENO, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CBrokenOutputWatcher::OnActivated);
}

CBrokenOutputWatcher::~CBrokenOutputWatcher() {
    delete m_pNotifier;
    sigaction(SIGPIPE, &g_PreviousPipeAction, nullptr);
}

bool CBrokenOutputWatcher::IsBroken() {
    pollfd entry{STDOUT_FILENO, 0, 0};
    return poll(&entry, 1, 0) == 1 && (entry.revents & (POLLERR | POLLHUP)) != 0;
}

int CBrokenOutputWatcher::ExitStatus() {
    return 128 + SIGPIPE;
}

void CBrokenOutputWatcher::OnActivated() {
    if (!IsBroken())
        return;
    m_pNotifier->setEnabled(false);
    emit Broken();
}

} // namespace platform
