#pragma once

#include "platform/CTrayWatcher.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

// Starts the tray program once the desktop has a system tray. At login the panel often comes after
// the programs it hosts, so without a tray the program says once on standard error that it waits,
// and starts when one appears; after the time limit without one it ends the event loop with the
// failure status. Runs on the UI thread.
class CTrayStartup final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::minutes kDefaultWaitLimit{5};

    // fnStart makes the program's tray icon and starts its work; false when it could not.
    CTrayStartup(std::function<bool()> fnStart, int iFailureStatus,
                 std::chrono::milliseconds waitLimit = kDefaultWaitLimit);

    // Starts now when a tray is there, else begins to wait. False when the start failed now; the
    // event loop must then not run. A start that fails later ends the loop with the failure status.
    bool Begin();

private:
    void OnTrayAppeared();
    void OnWaitedTooLong();

    std::function<bool()> m_fnStart;
    int m_iFailureStatus;
    platform::CTrayWatcher m_Watcher;
    QTimer m_WaitLimit;
};
