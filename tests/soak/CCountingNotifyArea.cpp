#include "CCountingNotifyArea.h"

#include <QThread>

CCountingNotifyArea::CCountingNotifyArea() : m_pOwnThread(QThread::currentThread()) {}

bool CCountingNotifyArea::Add(const platform::NotifyIconData&) {
    NoteThread();
    return true;
}

bool CCountingNotifyArea::Modify(const platform::NotifyIconData& data) {
    NoteThread();
    if (data.m_uFlags & platform::kNotifyFlagInfo)
        ++m_nBalloons;
    return true;
}

bool CCountingNotifyArea::Delete(const platform::NotifyIconData&) {
    NoteThread();
    return true;
}

void CCountingNotifyArea::NoteThread() {
    m_bAllOnOwnThread = m_bAllOnOwnThread && QThread::currentThread() == m_pOwnThread;
}
