#pragma once

#include "settings/SVNPathState.h"
#include "svn/SVNChanges.h"

#include <QString>

// How many engine ticks (minutes) pass between two checks of a folder that has no interval of its own.
constexpr int kDefaultCheckInterval = 60;

// The record of one watched folder: its path, what its last check found, and how many engine
// ticks must still pass before it may be checked again.
struct CSVNPath {
    QString m_strPath;
    QString m_strLastAuthor;
    QString m_strCheckedAt;
    int m_iState = Waiting;
    int m_iCountdown = 0;
    // The revisions the working copy lacked at its last check; empty unless it was modified.
    SVNChanges m_Changes;
    // The ticks from one result to the next check: the folder's own interval, or the default.
    int m_iInterval = kDefaultCheckInterval;
    // Why the last check failed, in one line; empty unless it ended in an error.
    QString m_strReason;
    // The ticks the folder has waited since its countdown reached 0; a result starts it again.
    int m_iOverdue = 0;
};
