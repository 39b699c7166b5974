#include "platform/CManualResetEvent.h"

void CManualResetEvent::Set() {
    std::lock_guard lock(m_mutex);
    m_bSignalled = true;
    WakeWaitersLocked();
}

bool CManualResetEvent::TryTakeLocked() {
    return m_bSignalled;
}
