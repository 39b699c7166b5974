#include "platform/QtNotifyArea.h"

#include "platform/CDesktopNotifications.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QStyle>
#include <algorithm>
#include <climits>

namespace platform {
namespace {

QSystemTrayIcon::MessageIcon BalloonIcon(unsigned dwInfoFlags) {
    switch (dwInfoFlags) {
    case kBalloonIconInfo:
        return QSystemTrayIcon::Information;
    case kBalloonIconWarning:
        return QSystemTrayIcon::Warning;
    case kBalloonIconError:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}

unsigned MouseMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return kLeftButtonUp;
    case QSystemTrayIcon::Context:
        return kRightButtonUp;
    case QSystemTrayIcon::DoubleClick:
        return kLeftButtonDoubleClick;
    case QSystemTrayIcon::MiddleClick:
        return kMiddleButtonUp;
    default:
        return 0;
    }
}

// One image per size, so that a panel that shows icons at 22 to 48 px, or at twice the pixel density,
// gets a drawing made for that size rather than the 16 px one scaled up.
QIcon ResourceIcon(unsigned uResourceId) {
    QIcon icon;
    icon.addFile(IconResourcePath(uResourceId), QSize(16, 16));
    for (const int iSize : kExtraIconSizes) {
        const QString strPath = IconResourcePath(uResourceId, iSize);
        if (QFile::exists(strPath))
            icon.addFile(strPath, QSize(iSize, iSize));
    }
    return icon;
}

// Qt gives a tray icon's menu a platform menu only when it exports it over D-Bus, which it does
// for an icon that is a StatusNotifierItem; an XEmbed icon's menu stays a plain widget.
bool IsStatusNotifierItem(QMenu* pMenu) {
    return pMenu != nullptr && pMenu->platformMenu() != nullptr;
}

} // namespace

void FillMenu(QMenu& menu, const std::vector<NotifyMenuItem>& items) {
    menu.setDefaultAction(nullptr);
    menu.clear();
    // Submenus are the menu's children, which clearing its actions leaves behind.
    qDeleteAll(menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    for (const NotifyMenuItem& item : items) {
        if (item.m_bSeparator) {
            menu.addSeparator();
            continue;
        }
        if (!item.m_SubItems.empty()) {
            // A child of the menu, so that its choices reach the menu's own triggered signal.
            FillMenu(*menu.addMenu(item.m_strText), item.m_SubItems);
            continue;
        }
        QAction* pAction = menu.addAction(item.m_strText);
        pAction->setData(item.m_nCommandId);
        if (item.m_bDefault)
            menu.setDefaultAction(pAction);
    }
}

CQtNotifyArea::CQtNotifyArea(QObject* pParent) : QObject(pParent) {}

CQtNotifyArea::~CQtNotifyArea() = default;

QIcon CQtNotifyArea::IconImage(const IconHandle& hIcon) {
    switch (hIcon.m_Source) {
    case IconHandle::Source::Resource:
        return ResourceIcon(hIcon.m_uResourceId);
    case IconHandle::Source::StockQuestion:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxQuestion);
    case IconHandle::Source::None:
        break;
    }
    return {};
}

bool CQtNotifyArea::Add(const NotifyIconData& data) {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    const Key key{data.m_pOwner, data.m_uID};
    if (m_Icons.contains(key))
        return false;

    Entry& entry = m_Icons[key];
    entry.m_pTrayIcon = std::make_unique<QSystemTrayIcon>();
    connect(entry.m_pTrayIcon.get(), &QSystemTrayIcon::activated, this,
            [this, key](QSystemTrayIcon::ActivationReason reason) { OnActivated(key, reason); });
    // Only Qt's own balloon of an XEmbed icon: on a D-Bus desktop Qt reports clicks on every
    // program's notifications here, and our own notifications answer through their actions.
    // Qt reports any click on an XEmbed icon while its balloon shows as a click on the balloon too,
    // just before the icon's own activation: the balloon's click waits until that has had its
    // chance to claim it, so that a right click gives the menu and nothing else.
    connect(entry.m_pTrayIcon.get(), &QSystemTrayIcon::messageClicked, this, [this, key] {
        const auto found = m_Icons.find(key);
        if (found == m_Icons.end() || IsStatusNotifierItem(found->second.m_pMenu.get()))
            return;
        found->second.m_bBalloonClickPending = true;
        QMetaObject::invokeMethod(
            this,
            [this, key] {
                const auto clicked = m_Icons.find(key);
                if (clicked == m_Icons.end() || !clicked->second.m_bBalloonClickPending)
                    return;
                clicked->second.m_bBalloonClickPending = false;
                OnBalloonAction(key, kBalloonClickAction);
            },
            Qt::QueuedConnection);
    });
    Apply(entry, data);
    entry.m_pTrayIcon->show();
    return true;
}

bool CQtNotifyArea::Modify(const NotifyIconData& data) {
    const auto found = m_Icons.find(Key{data.m_pOwner, data.m_uID});
    if (found == m_Icons.end())
        return false;
    Apply(found->second, data);
    return true;
}

bool CQtNotifyArea::Delete(const NotifyIconData& data) {
    const auto found = m_Icons.find(Key{data.m_pOwner, data.m_uID});
    if (found == m_Icons.end())
        return false;
    found->second.m_pTrayIcon->hide();
    m_Icons.erase(found);
    return true;
}

bool CQtNotifyArea::SetMenu(const NotifyIconData& data, const std::vector<NotifyMenuItem>& items) {
    const Key key{data.m_pOwner, data.m_uID};
    const auto found = m_Icons.find(key);
    if (found == m_Icons.end())
        return false;
    Entry& entry = found->second;
    // One menu per icon, refilled: a tray host keeps showing the menu object it was first given.
    if (entry.m_pMenu == nullptr) {
        entry.m_pMenu = std::make_unique<QMenu>();
        connect(entry.m_pMenu.get(), &QMenu::triggered, this, [this, key](QAction* pAction) {
            const unsigned nCommandId = pAction->data().toUInt();
            QMetaObject::invokeMethod(
                this, [this, key, nCommandId] { DeliverCommand(key, nCommandId); }, Qt::QueuedConnection);
        });
    }
    FillMenu(*entry.m_pMenu, items);
    entry.m_pTrayIcon->setContextMenu(entry.m_pMenu.get());
    return true;
}

void CQtNotifyArea::Apply(Entry& entry, const NotifyIconData& data) {
    QSystemTrayIcon& trayIcon = *entry.m_pTrayIcon;
    if (data.m_uFlags & kNotifyFlagMessage)
        entry.m_uCallbackMessage = data.m_uCallbackMessage;
    if (data.m_uFlags & kNotifyFlagIcon)
        trayIcon.setIcon(IconImage(data.m_hIcon));
    if (data.m_uFlags & kNotifyFlagTip)
        trayIcon.setToolTip(data.m_strTip);
    // An empty balloon text asks for no balloon.
    if ((data.m_uFlags & kNotifyFlagInfo) && !data.m_strInfo.isEmpty())
        ShowBalloon(entry, data);
}

// A StatusNotifierItem's balloon is a desktop notification that we send ourselves, so that it
// carries the program's name, icon and desktop entry, and its text stays plain. An XEmbed icon's
// balloon is Qt's own, which shows its text as plain text already.
void CQtNotifyArea::ShowBalloon(Entry& entry, const NotifyIconData& data) {
    const int iTimeoutMs = static_cast<int>(std::min<unsigned>(data.m_uTimeout, INT_MAX));
    entry.m_BalloonActions = data.m_BalloonActions;
    if (!IsStatusNotifierItem(entry.m_pMenu.get())) {
        entry.m_pTrayIcon->showMessage(data.m_strInfoTitle, data.m_strInfo, BalloonIcon(data.m_dwInfoFlags),
                                       iTimeoutMs);
        return;
    }
    if (m_pNotifications == nullptr) {
        m_pNotifications = std::make_unique<CDesktopNotifications>();
        connect(m_pNotifications.get(), &CDesktopNotifications::ActionInvoked, this,
                [this](const QString& strAction) { OnBalloonAction(m_LastNotificationKey, strAction); });
    }
    QStringList actions;
    for (const NotifyBalloonAction& action : data.m_BalloonActions)
        actions << action.m_strKey << action.m_strLabel;
    // A later notification replaces the one shown, so the actions are always those of this icon's.
    m_LastNotificationKey = Key{data.m_pOwner, data.m_uID};
    m_pNotifications->Show(data.m_strInfoTitle, data.m_strInfo, data.m_dwInfoFlags, iTimeoutMs, actions);
}

void CQtNotifyArea::OnBalloonAction(const Key& key, const QString& strAction) {
    const auto found = m_Icons.find(key);
    if (found == m_Icons.end())
        return;
    for (const NotifyBalloonAction& action : found->second.m_BalloonActions) {
        if (action.m_strKey != strAction)
            continue;
        const unsigned nCommandId = action.m_nCommandId;
        QMetaObject::invokeMethod(
            this, [this, key, nCommandId] { DeliverCommand(key, nCommandId); }, Qt::QueuedConnection);
        return;
    }
}

void CQtNotifyArea::OnActivated(const Key& key, QSystemTrayIcon::ActivationReason reason) {
    const unsigned uMouseMessage = MouseMessage(reason);
    if (uMouseMessage == 0)
        return;
    // The icon's own menu answers the right click (or the host's ContextMenu request) already.
    const auto found = m_Icons.find(key);
    if (found != m_Icons.end())
        found->second.m_bBalloonClickPending = false;
    if (uMouseMessage == kRightButtonUp && found != m_Icons.end() && found->second.m_pMenu != nullptr)
        return;
    QMetaObject::invokeMethod(
        this, [this, key, uMouseMessage] { Deliver(key, uMouseMessage); }, Qt::QueuedConnection);
}

// An icon deleted while its event waited gets nothing: its owner may be gone.
void CQtNotifyArea::Deliver(const Key& key, unsigned uMouseMessage) {
    const auto found = m_Icons.find(key);
    if (found == m_Icons.end() || key.first == nullptr)
        return;
    key.first->OnNotifyMessage(found->second.m_uCallbackMessage, key.second, uMouseMessage);
}

// A choice made while its icon was deleted gets nothing, as an event does.
void CQtNotifyArea::DeliverCommand(const Key& key, unsigned nCommandId) {
    if (!m_Icons.contains(key) || key.first == nullptr)
        return;
    key.first->OnNotifyCommand(key.second, nCommandId);
}

} // namespace platform
