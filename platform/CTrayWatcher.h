#pragma once

#include <QObject>
#include <QTimer>

class QDBusServiceWatcher;

namespace platform {

// Looks for a system tray on the desktop: a StatusNotifierWatcher with a registered host on the
// session bus (KDE, GNOME with AppIndicator, XFCE, waybar; also on Wayland), or the X11 tray
// manager selection of an XEmbed tray. Qt must not be asked before one exists: it decides once per
// process whether the desktop has a D-Bus tray, and an icon made before the watcher came never docks.
// Runs on the UI thread only.
class CTrayWatcher final : public QObject {
    Q_OBJECT
public:
    explicit CTrayWatcher(QObject* pParent = nullptr);
    ~CTrayWatcher() override;

    // Whether a tray is there now. Asks the session bus and the display directly, each answer awaited
    // for a short time only.
    bool IsTrayThere() const;

    // Watches for a tray from now on: TrayAppeared comes once, when one is there.
    void Watch();

signals:
    void TrayAppeared();

private:
    bool HasX11TrayManager() const;
    bool HasStatusNotifierHost() const;
    void CheckStatusNotifierHost();
    void OnFound();

    QDBusServiceWatcher* m_pServiceWatcher = nullptr;
    QTimer m_Poll;
    bool m_bFound = false;
};

} // namespace platform
