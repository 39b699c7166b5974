#include "support/CTestLatch.h"

void CTestLatch::count_down() {
    const std::lock_guard lock(m_mutex);
    if (m_count > 0 && --m_count == 0)
        m_reachedZero.notify_all();
}

void CTestLatch::wait() {
    std::unique_lock lock(m_mutex);
    m_reachedZero.wait(lock, [this] { return m_count == 0; });
}
