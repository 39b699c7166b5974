#include "platform/QtNetworkSource.h"

#include <QNetworkInformation>

namespace platform {
namespace {

NetworkReach ReachOf(QNetworkInformation::Reachability reachability) {
    switch (reachability) {
    case QNetworkInformation::Reachability::Disconnected:
        return NetworkReach::Offline;
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site:
    case QNetworkInformation::Reachability::Online:
        return NetworkReach::Online;
    case QNetworkInformation::Reachability::Unknown:
        break;
    }
    return NetworkReach::Unknown;
}

} // namespace

std::unique_ptr<CNetworkSource> MakeSystemNetworkSource() {
    return std::make_unique<CQtNetworkSource>();
}

CQtNetworkSource::CQtNetworkSource() {
    if (!QNetworkInformation::loadBackendByName(QStringLiteral("networkmanager")))
        return;
    m_pInformation = QNetworkInformation::instance();
    connect(m_pInformation, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                if (m_OnChange)
                    m_OnChange(ReachOf(reachability));
            });
}

NetworkReach CQtNetworkSource::Reach() const {
    return m_pInformation != nullptr ? ReachOf(m_pInformation->reachability()) : NetworkReach::Unknown;
}

void CQtNetworkSource::OnChange(std::function<void(NetworkReach)> onChange) {
    m_OnChange = std::move(onChange);
}

} // namespace platform
