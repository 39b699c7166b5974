#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

// Something a thread can wait for: a semaphore, an event. Several of them can be waited for at once
// with WaitForFirst, which sleeps until one is signalled; there is no polling.
//
// Thread safety: m_mutex guards the derived object's state and m_pWaiters. A waitable that becomes
// signalled calls WakeWaitersLocked while it still holds m_mutex.
class CWaitable {
public:
    CWaitable();
    virtual ~CWaitable();
    CWaitable(const CWaitable&) = delete;
    CWaitable& operator=(const CWaitable&) = delete;

    // Waits without a time limit until one of the waitables is signalled and gives the lowest index
    // that is signalled, having taken what the wait consumes (one count of a semaphore; an event is
    // left signalled). Empty, without waiting, when the list is empty or holds a null pointer.
    static std::optional<std::size_t> WaitForFirst(std::span<CWaitable* const> waitables);

protected:
    // Called with m_mutex held: whether the object is signalled; if so, takes what one wait consumes.
    virtual bool TryTakeLocked() = 0;
    // Called with m_mutex held after the object became signalled: wakes every wait that includes it.
    void WakeWaitersLocked();

    std::mutex m_mutex;

private:
    class CWaiter;

    std::vector<CWaiter*> m_pWaiters;
};
