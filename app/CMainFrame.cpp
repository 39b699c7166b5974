#include "app/CMainFrame.h"

#include "engine/CSubVersionThread.h"
#include "platform/NotifyArea.h"
#include "settings/CAppSettings.h"
#include "settings/MyLogFile.h"
#include "ui/CReportDlg.h"
#include "ui/CWatchdogDlg.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimerEvent>
#include <utility>

bool g_bReportOpen = false;

namespace {

constexpr unsigned kTrayIconId = 130;
constexpr unsigned kRestingIconId = 128;
constexpr unsigned kFirstAnimationIconId = 130;
constexpr unsigned kLastAnimationIconId = 133;
constexpr int kAnimationFrameMs = 100;
constexpr int kAnimationSeconds = 30;
constexpr unsigned kBalloonSeconds = 10;
// "Report", counted by position in the tray menu.
constexpr unsigned kDefaultMenuPosition = 2;
constexpr char kTip[] = "This is a Corvane Icon - Right click on me!";
constexpr char kEmptyListTip[] = "This is a Corvane Icon - Right click on me!\n"
                                 "No folders watched yet: add them in Watchdog settings.";

} // namespace

CMainFrame::CMainFrame(platform::CNotifyArea& notifyArea, CCommandTarget& nextTarget, const QString& listFile,
                       std::unique_ptr<CThreadStarter> pThreadStarter)
    : m_TrayIcon(notifyArea, *this), m_WorkQueue(std::move(pThreadStarter)), m_Watchdog(listFile),
      m_NextTarget(nextTarget) {
    theSettings.LoadAtStartup();
}

CMainFrame::~CMainFrame() {
    // The dialogs use the watch list and the update launcher; a watch list closed here saves nothing.
    m_Dialogs.CloseAll();
    g_bReportOpen = false;
    StopChecks();
    theLogFile.Close();
}

void CMainFrame::StopChecks() {
    // Quit must not wait for a server that never answers: the running svn is killed first, and its
    // job then ends as a failed check. No job may reach a member once destruction has begun.
    m_CheckStop.request_stop();
    m_WorkQueue.Stop();
    m_bQueueRunning = false;
}

int CMainFrame::OnCreate() {
    if (!m_TrayIcon.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, QString::fromLatin1(kTip),
                              platform::IconHandle::StockQuestion(), kTrayIconId))
        return -1;
    m_TrayIcon.SetDefaultItem(kDefaultMenuPosition, true);
    m_TrayIcon.SetTrayIconResource(kRestingIconId);

    m_Notifier.SetUpDefault(this);

    // Without svn every check ends in "error local"; the user is told why once, and the checks go on.
    if (QStandardPaths::findExecutable(QStringLiteral("svn")).isEmpty())
        m_Dialogs.Show(new QMessageBox(
            QMessageBox::Warning, QCoreApplication::applicationName(),
            QStringLiteral("This program needs Subversion installed,\n and added in the PATH env variable."),
            QMessageBox::Ok));

    m_bQueueRunning = m_WorkQueue.Start(1);
    m_Watchdog.LoadPathList();
    ShowListHint();
    m_nCheckTimer = startTimer(CHECK_TIMER_PERIOD_MS);
    OnTimer(CHECK_TIMER_ID);
    return 0;
}

void CMainFrame::OnTimer(int /*nIDEvent*/) {
    m_Watchdog.DecrementCountdowns();
    // Without a worker a queued check would never run.
    if (!m_bChecksEnabled || !m_bQueueRunning)
        return;
    const QString path = m_Watchdog.GetNextPath();
    if (path.isEmpty())
        return;
    const int countdown = m_Watchdog.GetCountdown(path);
    if (countdown != 0)
        return;
    // A folder whose check has not ended stays at countdown 0; queuing it again would let a stuck
    // server grow the queue without end.
    if (!m_PendingChecks.Add(path))
        return;
    m_WorkQueue.Enqueue(new CSubVersionThread(this, path, m_Watchdog.Generation()));
    theLogFile.LogFormat(QStringLiteral("OnTimer() path = %1 countdown = %2 -> launched.\n")
                             .arg(path, QString::number(countdown)));
}

void CMainFrame::OnWatchdogSettings() {
    // A second list would save the folders as they were when it opened and so undo the edits made
    // in the first: the one that is open comes to the front instead.
    if (m_pWatchList) {
        COpenDialogs::BringToFront(*m_pWatchList);
        return;
    }
    m_pWatchList = new CWatchdogDlg(m_Watchdog);
    m_bChecksEnabled = false;
    connect(m_pWatchList, &QDialog::finished, this, &CMainFrame::OnWatchListClosed);
    m_Dialogs.Show(m_pWatchList);
}

void CMainFrame::OnWatchListClosed() {
    // Deleted only later; until then it must not be shown again.
    m_pWatchList = nullptr;
    m_bChecksEnabled = true;
    ShowListHint();
    OnTimer(CHECK_TIMER_ID);
}

void CMainFrame::ShowListHint() {
    const bool bEmpty = m_Watchdog.Records().empty();
    if (bEmpty != m_bEmptyListTip &&
        m_TrayIcon.SetTooltipText(QString::fromLatin1(bEmpty ? kEmptyListTip : kTip)))
        m_bEmptyListTip = bEmpty;
}

void CMainFrame::OnApplicationSettings() {
    m_Dialogs.Show(new QMessageBox(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                                   QStringLiteral("Seetings are not ready yet .."), QMessageBox::Ok));
}

void CMainFrame::OnReport() {
    if (g_bReportOpen)
        return;
    auto* pDialog = new CReportDlg(m_Watchdog, m_UpdateLauncher, *this);
    g_bReportOpen = true;
    connect(pDialog, &QDialog::finished, this, [] { g_bReportOpen = false; });
    m_Dialogs.Show(pDialog);
}

void CMainFrame::QuitAfterUpdates(std::function<void()> quit) {
    m_UpdateLauncher.StopUpdatesThenQuit(std::move(quit));
}

void CMainFrame::OnCommand(unsigned nId) {
    switch (nId) {
    case ID_WATCHDOG_SETTINGS:
        OnWatchdogSettings();
        break;
    case ID_APPLICATION_SETTINGS:
        OnApplicationSettings();
        break;
    case ID_REPORT:
        OnReport();
        break;
    case ID_UPDATE_ANNOUNCED:
        OnUpdateAnnounced();
        break;
    default:
        m_NextTarget.OnCommand(nId);
        break;
    }
}

void CMainFrame::AnnounceModified(const CModifiedAlert& alert) {
    // The tray icon belongs to the UI thread; a frame destroyed first drops the posted call.
    QMetaObject::invokeMethod(
        this, [this, alert] { OnCheckModified(alert); }, Qt::QueuedConnection);
}

void CMainFrame::CheckEnded(const QString& path) {
    m_PendingChecks.Remove(path);
    // Only a check that someone waits for is worth a word to the UI thread.
    if (m_AwaitedChecks.Remove(path))
        QMetaObject::invokeMethod(
            this, [this, path] { OnCheckEnded(path); }, Qt::QueuedConnection);
}

bool CMainFrame::CheckNow(const QString& strPath, std::function<void()> onChecked) {
    if (!m_bQueueRunning)
        return false;
    m_CheckWaiters.emplace(strPath, std::move(onChecked));
    m_AwaitedChecks.Add(strPath);
    // A check already on its way gives the result that is waited for.
    if (m_PendingChecks.Add(strPath))
        m_WorkQueue.Enqueue(new CSubVersionThread(this, strPath, m_Watchdog.Generation()));
    return true;
}

void CMainFrame::OnCheckEnded(const QString& path) {
    auto [first, last] = m_CheckWaiters.equal_range(path);
    std::vector<std::function<void()>> waiters;
    for (auto waiter = first; waiter != last; ++waiter)
        waiters.push_back(std::move(waiter->second));
    m_CheckWaiters.erase(first, last);
    for (const std::function<void()>& waiter : waiters)
        waiter();
}

void CMainFrame::OnUpdateAnnounced() {
    if (!m_strAnnouncedPath.isEmpty())
        m_UpdateLauncher.StartUpdate(m_strAnnouncedPath, nullptr);
}

void CMainFrame::timerEvent(QTimerEvent* pEvent) {
    if (pEvent->timerId() == m_nCheckTimer)
        OnTimer(CHECK_TIMER_ID);
}

void CMainFrame::OnCheckModified(const CModifiedAlert& alert) {
    m_TrayIcon.LoadAnimationIcons(kFirstAnimationIconId, kLastAnimationIconId);
    m_TrayIcon.StartAnimation(kAnimationFrameMs, kAnimationSeconds);
    // The system's message comes first, as it always was; what changed follows it.
    QString text = alert.m_strMessage;
    for (const QString& line : SummaryLines(alert.m_Changes))
        text += QLatin1Char('\n') + line;
    m_strAnnouncedPath = alert.m_strPath;
    m_TrayIcon.ShowBalloonTip(text, QStringLiteral("SubVersion:"), platform::kBalloonIconNone,
                              kBalloonSeconds,
                              {{platform::kBalloonClickAction, QStringLiteral("Report"), ID_REPORT},
                               {QStringLiteral("update"), QStringLiteral("Update"), ID_UPDATE_ANNOUNCED}});
}
