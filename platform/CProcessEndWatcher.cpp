#include "platform/CProcessEndWatcher.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

CProcessEndWatcher::CProcessEndWatcher(QObject* pParent) : QObject(pParent) {}

CProcessEndWatcher::~CProcessEndWatcher() {
    if (m_iProcessFd >= 0)
        close(m_iProcessFd);
}

bool CProcessEndWatcher::Watch(qint64 processId) {
    if (m_iProcessFd >= 0 || processId <= 0)
        return false;
    // A pidfd turns readable when its process ends, whoever its parent is. Through syscall: the C
    // library's own wrapper is missing on some systems.
    const long processFd = syscall(SYS_pidfd_open, static_cast<pid_t>(processId), 0);
    if (processFd < 0) {
        if (errno != ESRCH)
            return false;
        QMetaObject::invokeMethod(this, &CProcessEndWatcher::Ended, Qt::QueuedConnection);
        return true;
    }
    m_iProcessFd = static_cast<int>(processFd);
    m_pNotifier = new QSocketNotifier(static_cast<qintptr>(m_iProcessFd), QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CProcessEndWatcher::OnEnded);
    return true;
}

bool CProcessEndWatcher::WaitForEnd(qint64 processId, std::chrono::milliseconds timeout) {
    if (processId <= 0)
        return false;
    const long processFd = syscall(SYS_pidfd_open, static_cast<pid_t>(processId), 0);
    if (processFd < 0)
        return errno == ESRCH;
    pollfd end{static_cast<int>(processFd), POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int ready = 0;
    do {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        ready = poll(&end, 1, static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX)));
    } while (ready < 0 && errno == EINTR);
    close(static_cast<int>(processFd));
    return ready > 0;
}

void CProcessEndWatcher::OnEnded() {
    m_pNotifier->setEnabled(false);
    emit Ended();
}

} // namespace platform
