#pragma once

class QString;
class QWidget;

// Starts the update of a working copy on the user's behalf, without waiting for it.
class CUpdateLauncher {
public:
    virtual ~CUpdateLauncher() = default;

    // Starts updating the working copy at strPath. pRequester is the window the user asked from
    // (it may be modal); whatever the update shows must stay usable beside it. False when nothing
    // could be started.
    virtual bool StartUpdate(const QString& strPath, QWidget* pRequester) = 0;
};
