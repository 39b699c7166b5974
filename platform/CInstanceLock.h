#pragma once

#include <QString>

namespace platform {

// A lock that at most one process holds at a time, kept in a file. The system lets go of it when
// the holder ends in any way, a crash or SIGKILL included, so a lock left behind never keeps a new
// holder out.
class CInstanceLock final {
public:
    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // Takes the lock of this file, made when missing, without waiting. False when another process
    // holds it or the file cannot be opened.
    bool TryLock(const QString& fileName);
    bool IsLocked() const { return m_iFd >= 0; }

private:
    int m_iFd = -1;
};

// The user's private folder for the running program's sockets and locks: $XDG_RUNTIME_DIR/corvane, or
// /tmp/corvane-<uid> when that variable is unset. Made with mode 0700 when missing; empty when it
// cannot be made, or when what is there is not a folder of this user that only this user can enter.
QString UserRuntimeFolder();

} // namespace platform
