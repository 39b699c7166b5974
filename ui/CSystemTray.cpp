#include "ui/CSystemTray.h"

#include "ui/CCommandTarget.h"
#include "ui/CTrayMenu.h"
#include "ui/Resources.h"

#include <QCursor>
#include <QMessageBox>
#include <QTimerEvent>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <utility>

namespace {

// Windows never ran a window timer faster than this; a shorter period would spin the UI thread.
constexpr int kShortestTimerPeriodMs = 10;

// The text as a record field of nFieldSize characters keeps it: at most nFieldSize - 1 characters,
// and never half of a surrogate pair, which no desktop could show.
QString FitField(const QString& strText, int nFieldSize) {
    const int nKeep = nFieldSize - 1;
    if (strText.size() <= nKeep)
        return strText;
    const bool bSplitsPair = strText.at(nKeep - 1).isHighSurrogate();
    return strText.left(bSplitsPair ? nKeep - 1 : nKeep);
}

} // namespace

CSystemTray::CSystemTray(platform::CNotifyArea& notifyArea, CCommandTarget& commandTarget, Clock clock,
                         QObject* pParent)
    : QObject(pParent), m_NotifyArea(notifyArea), m_CommandTarget(commandTarget), m_Clock(std::move(clock)) {}

CSystemTray::~CSystemTray() {
    RemoveFromTray();
}

bool CSystemTray::AddToTray(platform::CNotifyOwner* pOwner, unsigned uCallbackMessage, const QString& strTip,
                            const platform::IconHandle& hIcon, unsigned uIconId) {
    m_NotifyData.m_pOwner = pOwner != nullptr ? pOwner : this;
    m_NotifyData.m_uCallbackMessage = uCallbackMessage;
    m_NotifyData.m_uID = uIconId;
    m_NotifyData.m_hIcon = hIcon;
    m_NotifyData.m_uFlags =
        platform::kNotifyFlagMessage | platform::kNotifyFlagIcon | platform::kNotifyFlagTip;
    m_NotifyData.m_strTip = FitField(strTip, platform::kTipSize);
    m_bIconAdded = m_NotifyArea.Add(m_NotifyData);
    if (m_bIconAdded)
        HandMenuToArea();
    return m_bIconAdded;
}

bool CSystemTray::SetTooltipText(const QString& strTip) {
    if (!m_bIconAdded)
        return false;
    m_NotifyData.m_uFlags = platform::kNotifyFlagTip;
    m_NotifyData.m_strTip = FitField(strTip, platform::kTipSize);
    return m_NotifyArea.Modify(m_NotifyData);
}

void CSystemTray::RemoveFromTray() {
    if (!m_bIconAdded)
        return;
    m_NotifyData.m_uFlags = 0;
    m_NotifyArea.Delete(m_NotifyData);
    m_bIconAdded = false;
}

bool CSystemTray::SetTrayIcon(const platform::IconHandle& hIcon) {
    if (!m_bIconAdded)
        return false;
    m_NotifyData.m_uFlags = platform::kNotifyFlagIcon;
    m_NotifyData.m_hIcon = hIcon;
    return m_NotifyArea.Modify(m_NotifyData);
}

bool CSystemTray::SetTrayIconResource(unsigned uId) {
    return SetTrayIcon(LoadIconResource(uId));
}

platform::IconHandle CSystemTray::GetTrayIcon() const {
    return m_bIconAdded ? m_NotifyData.m_hIcon : platform::IconHandle{};
}

bool CSystemTray::SetTip(const QString& strTip) {
    if (!m_bIconAdded)
        return false;
    m_NotifyData.m_uFlags = platform::kNotifyFlagTip;
    m_NotifyData.m_strTip = FitField(strTip, platform::kTipSize);
    return m_NotifyArea.Modify(m_NotifyData);
}

void CSystemTray::SetRestingIcon(const platform::IconHandle& hIcon) {
    if (m_nAnimationTimer != 0)
        m_hRestIcon = hIcon;
    else if (hIcon != GetTrayIcon())
        SetTrayIcon(hIcon);
}

void CSystemTray::SetMenuAdjustment(std::function<void(PopupMenuData&)> adjust) {
    m_AdjustMenu = std::move(adjust);
}

void CSystemTray::RefreshMenu() {
    if (m_bIconAdded)
        HandMenuToArea();
}

bool CSystemTray::SetDefaultItem(unsigned nItem, bool bByPosition) {
    if (nItem == m_nDefaultItem && bByPosition == m_bDefaultByPosition)
        return true;
    m_nDefaultItem = nItem;
    m_bDefaultByPosition = bByPosition;
    // The mark is made again in the menu that the area shows, and each time the popup is built.
    if (m_bIconAdded)
        HandMenuToArea();
    return LoadTrayPopup().has_value();
}

bool CSystemTray::LoadAnimationIcons(unsigned uFirst, unsigned uLast) {
    if (uFirst > uLast)
        return false;
    m_AnimationIcons.clear();
    try {
        m_AnimationIcons.reserve(std::size_t{uLast - uFirst} + 1);
    } catch (const std::bad_alloc&) {
        QMessageBox::critical(nullptr, QStringLiteral("Corvane"), QStringLiteral("Out of memory."));
        m_AnimationIcons.clear();
        return false;
    }
    // Counted in a wider type, so that a last id of UINT_MAX still ends the loop.
    for (std::uint64_t uId = uFirst; uId <= uLast; ++uId)
        m_AnimationIcons.push_back(LoadIconResource(static_cast<unsigned>(uId)));
    return true;
}

bool CSystemTray::StartAnimation(int iPeriodMs, int iSeconds) {
    EndAnimation();
    m_nFrame = 0;
    m_AnimationStart = WholeSecondsNow();
    m_nAnimationSeconds = iSeconds;
    m_hRestIcon = GetTrayIcon();
    m_iQtTimerId = startTimer(std::max(iPeriodMs, kShortestTimerPeriodMs));
    m_nAnimationTimer = m_iQtTimerId != 0 ? ANIMATION_TIMER_ID : 0;
    return m_nAnimationTimer != 0;
}

bool CSystemTray::EndAnimation() {
    const bool bWasRunning = m_nAnimationTimer != 0;
    if (bWasRunning)
        killTimer(m_iQtTimerId);
    m_nAnimationTimer = 0;
    m_iQtTimerId = 0;
    if (!m_hRestIcon.IsNull())
        SetTrayIcon(m_hRestIcon);
    m_hRestIcon = {};
    return bWasRunning;
}

void CSystemTray::NextFrame() {
    if (m_AnimationIcons.empty())
        return;
    m_nFrame = (m_nFrame + 1) % m_AnimationIcons.size();
    SetTrayIcon(m_AnimationIcons[m_nFrame]);
}

void CSystemTray::ShowBalloonTip(const QString& strText, const QString& strTitle, unsigned dwInfoFlags,
                                 unsigned uTimeoutSeconds,
                                 std::vector<platform::NotifyBalloonAction> actions) {
    m_NotifyData.m_uFlags = platform::kNotifyFlagInfo;
    m_NotifyData.m_strInfo = FitField(strText, platform::kInfoSize);
    m_NotifyData.m_strInfoTitle = FitField(strTitle, platform::kInfoTitleSize);
    m_NotifyData.m_dwInfoFlags = dwInfoFlags;
    const std::uint64_t uTimeoutMs = std::uint64_t{uTimeoutSeconds} * 1000;
    m_NotifyData.m_uTimeout =
        static_cast<unsigned>(std::min<std::uint64_t>(uTimeoutMs, std::numeric_limits<unsigned>::max()));
    m_NotifyData.m_BalloonActions = std::move(actions);
    m_NotifyArea.Modify(m_NotifyData);
    m_NotifyData.m_strInfo.clear();
    m_NotifyData.m_BalloonActions.clear();
}

int CSystemTray::OnNotifyMessage(unsigned uMessage, unsigned uIconId, unsigned uMouseMessage) {
    if (uMessage != m_NotifyData.m_uCallbackMessage)
        return 0;
    return OnTrayCallback(uIconId, uMouseMessage);
}

void CSystemTray::OnNotifyCommand(unsigned uIconId, unsigned nCommandId) {
    if (uIconId == m_NotifyData.m_uID)
        m_CommandTarget.OnCommand(nCommandId);
}

int CSystemTray::OnTrayCallback(unsigned uIconId, unsigned uMouseMessage) {
    if (uIconId != m_NotifyData.m_uID)
        return 0;
    switch (uMouseMessage) {
    case platform::kRightButtonUp:
        return ShowPopupMenu();
    case platform::kLeftButtonUp:
        return SendDefaultCommand();
    default:
        return 1;
    }
}

void CSystemTray::timerEvent(QTimerEvent*) {
    OnTimer();
}

void CSystemTray::OnTimer() {
    const std::chrono::seconds elapsed = WholeSecondsNow() - m_AnimationStart;
    if (m_nAnimationSeconds > 0 && elapsed.count() > m_nAnimationSeconds) {
        EndAnimation();
        return;
    }
    NextFrame();
}

std::optional<PopupMenuData> CSystemTray::LoadTrayPopup() const {
    // The popup menu is the first popup of the menu resource whose id is the icon id.
    std::optional<MenuResource> menu = LoadMenuResource(m_NotifyData.m_uID);
    if (!menu || menu->m_Popups.empty())
        return std::nullopt;
    if (m_AdjustMenu)
        m_AdjustMenu(menu->m_Popups.front());
    return std::move(menu->m_Popups.front());
}

// Where the notification area shows the menu itself (a tray host's own menu over D-Bus, or at the
// cursor), the program opens no menu window of its own.
void CSystemTray::HandMenuToArea() {
    const std::optional<PopupMenuData> popup = LoadTrayPopup();
    if (!popup)
        return;
    platform::NotifyIconData data = m_NotifyData;
    data.m_uFlags = 0;
    m_NotifyArea.SetMenu(data, TrayMenuItems(*popup, m_nDefaultItem, m_bDefaultByPosition));
}

std::chrono::seconds CSystemTray::WholeSecondsNow() const {
    return std::chrono::duration_cast<std::chrono::seconds>(m_Clock().time_since_epoch());
}

int CSystemTray::ShowPopupMenu() {
    const std::optional<PopupMenuData> popup = LoadTrayPopup();
    if (!popup)
        return 0;
    CTrayMenu menu(*popup, m_nDefaultItem, m_bDefaultByPosition);
    const std::optional<unsigned> nChosen = menu.Exec(QCursor::pos());
    // The command is posted, as a menu's command is: it runs once this callback has returned, and a
    // command that ends the program does not pull the tray icon from under it.
    if (nChosen)
        QMetaObject::invokeMethod(
            this, [this, nId = *nChosen] { m_CommandTarget.OnCommand(nId); }, Qt::QueuedConnection);
    return 1;
}

int CSystemTray::SendDefaultCommand() {
    unsigned nCommandId = m_nDefaultItem;
    if (m_bDefaultByPosition) {
        const std::optional<PopupMenuData> popup = LoadTrayPopup();
        if (!popup)
            return 0;
        // A position beyond the popup, on a separator or on a submenu names no command.
        if (m_nDefaultItem >= popup->m_Items.size() || popup->m_Items[m_nDefaultItem].m_bSeparator ||
            !popup->m_Items[m_nDefaultItem].m_SubItems.empty())
            return 1;
        nCommandId = popup->m_Items[m_nDefaultItem].m_nCommandId;
    }
    m_CommandTarget.OnCommand(nCommandId);
    return 1;
}
