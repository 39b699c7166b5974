#pragma once

#include "platform/CWaitable.h"

// A counting semaphore with a maximum count, initially 0. It is signalled while its count is above
// 0; each wait that it ends takes one count.
class CSemaphore final : public CWaitable {
public:
    explicit CSemaphore(int iMaximumCount);

    // Adds iCount to the count and wakes waiting threads. False, with the count unchanged, when
    // iCount is below 1 or the count would pass the maximum.
    bool Release(int iCount = 1);

private:
    bool TryTakeLocked() override;

    const int m_iMaximumCount;
    int m_iCount = 0;
};
