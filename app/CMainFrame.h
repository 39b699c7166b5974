#pragma once

#include "app/COpenDialogs.h"
#include "engine/CCheckHost.h"
#include "engine/CPendingChecks.h"
#include "engine/CWorkQueue.h"
#include "settings/CConfigWatchdog.h"
#include "settings/CPauseFile.h"
#include "ui/CAlertBalloon.h"
#include "ui/CCommandTarget.h"
#include "ui/CDesktopUpdateLauncher.h"
#include "ui/CFolderChecker.h"
#include "ui/CSystemTray.h"
#include "ui/CTaskbarNotifier.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>

class CNamesDlg;
class CReportDlg;
class CThreadStarter;
class CWatchdogDlg;
namespace platform {
class CNetworkSource;
class CNotifyArea;
enum class NetworkReach;
} // namespace platform

// True while a report dialog is open; a second one is then not opened.
extern bool g_bReportOpen;

// The hidden centre of the program: it owns the tray icon, the popup notifier, the work queue and the
// watch list, runs the timer that queues the check of the folder that is due, and carries out the
// tray menu's commands. It is never shown.
//
// Besides the rotation, the user decides when it checks: every folder at once, a pause of the
// scheduled checks (kept in "pause.ini" beside the watch list), a folder's own interval (the watch
// list keeps it), and, while the network is away, no scheduled check of a repository on another
// machine; what became due while the network was away or the machine slept is checked first.
//
// Everything here runs on the UI thread except AnnounceModified, CheckEnded, CheckStopToken,
// CheckTimeLimit, WaitsForNetwork and OwnNames, which the check jobs call on the worker thread: the
// first only posts to the UI thread, the second only touches m_PendingChecks and m_AwaitedChecks,
// which have their own locks, and posts to the UI thread, the third only reads m_CheckStop, which is
// safe from any thread, the fourth reads an atomic, the fifth reads m_bOffline and m_AwaitedChecks
// and adds to m_NetworkWaiters, and the last reads the names file, whose name never changes.
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
    static constexpr unsigned ID_CHECK_ALL_NOW = 32790;
    static constexpr unsigned ID_PAUSE_ONE_HOUR = 32791;
    static constexpr unsigned ID_PAUSE_FOUR_HOURS = 32792;
    static constexpr unsigned ID_PAUSE_UNTIL_RESUMED = 32793;
    static constexpr unsigned ID_RESUME_CHECKS = 32794;
    static constexpr unsigned ID_YOUR_NAMES = 32795;

    // The wall clock, in UTC: pauses end by it, and a tick that finds far more than a minute passed
    // since the one before knows that the machine slept.
    using Clock = std::function<QDateTime()>;

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
    // One tick of the check timer: counts every folder down, follows the list file's lines written or
    // removed by hand, and queues the check of each folder whose turn it is in rotation (one a tick up
    // to 60 folders, beyond as many as come round the list in 60 ticks) when it is due and has no check
    // queued or running. Then more due folders with an interval of its own or, after the network came
    // back or the machine woke, any due folders: one, or as many as the folders' own intervals call
    // for in a minute, those that have waited longest past their intervals first. Nothing is queued
    // while checks are paused; a pause whose time has passed ends first. The id is not examined.
    void OnTimer(int nIDEvent);
    // Queues every watched folder that has no check queued or running; the tip counts the results.
    void OnCheckAllNow();
    // Pauses the scheduled checks and keeps the pause for the next start; the icon is greyed.
    void PauseChecks(const CheckPause& pause);
    // Ends a pause.
    void OnResumeChecks();
    // The pause in force, if any.
    const std::optional<CheckPause>& Pause() const { return m_Pause; }
    // Takes the clock that pauses and ticks are measured by; the system's by default.
    void SetClock(Clock clock) { m_Clock = std::move(clock); }
    // Learns from this source whether the network can be reached; the source must outlive the frame
    // or be given again as null. Without one, checks go on as if nothing were known.
    void SetNetworkSource(platform::CNetworkSource* pSource);
    // Opens the watch-list dialog and returns at once; while it is open, brings it to the front
    // instead. Checks stay paused while it is open; its closing gives one tick.
    void OnWatchdogSettings();
    // Opens the editor of the user's own names and returns at once; while it is open, brings it to
    // the front instead.
    void OnYourNames();
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
    bool WaitsForNetwork(const QString& path) override;
    // Read afresh for each check, so that the names saved or written by hand count at once.
    QStringList OwnNames() const override;
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
    // An update that Corvane started has ended: the copy is checked at once, and an open report
    // shows the outcome.
    void OnUpdateEnded(const QString& path);
    // Queues the check of a folder that the timer found due, and notes it in the activity log.
    void Launch(const QString& path, int countdown);
    // Queues the checks a tick may start beside the rotation's; see OnTimer.
    void LaunchExtraChecks();
    // A tick that comes far more than a minute after the one before counts the minutes between as
    // ticks, and what became due meanwhile is checked first.
    void CatchUpAfterGap(const QDateTime& now);
    void OnNetworkReach(platform::NetworkReach reach);
    // A result that Check all now waits for has been stored.
    void OnCheckAllResult(const QString& path);
    // The icon, tip and menu as the pause, Check all now and the network have them.
    void ShowCheckState();
    void ShowTip();
    QString TipText() const;
    // While paused, "Pause checks" gives way to "Resume checks".
    void AdjustMenu(PopupMenuData& popup) const;

    CSystemTray m_TrayIcon;
    CTaskbarNotifier m_Notifier;
    CWorkQueue m_WorkQueue;
    CConfigWatchdog m_Watchdog;
    bool m_bChecksEnabled = true; // false while the watch list is open

    CCommandTarget& m_NextTarget;
    CPendingChecks m_PendingChecks;
    CDesktopUpdateLauncher m_UpdateLauncher;
    std::stop_source m_CheckStop; // requested when the frame goes
    std::atomic<std::chrono::milliseconds> m_msCheckTimeLimit = kDefaultRunTimeLimit;
    bool m_bQueueRunning = false;
    int m_nCheckTimer = 0;               // Qt's own id of the timer known as CHECK_TIMER_ID
    QPointer<CWatchdogDlg> m_pWatchList; // the open watch list; one at a time
    QPointer<CNamesDlg> m_pNames;        // the open editor of the user's names; one at a time
    const QString m_strNamesFile;
    QString m_strAnnouncedPath;   // the working copy of the last alert
    CAlertBalloon m_AlertBalloon; // what the balloon about copies that are behind says
    std::multimap<QString, std::function<void()>> m_CheckWaiters; // CheckNow's callbacks, by path
    CPendingChecks m_AwaitedChecks; // the paths of m_CheckWaiters, for the worker thread to see
    COpenDialogs m_Dialogs;

    Clock m_Clock = &QDateTime::currentDateTimeUtc;
    QDateTime m_LastTick;
    CPauseFile m_PauseFile;
    std::optional<CheckPause> m_Pause;
    platform::CNetworkSource* m_pNetwork = nullptr;
    std::atomic<bool> m_bOffline = false;
    CPendingChecks m_NetworkWaiters; // folders whose scheduled check waits for the network
    bool m_bCatchingUp = false;   // every due folder may have the extra check, not only those with intervals
    QSet<QString> m_CheckAllLeft; // what Check all now still waits for
    int m_nCheckAllCount = 0;
    int m_nCheckAllDone = 0;
    QPointer<CReportDlg> m_pReport;
    QString m_strTip; // the tip shown
};
