#include "platform/CTrayWatcher.h"

namespace platform {

// Windows always has a notification area. When Explorer starts after the program, or again after a
// crash, Qt adds the icon once more on Explorer's "TaskbarCreated" message.
CTrayWatcher::CTrayWatcher(QObject* pParent) : QObject(pParent) {}

CTrayWatcher::~CTrayWatcher() = default;

bool CTrayWatcher::IsTrayThere() const {
    return true;
}

void CTrayWatcher::Watch() {
    QMetaObject::invokeMethod(this, &CTrayWatcher::OnFound, Qt::QueuedConnection);
}

void CTrayWatcher::OnFound() {
    if (m_bFound)
        return;
    m_bFound = true;
    emit TrayAppeared();
}

} // namespace platform
