#include "platform/network.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

// Route flags of the kernel's tables (linux/route.h).
constexpr uint32_t kRouteUp = 0x0001;
constexpr uint32_t kRouteReject = 0x0200;
constexpr std::string_view kAnyIpv6Destination = "00000000000000000000000000000000";

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

bool ParseHex(std::string_view text, uint32_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return ec == std::errc() && end == text.data() + text.size();
}

// Calls `visit` with the fields of every line; stops early when it returns true.
template <typename Visit>
bool AnyLine(std::string_view text, Visit visit) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (visit(Fields(text.substr(start, end - start)))) return true;
        start = end + 1;
    }
    return false;
}

bool UsableDefault(uint32_t flags, std::string_view device) {
    return (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0 && device != "lo";
}

std::optional<std::string> ReadProcFile(const char* path) {
    // /proc files report no size, so read the stream to its end.
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) return std::nullopt;
    return text.str();
}

std::optional<std::vector<InterfaceAddress>> ReadInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::vector<InterfaceAddress> addresses;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr) continue;
        InterfaceAddress address;
        address.up = (entry->ifa_flags & IFF_UP) != 0 && (entry->ifa_flags & IFF_RUNNING) != 0;
        address.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        if (entry->ifa_addr->sa_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            address.family = 4;
            std::memcpy(address.address.data(), &in->sin_addr, 4);
        } else if (entry->ifa_addr->sa_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr);
            address.family = 6;
            std::memcpy(address.address.data(), &in6->sin6_addr, 16);
        } else {
            continue;
        }
        addresses.push_back(address);
    }
    freeifaddrs(list);
    return addresses;
}

}  // namespace

uint32_t InterfaceConnectivity(const std::vector<InterfaceAddress>& addresses) {
    uint32_t flags = 0;
    for (const InterfaceAddress& a : addresses) {
        if (!a.up || a.loopback) continue;
        const auto& b = a.address;
        if (a.family == 4) {
            if (b[0] == 127 || (b[0] == 0 && b[1] == 0 && b[2] == 0 && b[3] == 0)) continue;
            flags |= (b[0] == 169 && b[1] == 254) ? IPV4_NOTRAFFIC : IPV4_SUBNET;
        } else if (a.family == 6) {
            bool zeroOrLoopback = true;
            for (size_t i = 0; i < 15; ++i)
                zeroOrLoopback = zeroOrLoopback && b[i] == 0;
            if (zeroOrLoopback && b[15] <= 1) continue;
            flags |= (b[0] == 0xFE && (b[1] & 0xC0) == 0x80) ? IPV6_NOTRAFFIC : IPV6_SUBNET;
        }
    }
    // A family with a routable address has traffic even when it also has link-local ones.
    if (flags & IPV4_SUBNET) flags &= ~uint32_t{IPV4_NOTRAFFIC};
    if (flags & IPV6_SUBNET) flags &= ~uint32_t{IPV6_NOTRAFFIC};
    return flags;
}

bool HasIpv4DefaultRoute(std::string_view routeTable) {
    // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
    return AnyLine(routeTable, [](const std::vector<std::string_view>& f) {
        uint32_t destination, flags, mask;
        return f.size() >= 8 && ParseHex(f[1], destination) && ParseHex(f[3], flags) &&
               ParseHex(f[7], mask) && destination == 0 && mask == 0 && UsableDefault(flags, f[0]);
    });
}

bool HasIpv6DefaultRoute(std::string_view routeTable) {
    // Destination PrefixLen Source PrefixLen NextHop Metric RefCnt Use Flags Device
    return AnyLine(routeTable, [](const std::vector<std::string_view>& f) {
        uint32_t prefixLength, flags;
        return f.size() >= 10 && f[0] == kAnyIpv6Destination && ParseHex(f[1], prefixLength) &&
               prefixLength == 0 && ParseHex(f[8], flags) && UsableDefault(flags, f[9]);
    });
}

NetworkReading ComposeReading(const std::optional<std::vector<InterfaceAddress>>& addresses,
                              const std::optional<std::string>& ipv4Routes,
                              const std::optional<std::string>& ipv6Routes) {
    NetworkReading reading;
    const bool default4 = ipv4Routes && HasIpv4DefaultRoute(*ipv4Routes);
    const bool default6 = ipv6Routes && HasIpv6DefaultRoute(*ipv6Routes);
    if (addresses) {
        reading.connectivityRead = true;
        reading.connectivity = InterfaceConnectivity(*addresses);
        if (default4) reading.connectivity |= IPV4_INTERNET;
        if (default6) reading.connectivity |= IPV6_INTERNET;
    }
    // A machine without IPv6 has no IPv6 table; either table is enough for the answer.
    if (ipv4Routes || ipv6Routes) {
        reading.internetRead = true;
        reading.connectedToInternet = default4 || default6;
    }
    reading.available = reading.connectivityRead || reading.internetRead;
    return reading;
}

NetworkReading ReadNetwork() {
    return ComposeReading(ReadInterfaces(), ReadProcFile("/proc/net/route"),
                          ReadProcFile("/proc/net/ipv6_route"));
}

}  // namespace platform
