#pragma once

#include "ui/CUpdateLauncher.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class CUpdateWindow;
class QMessageBox;

// Updates a working copy the way the desktop offers: with the update tool "TortoiseProc" (for a Git
// working tree "TortoiseGitProc") when one is installed, otherwise in Corvane's own update window.
class CDesktopUpdateLauncher final : public CUpdateLauncher {
public:
    // onUpdateEnded runs on the UI thread with the working copy's path whenever an update started
    // here ends: its window's svn run, or the tool's process.
    explicit CDesktopUpdateLauncher(std::function<void(const QString&)> onUpdateEnded = {});
    // Closes the update windows still open, ending their runs (interrupted, then killed).
    ~CDesktopUpdateLauncher() override;
    CDesktopUpdateLauncher(const CDesktopUpdateLauncher&) = delete;
    CDesktopUpdateLauncher& operator=(const CDesktopUpdateLauncher&) = delete;

    // Starts the tool detached, or opens an update window beside pRequester. False when the tool
    // is there but could not be started.
    bool StartUpdate(const QString& strPath, QWidget* pRequester) override;

    // Whether an update window still runs svn.
    bool IsUpdating() const;
    // For Quit: runs quit at once when no update runs. Otherwise asks the user, with a box that blocks
    // nothing, whether to stop the updates; if so, stops each one gently, closes its window and runs
    // quit once the last has ended. Asking again while the question is open only raises it.
    void StopUpdatesThenQuit(std::function<void()> quit);

    // The full path of the update tool for the working copy at strPath, or empty when there is none.
    static QString FindUpdateTool(const QString& strPath);
    // The tool's parameters as one command line; the path is quoted so that it stays one whole
    // "/path:" argument, whatever characters it holds.
    static QString ToolParameters(const QString& strPath);

private:
    // Stops every running update gently; then runs onStopped, once, on the UI thread.
    void StopAllThen(std::function<void()> onStopped);

    // Runs m_onUpdateEnded unless the launcher is going away.
    void UpdateEnded(const QString& strPath) const;

    std::function<void(const QString&)> m_onUpdateEnded;
    QObject m_toolWatchers; // the parent of the watches of the tool's runs, which end with the launcher
    std::vector<QPointer<CUpdateWindow>> m_windows;
    QPointer<QMessageBox> m_pQuitQuestion;
};
