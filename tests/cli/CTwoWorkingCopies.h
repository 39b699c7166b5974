#pragma once

#include <QString>

class CSvnSandbox;

// Two working copies of a sandbox's repository: "current" is at the head (revision 2, committed by
// carol) and "behind" stays at revision 1 (committed by alice), so a check finds it modified.
class CTwoWorkingCopies final {
public:
    // Makes the repository and both working copies; false, with the tool's output in the sandbox's
    // LastError(), when any step failed.
    bool Make(CSvnSandbox& sandbox);

    QString m_strCurrent;
    QString m_strBehind;
};
