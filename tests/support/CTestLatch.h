#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

// A one-shot countdown for tests, on a mutex and a condition variable. std::latch would do, but the
// Windows compiler's libstdc++ 12 waits on atomics through a condition variable without holding
// its mutex while it reads the count, and a count_down between that read and the wait is lost.
class CTestLatch {
public:
    explicit CTestLatch(std::ptrdiff_t count) : m_count(count) {}

    void count_down();
    void wait();

private:
    std::mutex m_mutex;
    std::condition_variable m_reachedZero;
    std::ptrdiff_t m_count;
};
