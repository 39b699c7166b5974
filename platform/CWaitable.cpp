#include "platform/CWaitable.h"

#include <algorithm>
#include <condition_variable>

// One thread's pending WaitForFirst. It is attached to every waitable of the wait, which wakes it
// when it becomes signalled; the waiting thread then looks at all of them again.
class CWaitable::CWaiter final {
public:
    // Forgets earlier wake-ups; called before the waitables are examined, with all of them locked.
    void Rearm() {
        std::lock_guard lock(m_mutex);
        m_bWoken = false;
    }
    void Wake() {
        // Notified under the lock: the waiting thread may destroy the waiter as soon as it sees the flag.
        std::lock_guard lock(m_mutex);
        m_bWoken = true;
        m_condition.notify_one();
    }
    void Sleep() {
        std::unique_lock lock(m_mutex);
        m_condition.wait(lock, [this] { return m_bWoken; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_bWoken = false;
};

CWaitable::CWaitable() = default;

CWaitable::~CWaitable() = default;

void CWaitable::WakeWaitersLocked() {
    for (CWaiter* pWaiter : m_pWaiters)
        pWaiter->Wake();
}

std::optional<std::size_t> CWaitable::WaitForFirst(std::span<CWaitable* const> waitables) {
    if (waitables.empty() || std::ranges::find(waitables, nullptr) != waitables.end())
        return std::nullopt;

    // All waitables are locked together, always in address order, so that looking at them in index
    // order is one atomic step and two waits on overlapping sets cannot deadlock.
    std::vector<CWaitable*> lockOrder(waitables.begin(), waitables.end());
    std::ranges::sort(lockOrder);
    lockOrder.erase(std::unique(lockOrder.begin(), lockOrder.end()), lockOrder.end());
    const auto lockAll = [&lockOrder] {
        for (CWaitable* pWaitable : lockOrder)
            pWaitable->m_mutex.lock();
    };
    const auto unlockAll = [&lockOrder] {
        for (auto it = lockOrder.rbegin(); it != lockOrder.rend(); ++it)
            (*it)->m_mutex.unlock();
    };

    CWaiter waiter;
    lockAll();
    for (CWaitable* pWaitable : lockOrder)
        pWaitable->m_pWaiters.push_back(&waiter);
    std::optional<std::size_t> signalled;
    for (;;) {
        // A signal that comes after this point and before Sleep leaves the waiter woken, so none is lost.
        waiter.Rearm();
        for (std::size_t i = 0; i < waitables.size() && !signalled; ++i) {
            if (waitables[i]->TryTakeLocked())
                signalled = i;
        }
        if (signalled)
            break;
        unlockAll();
        waiter.Sleep();
        lockAll();
    }
    for (CWaitable* pWaitable : lockOrder)
        std::erase(pWaitable->m_pWaiters, &waiter);
    unlockAll();
    return signalled;
}
