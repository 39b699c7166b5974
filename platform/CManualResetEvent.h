#pragma once

#include "platform/CWaitable.h"

// An event that stays signalled once set: every wait that includes it ends, now and later.
class CManualResetEvent final : public CWaitable {
public:
    // Signals the event and wakes every thread that waits for it.
    void Set();

private:
    bool TryTakeLocked() override;

    bool m_bSignalled = false;
};
