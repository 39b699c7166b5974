#pragma once

#include "app/COpenDialogs.h"
#include "engine/CCheckHost.h"
#include "engine/CPendingChecks.h"
#include "engine/CWorkQueue.h"
#include "settings/CConfigWatchdog.h"
#include "ui/CCommandTarget.h"
#include "ui/CDesktopUpdateLauncher.h"
#include "ui/CFolderChecker.h"
#include "ui/CSystemTray.h"
#include "ui/CTaskbarNotifier.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <stop_token>

class CThreadStarter;
class CWatchdogDlg;
namespace platform {
class CNotifyArea;
}

// True while a report dialog is open; a second one is then not opened.
extern bool g_bReportOpen;

// The hidden centre of the program: it owns the tray icon, the popup notifier, the work queue and the
// watch list, runs the timer that queues the check of the folder that is due, and carries out the
// tray menu's commands. It is never shown.
//
// Everything here runs on the UI thread except AnnounceModified, CheckEnded, CheckStopToken and
// CheckTimeLimit, which the check jobs call on the worker thread: the first only posts to the UI
// thread, the second only touches m_PendingChecks and m_AwaitedChecks, which have their own locks,
// and posts to the UI thread, the third only reads m_CheckStop, which is safe from any thread, and the fourth
// reads an atomic.
class CMainFrame final : public QObject, public CCommandTarget, public CCheckHost, public CFolderChecker {
    Q_OBJECT

public:
    static constexpr int CHECK_TIMER_ID = 1;
    static constexpr int CHECK_TIMER_PERIOD_MS = 60000;

    static constexpr unsigned ID_WATCHDOG_SETTINGS = 32774;
    static constexpr unsigned ID_APPLICATION_SETTINGS = 32775;
    static constexpr unsigned ID_REPORT = 32776;
    // The update of the working copy that the last alert was about, from the alert's notification.
    static constexpr unsigned ID_UPDATE_ANNOUNCED = 32777;

    // A frame whose icon goes into notifyArea and whose watch list is listFile. Commands it does not
    // handle go on to nextTarget (the application). The work queue starts its thread through
    // pThreadStarter. Loads and adjusts the settings from "Corvane.xml" in the current directory.
    CMainFrame(platform::CNotifyArea& notifyArea, CCommandTarget& nextTarget, const QString& listFile,
               std::unique_ptr<CThreadStarter> pThreadStarter);
    // Closes its open dialogs without their results, ends the svn run of a running check at once,
    // waits for that check to store its failure and drops the queued ones, all before any member goes
    // away; then closes the activity log.
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // Adds the tray icon, says once in a message box when no svn is on the PATH, sets up the notifier,
    // starts the work queue, loads the watch list, starts the check timer and runs its first tick. -1,
    // with nothing started, when the icon cannot be added.
    int OnCreate();
    // One tick of the check timer: counts every folder down and queues the check of the next folder
    // in rotation when it is due and has no check queued or running. The id is not examined.
    void OnTimer(int nIDEvent);
    // Opens the watch-list dialog and returns at once; while it is open, brings it to the front
    // instead. Checks stay paused while it is open; its closing gives one tick.
    void OnWatchdogSettings();
    // Tells the user, in a message box that blocks nothing, that the settings cannot be edited yet.
    void OnApplicationSettings();
    // Opens the report dialog and returns at once, unless a report is open already.
    void OnReport();
    // Ends the running check's svn at once and stops the work queue, which drops the queued checks;
    // no check runs afterwards. For the frame's end, and for a process that ends without it.
    void StopChecks();

    void OnCommand(unsigned nId) override;

    CConfigWatchdog& Watchdog() override { return m_Watchdog; }
    void AnnounceModified(const CModifiedAlert& alert) override;
    void CheckEnded(const QString& path) override;
    std::stop_token CheckStopToken() const override { return m_CheckStop.get_token(); }
    std::chrono::milliseconds CheckTimeLimit() const override { return m_msCheckTimeLimit; }
    // How long each svn run of a check may take; 300 s unless changed. Checks queued afterwards use it.
    void SetCheckTimeLimit(std::chrono::milliseconds timeLimit) { m_msCheckTimeLimit = timeLimit; }

    // Runs quit once no update window runs svn any more: while one does, asks first and stops those
    // runs gently (CDesktopUpdateLauncher::StopUpdatesThenQuit).
    void QuitAfterUpdates(std::function<void()> quit);

    bool CheckNow(const QString& strPath, std::function<void()> onChecked) override;

    // Whether any folder has a check queued or running.
    bool HasPendingChecks() const { return !m_PendingChecks.IsEmpty(); }

protected:
    void timerEvent(QTimerEvent* pEvent) override;

private:
    // Turns the tray icon and shows the balloon, which offers the report and the copy's update; on the
    // UI thread.
    void OnCheckModified(const CModifiedAlert& alert);
    // The check of this path has ended; runs what waits for it, on the UI thread.
    void OnCheckEnded(const QString& path);
    // Updates the working copy that the last alert was about.
    void OnUpdateAnnounced();
    // A watch-list dialog has closed, however it closed.
    void OnWatchListClosed();
    // Puts the way to add folders into the icon's tip while the watch list is empty, and takes it out
    // again once it is not.
    void ShowListHint();

    CSystemTray m_TrayIcon;
    CTaskbarNotifier m_Notifier;
    CWorkQueue m_WorkQueue;
    CConfigWatchdog m_Watchdog;
    bool m_bChecksEnabled = true; // false while the watch list is open
    bool m_bEmptyListTip = false; // the tip says how to add folders

    CCommandTarget& m_NextTarget;
    CPendingChecks m_PendingChecks;
    CDesktopUpdateLauncher m_UpdateLauncher;
    std::stop_source m_CheckStop; // requested when the frame goes
    std::atomic<std::chrono::milliseconds> m_msCheckTimeLimit = kDefaultRunTimeLimit;
    bool m_bQueueRunning = false;
    int m_nCheckTimer = 0;               // Qt's own id of the timer known as CHECK_TIMER_ID
    QPointer<CWatchdogDlg> m_pWatchList; // the open watch list; one at a time
    QString m_strAnnouncedPath;          // the working copy of the last alert
    std::multimap<QString, std::function<void()>> m_CheckWaiters; // CheckNow's callbacks, by path
    CPendingChecks m_AwaitedChecks; // the paths of m_CheckWaiters, for the worker thread to see
    COpenDialogs m_Dialogs;
};
