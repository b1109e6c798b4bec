#include "sys/network_check.h"

#include <atomic>

#include "sys/log.h"

namespace Utils {
namespace {

std::atomic<NetworkProbe> g_probe{&platform::ReadNetwork};

constexpr uint32_t kConnected = 0;
constexpr uint32_t kNoConnectivity = 1;
constexpr uint32_t kNoInternet = 2;

}  // namespace

NetworkProbe SetNetworkProbe(NetworkProbe probe) {
    return g_probe.exchange(probe != nullptr ? probe : &platform::ReadNetwork);
}

uint32_t CheckNetwork() {
    const platform::NetworkReading reading = g_probe.load()();
    // A probe that cannot run must not stop an installation: report "connected".
    if (!reading.available) return 0;
    const uint32_t connectivity = reading.connectivityRead ? reading.connectivity : 0;
    uint32_t verdict = kConnected;
    if (connectivity == 0) {
        LOG_TRACE(L"Utils::CheckNetwork", L"GetConnectivity %d", static_cast<int>(connectivity));
        verdict = kNoConnectivity;
    } else {
        const bool internet = reading.internetRead && reading.connectedToInternet;
        if (!internet) {
            LOG_TRACE(L"Utils::CheckNetwork", L"get_IsConnectedToInternet:%d",
                      static_cast<int>(internet));
            verdict = kNoInternet;
        }
    }
    return (connectivity & 0xFFFF) | (verdict << 16);
}

}  // namespace Utils
