#pragma once

#include "platform/NotifyArea.h"

// A notification area for long runs: it keeps no requests, only how many balloons it was asked to
// show and whether every request came from the thread that made it.
class CCountingNotifyArea final : public platform::CNotifyArea {
public:
    CCountingNotifyArea();

    bool Add(const platform::NotifyIconData& data) override;
    bool Modify(const platform::NotifyIconData& data) override;
    bool Delete(const platform::NotifyIconData& data) override;

    long Balloons() const { return m_nBalloons; }
    bool AllOnOwnThread() const { return m_bAllOnOwnThread; }

private:
    void NoteThread();

    const void* m_pOwnThread;
    long m_nBalloons = 0;
    bool m_bAllOnOwnThread = true;
};
