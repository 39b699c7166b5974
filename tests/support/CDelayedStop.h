#pragma once

#include <chrono>
#include <stop_token>
#include <thread>

// Requests a stop after a pause, on a thread of its own, and tells how long after that request the
// test got back: the measure of "at once" for everything that a stop should end.
class CDelayedStop final {
public:
    explicit CDelayedStop(std::chrono::milliseconds delay);
    ~CDelayedStop();
    CDelayedStop(const CDelayedStop&) = delete;
    CDelayedStop& operator=(const CDelayedStop&) = delete;

    std::stop_token Token() const;
    // The time from the request until now, negative if now came first; waits for the request.
    std::chrono::steady_clock::duration SinceRequest();

private:
    std::stop_source m_source;
    std::chrono::steady_clock::time_point m_requestedAt;
    std::thread m_thread;
};
