#include "app/CTrayStartup.h"

#include <QCoreApplication>
#include <cstdio>

CTrayStartup::CTrayStartup(std::function<bool()> fnStart, int iFailureStatus,
                           std::chrono::milliseconds waitLimit)
    : m_fnStart(std::move(fnStart)), m_iFailureStatus(iFailureStatus) {
    m_WaitLimit.setSingleShot(true);
    m_WaitLimit.setInterval(waitLimit);
    connect(&m_WaitLimit, &QTimer::timeout, this, &CTrayStartup::OnWaitedTooLong);
    connect(&m_Watcher, &platform::CTrayWatcher::TrayAppeared, this, &CTrayStartup::OnTrayAppeared);
}

bool CTrayStartup::Begin() {
    if (m_Watcher.IsTrayThere())
        return m_fnStart();
    std::fputs("Corvane: no system tray yet; waiting for one to appear\n", stderr);
    m_Watcher.Watch();
    m_WaitLimit.start();
    return true;
}

void CTrayStartup::OnTrayAppeared() {
    m_WaitLimit.stop();
    if (!m_fnStart())
        QCoreApplication::exit(m_iFailureStatus);
}

void CTrayStartup::OnWaitedTooLong() {
    std::fprintf(stderr,
                 "Corvane: no system tray appeared within %lld s; start a panel with a system tray "
                 "(on GNOME, the AppIndicator extension), then start Corvane again\n",
                 static_cast<long long>(
                     std::chrono::ceil<std::chrono::seconds>(m_WaitLimit.intervalAsDuration()).count()));
    QCoreApplication::exit(m_iFailureStatus);
}
