#include "support/CDelayedStop.h"

CDelayedStop::CDelayedStop(std::chrono::milliseconds delay)
    : m_thread([this, delay] {
          std::this_thread::sleep_for(delay);
          m_requestedAt = std::chrono::steady_clock::now();
          m_source.request_stop();
      }) {}

CDelayedStop::~CDelayedStop() {
    if (m_thread.joinable())
        m_thread.join();
}

std::stop_token CDelayedStop::Token() const {
    return m_source.get_token();
}

std::chrono::steady_clock::duration CDelayedStop::SinceRequest() {
    const auto now = std::chrono::steady_clock::now();
    if (m_thread.joinable())
        m_thread.join();
    return now - m_requestedAt;
}
