#pragma once

#include <functional>

class QString;

// Checks a watched folder at once, when the user asks for it.
class CFolderChecker {
public:
    virtual ~CFolderChecker() = default;

    // Queues a check of the folder now, unless one is queued or running already; onChecked then runs
    // on the UI thread once that check has stored its result. False, and onChecked never runs, when
    // no check can run.
    virtual bool CheckNow(const QString& strPath, std::function<void()> onChecked) = 0;

protected:
    CFolderChecker() = default;
    CFolderChecker(const CFolderChecker&) = default;
    CFolderChecker& operator=(const CFolderChecker&) = default;
};
