#include "platform/CProcessEndWatcher.h"

#include <QWinEventNotifier>
#include <algorithm>
#include <windows.h>

namespace platform {

CProcessEndWatcher::CProcessEndWatcher(QObject* pParent) : QObject(pParent) {}

CProcessEndWatcher::~CProcessEndWatcher() {
    if (m_iProcessFd >= 0)
        CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(m_iProcessFd)));
}

bool CProcessEndWatcher::Watch(qint64 processId) {
    if (m_iProcessFd >= 0 || processId <= 0)
        return false;
    // A process handle is signalled when the process ends, whoever started it.
    const HANDLE hProcess = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId));
    if (hProcess == nullptr) {
        if (GetLastError() != ERROR_INVALID_PARAMETER)
            return false;
        // No such process: it has ended already.
        QMetaObject::invokeMethod(this, &CProcessEndWatcher::Ended, Qt::QueuedConnection);
        return true;
    }
    // Kernel handles are small multiples of four, so they fit the int that holds them.
    m_iProcessFd = static_cast<int>(reinterpret_cast<intptr_t>(hProcess));
    auto* pNotifier = new QWinEventNotifier(hProcess, this);
    connect(pNotifier, &QWinEventNotifier::activated, this, [this, pNotifier] {
        pNotifier->setEnabled(false);
        emit Ended();
    });
    return true;
}

bool CProcessEndWatcher::WaitForEnd(qint64 processId, std::chrono::milliseconds timeout) {
    if (processId <= 0)
        return false;
    const HANDLE hProcess = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId));
    if (hProcess == nullptr)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    const DWORD waited = WaitForSingleObject(
        hProcess, static_cast<DWORD>(std::clamp<long long>(timeout.count(), 0, INFINITE - 1)));
    CloseHandle(hProcess);
    return waited == WAIT_OBJECT_0;
}

} // namespace platform
