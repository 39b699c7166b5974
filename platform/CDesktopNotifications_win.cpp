#include "platform/CDesktopNotifications.h"

namespace platform {

// Windows has no notification server beside the notification area, and no tray icon there exports
// its menu: every balloon is the icon's own (QSystemTrayIcon::showMessage), and nothing sends here.
CDesktopNotifications::CDesktopNotifications(QObject* pParent) : QObject(pParent) {}

void CDesktopNotifications::Show(const QString& /*strTitle*/, const QString& /*strText*/,
                                 unsigned /*uBalloonIcon*/, int /*iTimeoutMs*/,
                                 const QStringList& /*actions*/) {}

} // namespace platform
