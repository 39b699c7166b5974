#pragma once

#include <QString>

// The state of a watched folder, as stored in its record.
enum SVNPathState : int {
    Waiting = 0,
    UpToDate = 1,
    Modified = 2,
    ErrorLocal = 3,
    ErrorNetwork = 4,
};

// The text shown for a state code; any unknown code reads as a network or server error.
QString StateText(int iState);
