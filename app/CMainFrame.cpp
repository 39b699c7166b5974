#include "app/CMainFrame.h"

#include "engine/CSubVersionThread.h"
#include "git/CGitAutomation.h"
#include "platform/NetworkSource.h"
#include "platform/NotifyArea.h"
#include "platform/PathNames.h"
#include "settings/CAppSettings.h"
#include "settings/CNamesFile.h"
#include "settings/CPathListFile.h"
#include "settings/MyLogFile.h"
#include "ui/CNamesDlg.h"
#include "ui/CReportDlg.h"
#include "ui/CWatchdogDlg.h"
#include "ui/MenuResource.h"
#include "ui/Resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimerEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

bool g_bReportOpen = false;

namespace {

constexpr unsigned kTrayIconId = 130;
constexpr unsigned kRestingIconId = 128;
constexpr unsigned kPausedIconId = 129;
constexpr unsigned kFirstAnimationIconId = 130;
constexpr unsigned kLastAnimationIconId = 133;
constexpr int kAnimationFrameMs = 100;
constexpr int kAnimationSeconds = 30;
constexpr unsigned kBalloonSeconds = 10;
// "Report", counted by position in the tray menu.
constexpr unsigned kDefaultMenuPosition = 2;
const QString kRestingTip = QStringLiteral("This is a Corvane Icon - Right click on me!");
const QString kEmptyListTip =
    kRestingTip + QStringLiteral("\nNo folders watched yet: add them in Watchdog settings.");
// Timers run late on a busy machine, but never by minutes: a gap this long means the machine slept.
constexpr qint64 kLongGapSeconds = 3 * 60;
constexpr qint64 kTickSeconds = CMainFrame::CHECK_TIMER_PERIOD_MS / 1000;

QString PauseFileBeside(const QString& listFile) {
    return QFileInfo(listFile).dir().filePath(QStringLiteral("pause.ini"));
}

// How many checks beside the rotation's a tick may start: one, or as many as the folders' own
// intervals call for in a minute, rounded up, so that each of them is checked on time and a server
// is never asked more often than those intervals say.
int ExtraChecksPerTick(const std::vector<CSVNPath>& records) {
    double perTick = 0;
    for (const CSVNPath& record : records) {
        if (record.m_iInterval != kDefaultCheckInterval)
            perTick += 1.0 / std::max(1, record.m_iInterval);
    }
    // Five times 1/5 may come out a hair above 1.
    return std::max(1, static_cast<int>(std::ceil(perTick - 1e-9)));
}

} // namespace

CMainFrame::CMainFrame(platform::CNotifyArea& notifyArea, CCommandTarget& nextTarget, const QString& listFile,
                       std::unique_ptr<CThreadStarter> pThreadStarter)
    : m_TrayIcon(notifyArea, *this), m_WorkQueue(std::move(pThreadStarter)), m_Watchdog(listFile),
      m_NextTarget(nextTarget), m_UpdateLauncher([this](const QString& path) { OnUpdateEnded(path); }),
      m_strNamesFile(CNamesFile::Beside(listFile)), m_AlertBalloon(std::chrono::seconds(kBalloonSeconds)),
      m_PauseFile(PauseFileBeside(listFile)) {
    theSettings.LoadAtStartup();
}

CMainFrame::~CMainFrame() {
    SetNetworkSource(nullptr);
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
    m_TrayIcon.SetMenuAdjustment([this](PopupMenuData& popup) { AdjustMenu(popup); });
    if (!m_TrayIcon.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, kRestingTip,
                              platform::IconHandle::StockQuestion(), kTrayIconId))
        return -1;
    m_strTip = kRestingTip;
    m_TrayIcon.SetDefaultItem(kDefaultMenuPosition, true);
    m_TrayIcon.SetTrayIconResource(kRestingIconId);
    // Before the first tip, which tells a user with an empty list how to add folders.
    if (!m_Watchdog.LoadPathList())
        QTextStream(stderr) << "Corvane: cannot read the watch list "
                            << platform::NativePath(m_Watchdog.ListFile()) << ": "
                            << CPathListFile(m_Watchdog.ListFile()).ReadFailure()
                            << "; drop folders on Watchdog settings, or write one folder per line there\n";
    // A pause outlasts a restart; one whose time passed meanwhile is over.
    m_Pause = m_PauseFile.ReadPause();
    if (m_Pause && m_Pause->IsOverAt(m_Clock())) {
        m_Pause.reset();
        m_PauseFile.Remove();
    }
    ShowCheckState();

    m_Notifier.SetUpDefault(this);

    // Without svn every check of an svn folder ends in "error local"; the user is told why once, and
    // the checks go on. A list of Git working trees alone needs no svn.
    const std::vector<CSVNPath> records = m_Watchdog.Records();
    const bool bGitOnly =
        !records.empty() && std::all_of(records.begin(), records.end(), [](const CSVNPath& record) {
            return CGitAutomation::IsWorkingTree(record.m_strPath);
        });
    if (!bGitOnly && QStandardPaths::findExecutable(QStringLiteral("svn")).isEmpty())
        m_Dialogs.Show(new QMessageBox(
            QMessageBox::Warning, QCoreApplication::applicationName(),
            QStringLiteral("This program needs Subversion installed,\n and added in the PATH env variable."),
            QMessageBox::Ok));

    m_bQueueRunning = m_WorkQueue.Start(1);
    m_nCheckTimer = startTimer(CHECK_TIMER_PERIOD_MS);
    OnTimer(CHECK_TIMER_ID);
    return 0;
}

void CMainFrame::OnTimer(int /*nIDEvent*/) {
    m_Watchdog.DecrementCountdowns();
    // A folder written into the list file by hand gets its turn, its row in the report and its place
    // in Check all now; one removed there loses them.
    if (m_Watchdog.FollowListFile())
        ShowTip();
    const QDateTime now = m_Clock();
    CatchUpAfterGap(now);
    if (m_Pause && m_Pause->IsOverAt(now))
        OnResumeChecks();
    // Without a worker a queued check would never run.
    if (!m_bChecksEnabled || !m_bQueueRunning || m_Pause)
        return;
    const QStringList paths = m_Watchdog.GetNextPaths();
    if (paths.isEmpty())
        return;
    for (const QString& path : paths) {
        const int countdown = m_Watchdog.GetCountdown(path);
        // A folder whose check has not ended stays at countdown 0; queuing it again would let a stuck
        // server grow the queue without end.
        if (countdown == 0 && m_PendingChecks.Add(path))
            Launch(path, countdown);
    }
    LaunchExtraChecks();
}

void CMainFrame::Launch(const QString& path, int countdown) {
    m_WorkQueue.Enqueue(new CSubVersionThread(this, path));
    theLogFile.LogFormat(QStringLiteral("OnTimer() path = %1 countdown = %2 -> launched.\n")
                             .arg(path, QString::number(countdown)));
}

void CMainFrame::LaunchExtraChecks() {
    const std::vector<CSVNPath> records = m_Watchdog.Records();
    const bool bOffline = m_bOffline;
    std::vector<const CSVNPath*> due;
    for (const CSVNPath& record : records) {
        if (record.m_iCountdown != 0 || m_PendingChecks.Contains(record.m_strPath))
            continue;
        if (!m_bCatchingUp && record.m_iInterval == kDefaultCheckInterval)
            continue;
        if (bOffline && m_NetworkWaiters.Contains(record.m_strPath))
            continue;
        due.push_back(&record);
    }
    // A due folder never waits behind one checked more recently; the list's order breaks ties.
    std::stable_sort(due.begin(), due.end(), [](const CSVNPath* pLeft, const CSVNPath* pRight) {
        return pLeft->m_iOverdue > pRight->m_iOverdue;
    });
    int budget = ExtraChecksPerTick(records);
    std::size_t next = 0;
    for (; next < due.size() && budget > 0; ++next) {
        // A folder listed twice has one check.
        if (!m_PendingChecks.Add(due[next]->m_strPath))
            continue;
        Launch(due[next]->m_strPath, due[next]->m_iCountdown);
        --budget;
    }
    if (next == due.size())
        m_bCatchingUp = false;
}

void CMainFrame::CatchUpAfterGap(const QDateTime& now) {
    const QDateTime last = std::exchange(m_LastTick, now);
    if (!last.isValid() || last.secsTo(now) < kLongGapSeconds)
        return;
    // This tick has counted one minute already.
    m_Watchdog.DecrementCountdowns(
        static_cast<int>(std::min<qint64>(last.secsTo(now) / kTickSeconds - 1, INT_MAX)));
    m_bCatchingUp = true;
}

void CMainFrame::OnCheckAllNow() {
    if (!m_bQueueRunning)
        return;
    for (const CSVNPath& record : m_Watchdog.Records()) {
        const QString path = record.m_strPath;
        // A folder listed twice, or still awaited by an earlier Check all now, is counted once.
        if (m_CheckAllLeft.contains(path))
            continue;
        m_CheckAllLeft.insert(path);
        ++m_nCheckAllCount;
        CheckNow(path, [this, path] { OnCheckAllResult(path); });
    }
    ShowTip();
}

void CMainFrame::OnCheckAllResult(const QString& path) {
    if (!m_CheckAllLeft.remove(path))
        return;
    ++m_nCheckAllDone;
    if (m_CheckAllLeft.isEmpty()) {
        m_nCheckAllCount = 0;
        m_nCheckAllDone = 0;
    }
    if (m_pReport)
        m_pReport->RefreshFolder(path);
    ShowTip();
}

void CMainFrame::PauseChecks(const CheckPause& pause) {
    m_Pause = pause;
    // Should the file not be written, the pause still holds until the program ends.
    m_PauseFile.WritePause(pause);
    ShowCheckState();
}

void CMainFrame::OnResumeChecks() {
    m_Pause.reset();
    m_PauseFile.Remove();
    ShowCheckState();
}

void CMainFrame::SetNetworkSource(platform::CNetworkSource* pSource) {
    if (m_pNetwork != nullptr)
        m_pNetwork->OnChange({});
    m_pNetwork = pSource;
    if (pSource == nullptr)
        return;
    pSource->OnChange([this](platform::NetworkReach reach) { OnNetworkReach(reach); });
    OnNetworkReach(pSource->Reach());
}

void CMainFrame::OnNetworkReach(platform::NetworkReach reach) {
    const bool bOffline = reach == platform::NetworkReach::Offline;
    if (m_bOffline.exchange(bOffline) && !bOffline) {
        // What waited, and whatever became due meanwhile, is checked first.
        m_NetworkWaiters.Clear();
        m_bCatchingUp = true;
    }
    ShowTip();
}

bool CMainFrame::WaitsForNetwork(const QString& path) {
    // A check that the user asked for runs whatever the network, and tells what it found.
    if (!m_bOffline || m_AwaitedChecks.Contains(path))
        return false;
    m_NetworkWaiters.Add(path);
    return true;
}

void CMainFrame::ShowCheckState() {
    m_TrayIcon.SetRestingIcon(LoadIconResource(m_Pause ? kPausedIconId : kRestingIconId));
    m_TrayIcon.RefreshMenu();
    ShowTip();
}

void CMainFrame::ShowTip() {
    const QString tip = TipText();
    if (tip != m_strTip && m_TrayIcon.SetTip(tip))
        m_strTip = tip;
}

QString CMainFrame::TipText() const {
    if (m_nCheckAllCount > 0)
        return QStringLiteral("Checking %1 of %2")
            .arg(std::min(m_nCheckAllDone + 1, m_nCheckAllCount))
            .arg(m_nCheckAllCount);
    if (m_Pause && m_Pause->m_bUntilResumed)
        return QStringLiteral("Checks paused until you resume them");
    if (m_Pause) {
        const QDateTime end = m_Pause->m_End.toLocalTime();
        const bool bToday = end.date() == m_Clock().toLocalTime().date();
        return QStringLiteral("Checks paused until %1")
            .arg(end.toString(bToday ? QStringLiteral("HH:mm") : QStringLiteral("yyyy-MM-dd HH:mm")));
    }
    if (m_bOffline)
        return QStringLiteral("Offline: checks wait");
    // A new user learns here how to add folders.
    return m_Watchdog.Records().empty() ? kEmptyListTip : kRestingTip;
}

void CMainFrame::AdjustMenu(PopupMenuData& popup) const {
    if (!m_Pause)
        return;
    for (MenuItemData& item : popup.m_Items) {
        const bool bPauseMenu =
            std::any_of(item.m_SubItems.begin(), item.m_SubItems.end(),
                        [](const MenuItemData& sub) { return sub.m_nCommandId == ID_PAUSE_ONE_HOUR; });
        if (bPauseMenu)
            item = MenuItemData{QStringLiteral("Resume checks"), ID_RESUME_CHECKS, false, {}};
    }
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
    ShowTip();
    OnTimer(CHECK_TIMER_ID);
}

void CMainFrame::OnYourNames() {
    if (m_pNames) {
        COpenDialogs::BringToFront(*m_pNames);
        return;
    }
    m_pNames = new CNamesDlg(m_strNamesFile);
    m_Dialogs.Show(m_pNames);
}

QStringList CMainFrame::OwnNames() const {
    return CNamesFile(m_strNamesFile).ReadNames();
}

void CMainFrame::OnApplicationSettings() {
    m_Dialogs.Show(new QMessageBox(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                                   QStringLiteral("Seetings are not ready yet .."), QMessageBox::Ok));
}

void CMainFrame::OnReport() {
    // The user has seen what the balloon was about, or sees it now: the next one is about its own copy.
    m_AlertBalloon.Clear();
    if (g_bReportOpen)
        return;
    auto* pDialog = new CReportDlg(m_Watchdog, m_UpdateLauncher, *this);
    m_pReport = pDialog;
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
    case ID_YOUR_NAMES:
        OnYourNames();
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
    case ID_CHECK_ALL_NOW:
        OnCheckAllNow();
        break;
    case ID_PAUSE_ONE_HOUR:
        PauseChecks({false, m_Clock().addSecs(60 * 60)});
        break;
    case ID_PAUSE_FOUR_HOURS:
        PauseChecks({false, m_Clock().addSecs(4 * 60 * 60)});
        break;
    case ID_PAUSE_UNTIL_RESUMED:
        PauseChecks({true, {}});
        break;
    case ID_RESUME_CHECKS:
        OnResumeChecks();
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
        m_WorkQueue.Enqueue(new CSubVersionThread(this, strPath));
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

void CMainFrame::OnUpdateEnded(const QString& path) {
    // Otherwise the row would still read "modified", and the tray would announce the copy again.
    CheckNow(path, [this, path] {
        if (m_pReport)
            m_pReport->RefreshFolder(path);
    });
}

void CMainFrame::OnUpdateAnnounced() {
    m_AlertBalloon.Clear();
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
    const QString text = m_AlertBalloon.Add(alert, m_Clock());
    m_strAnnouncedPath = alert.m_strPath;
    // A balloon about several copies updates none of them; its click opens the report, which lists all.
    std::vector<platform::NotifyBalloonAction> actions{
        {platform::kBalloonClickAction, QStringLiteral("Report"), ID_REPORT}};
    if (m_AlertBalloon.CopyCount() == 1)
        actions.push_back({QStringLiteral("update"), QStringLiteral("Update"), ID_UPDATE_ANNOUNCED});
    m_TrayIcon.ShowBalloonTip(text, m_AlertBalloon.Title(), platform::kBalloonIconNone, kBalloonSeconds,
                              std::move(actions));
}
