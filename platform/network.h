// Network connectivity as the network list manager reports it: on Windows the system's own
// (COM), on Linux read from the interfaces that are up and from the kernel's routing tables.
// Safe on any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Connectivity bits, with the values the network list manager uses; 0 means disconnected.
enum ConnectivityFlag : uint32_t {
    IPV4_NOTRAFFIC = 0x1,
    IPV6_NOTRAFFIC = 0x2,
    IPV4_SUBNET = 0x10,
    IPV4_LOCALNETWORK = 0x20,
    IPV4_INTERNET = 0x40,
    IPV6_SUBNET = 0x100,
    IPV6_LOCALNETWORK = 0x200,
    IPV6_INTERNET = 0x400,
};

struct NetworkReading {
    bool available = false;         // false: nothing could be read, the probe did not run
    bool connectivityRead = false;  // the connectivity flags could be read
    uint32_t connectivity = 0;
    bool internetRead = false;  // the internet answer could be read
    bool connectedToInternet = false;
};

// Reads the machine's connectivity now. Windows: not available when COM or the network list
// manager cannot be had.
NetworkReading ReadNetwork();

#ifndef _WIN32
// --- The pieces ReadNetwork is made of, exposed so that they can be fed fixtures. Linux
// only: they read getifaddrs entries and the text of /proc/net. ---

struct InterfaceAddress {
    bool up = false;                    // administratively up and with a carrier
    bool loopback = false;              // the interface is a loopback device
    int family = 0;                     // 4 or 6
    std::array<uint8_t, 16> address{};  // network byte order; IPv4 uses the first 4 bytes
};

// Subnet flags per family for every usable address; a family whose only addresses are
// link-local (169.254/16, fe80::/10) counts as "no traffic" instead.
uint32_t InterfaceConnectivity(const std::vector<InterfaceAddress>& addresses);

// A usable default route in the text of /proc/net/route or /proc/net/ipv6_route: up, not a
// reject route, not on the loopback device.
bool HasIpv4DefaultRoute(std::string_view routeTable);
bool HasIpv6DefaultRoute(std::string_view routeTable);

// Combines what could be read (nullopt = that source could not be read) into a reading.
NetworkReading ComposeReading(const std::optional<std::vector<InterfaceAddress>>& addresses,
                              const std::optional<std::string>& ipv4Routes,
                              const std::optional<std::string>& ipv6Routes);
#endif

}  // namespace platform
