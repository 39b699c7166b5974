#pragma once

#include <functional>
#include <memory>

// Whether the machine can reach a network, as the operating system tells it, so that checks of
// repositories on other machines can wait while it cannot. Only a backend that answers counts: where
// none does, the reach is unknown and the checks go on as always.
namespace platform {

enum class NetworkReach { Unknown, Offline, Online };

class CNetworkSource {
public:
    virtual ~CNetworkSource() = default;

    // What the system knows now; Unknown where no backend answers.
    virtual NetworkReach Reach() const = 0;
    // Calls onChange with the new reach each time it changes, on the thread that made the source
    // (the UI thread). A later call replaces the earlier function.
    virtual void OnChange(std::function<void(NetworkReach)> onChange) = 0;

protected:
    CNetworkSource() = default;
    CNetworkSource(const CNetworkSource&) = default;
    CNetworkSource& operator=(const CNetworkSource&) = default;
};

// The operating system's own source, made on the UI thread; each system's file beside this header
// defines it.
std::unique_ptr<CNetworkSource> MakeSystemNetworkSource();

} // namespace platform
