#include "platform/CSemaphore.h"

CSemaphore::CSemaphore(int iMaximumCount) : m_iMaximumCount(iMaximumCount) {}

bool CSemaphore::Release(int iCount) {
    std::lock_guard lock(m_mutex);
    // Compared as a difference so that a count near the maximum cannot overflow.
    if (iCount < 1 || iCount > m_iMaximumCount - m_iCount)
        return false;
    m_iCount += iCount;
    WakeWaitersLocked();
    return true;
}

bool CSemaphore::TryTakeLocked() {
    if (m_iCount == 0)
        return false;
    --m_iCount;
    return true;
}
