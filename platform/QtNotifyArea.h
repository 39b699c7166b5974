#pragma once

#include "platform/NotifyArea.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QIcon;
class QMenu;

namespace platform {

class CDesktopNotifications;

// Replaces the menu's items by the given ones; each action carries its command id as data, the
// default item becomes the menu's default action, drawn bold, and an item with items of its own
// becomes a submenu.
void FillMenu(QMenu& menu, const std::vector<NotifyMenuItem>& items);

// The notification area of a Linux desktop through Qt: one QSystemTrayIcon per added icon, on a
// StatusNotifierItem host over D-Bus or on an XEmbed tray. A left click reaches the icon's owner as a
// left-button release, a right click as a right-button release unless the icon has a menu, which the
// tray host shows as its own menu over D-Bus or Qt shows at the cursor. A balloon's actions (a click
// on it, its buttons) give their commands as a menu choice does. Mouse events and menu choices
// are posted to the owner, never delivered from inside Qt's own signal, so an owner may remove its
// icon while handling one. Runs on the UI thread only.
class CQtNotifyArea final : public QObject, public CNotifyArea {
    Q_OBJECT
public:
    explicit CQtNotifyArea(QObject* pParent = nullptr);
    ~CQtNotifyArea() override;

    bool Add(const NotifyIconData& data) override;
    bool Modify(const NotifyIconData& data) override;
    bool Delete(const NotifyIconData& data) override;
    bool SetMenu(const NotifyIconData& data, const std::vector<NotifyMenuItem>& items) override;

    // The image that a handle stands for; a null QIcon for none.
    static QIcon IconImage(const IconHandle& hIcon);

private:
    struct Entry {
        // Declared before the icon, so that the icon goes first and never refers to a deleted menu.
        std::unique_ptr<QMenu> m_pMenu;
        std::unique_ptr<QSystemTrayIcon> m_pTrayIcon;
        unsigned m_uCallbackMessage = 0;
        std::vector<NotifyBalloonAction> m_BalloonActions; // those of the balloon shown last
        bool m_bBalloonClickPending = false; // Qt reported a click on the balloon that the icon may claim
    };
    using Key = std::pair<CNotifyOwner*, unsigned>;

    void Apply(Entry& entry, const NotifyIconData& data);
    void ShowBalloon(Entry& entry, const NotifyIconData& data);
    void OnActivated(const Key& key, QSystemTrayIcon::ActivationReason reason);
    void Deliver(const Key& key, unsigned uMouseMessage);
    void DeliverCommand(const Key& key, unsigned nCommandId);
    // The user chose the balloon action with this key on the balloon of the icon named by key.
    void OnBalloonAction(const Key& key, const QString& strAction);

    std::map<Key, Entry> m_Icons;
    std::unique_ptr<CDesktopNotifications> m_pNotifications;
    Key m_LastNotificationKey{}; // the icon whose balloon the desktop notification shows
};

} // namespace platform
