#pragma once

#include "platform/NotifyArea.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <utility>

class QIcon;

namespace platform {

// The notification area of a Linux desktop through Qt: one QSystemTrayIcon per added icon. A left
// click reaches the icon's owner as a left-button release, a right click as a right-button release.
// Mouse events are posted to the owner, never delivered from inside the tray icon's own signal, so an
// owner may remove its icon while handling one. Runs on the UI thread only.
class CQtNotifyArea final : public QObject, public CNotifyArea {
    Q_OBJECT
public:
    explicit CQtNotifyArea(QObject* pParent = nullptr);
    ~CQtNotifyArea() override;

    bool Add(const NotifyIconData& data) override;
    bool Modify(const NotifyIconData& data) override;
    bool Delete(const NotifyIconData& data) override;

    // The image that a handle stands for; a null QIcon for none.
    static QIcon IconImage(const IconHandle& hIcon);

private:
    struct Entry {
        std::unique_ptr<QSystemTrayIcon> m_pTrayIcon;
        unsigned m_uCallbackMessage = 0;
    };
    using Key = std::pair<CNotifyOwner*, unsigned>;

    void Apply(Entry& entry, const NotifyIconData& data);
    void OnActivated(const Key& key, QSystemTrayIcon::ActivationReason reason);
    void Deliver(const Key& key, unsigned uMouseMessage);

    std::map<Key, Entry> m_Icons;
};

} // namespace platform
