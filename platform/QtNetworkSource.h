#pragma once

#include "platform/NetworkSource.h"

#include <QObject>

class QNetworkInformation;

namespace platform {

// The network's reach through Qt's network information with its NetworkManager backend. Without
// NetworkManager on the system bus no backend loads, and the reach stays unknown. "Local" and "site"
// reach count as online: a server on the local network can still answer.
class CQtNetworkSource final : public QObject, public CNetworkSource {
    Q_OBJECT
public:
    CQtNetworkSource();

    NetworkReach Reach() const override;
    void OnChange(std::function<void(NetworkReach)> onChange) override;

private:
    QNetworkInformation* m_pInformation = nullptr; // Qt's own, shared by the process
    std::function<void(NetworkReach)> m_OnChange;
};

} // namespace platform
