#include "platform/network.h"

#include <gtest/gtest.h>

namespace {

using platform::InterfaceAddress;

// Captured from a machine with one Ethernet interface and IPv4 and IPv6 default routes.
constexpr const char* kIpv4Table =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
constexpr const char* kIpv6Table =
    "fd000000000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth0\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n"
    "00000000000000000000000000000001 80 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000000 00000002 00000000 80200001       lo\n";
// The kernel's own "unreachable" catch-all: a reject route on the loopback device.
constexpr const char* kIpv6RejectOnly =
    "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000002 00000000 00000001     eth0\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";

TEST(RouteTables, Ipv4DefaultRoute) {
    struct Case {
        const char* name;
        std::string table;
        bool expected;
    } cases[] = {
        {"default present", kIpv4Table, true},
        {"header only", "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n", false},
        {"empty", "", false},
        {"subnet only", "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n", false},
        // A zero destination with a non-zero mask is 0.0.0.0/8, not a default route.
        {"zero destination, mask", "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t000000FF\t0\t0\t0\n",
         false},
        {"not up", "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n", false},
        {"unreachable default", "eth0\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n",
         false},
        {"via loopback", "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n", false},
        {"no trailing newline", "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000", true},
        {"short line", "eth0\t00000000\t010200C0\t0003\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::HasIpv4DefaultRoute(c.table), c.expected);
    }
}

TEST(RouteTables, Ipv6DefaultRoute) {
    const std::string zero(32, '0');
    const std::string tail = " 00 " + zero + " 00 " + zero + " 00000400 00000001 00000000 ";
    struct Case {
        const char* name;
        std::string table;
        bool expected;
    } cases[] = {
        {"default present", kIpv6Table, true},
        {"reject route on loopback only", kIpv6RejectOnly, false},
        {"empty", "", false},
        {"default, no trailing newline", zero + tail + "00000003 wlan0", true},
        {"zero destination with a prefix", zero + " 08" + tail.substr(3) + "00000001 eth0\n",
         false},
        {"not up", zero + tail + "00000002 eth0\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::HasIpv6DefaultRoute(c.table), c.expected);
    }
}

InterfaceAddress V4(uint8_t a, uint8_t b, uint8_t c, uint8_t d, bool up = true,
                    bool loopback = false) {
    InterfaceAddress address;
    address.up = up;
    address.loopback = loopback;
    address.family = 4;
    address.address = {a, b, c, d};
    return address;
}

InterfaceAddress V6(std::array<uint8_t, 16> bytes, bool up = true, bool loopback = false) {
    InterfaceAddress address;
    address.up = up;
    address.loopback = loopback;
    address.family = 6;
    address.address = bytes;
    return address;
}

TEST(InterfaceConnectivity, FlagsPerFamily) {
    const std::array<uint8_t, 16> global6 = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0,
                                             0,    0,    0,    0,    0, 0, 0, 1};
    const std::array<uint8_t, 16> linkLocal6 = {0xfe, 0x80, 0, 0, 0, 0, 0, 0,
                                                0,    0,    0, 0, 0, 0, 0, 7};
    const std::array<uint8_t, 16> loopback6 = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    struct Case {
        const char* name;
        std::vector<InterfaceAddress> addresses;
        uint32_t expected;
    } cases[] = {
        {"nothing", {}, 0},
        {"loopback only", {V4(127, 0, 0, 1, true, true), V6(loopback6, true, true)}, 0},
        {"address on a down interface", {V4(192, 168, 1, 5, false)}, 0},
        {"ipv4 subnet", {V4(192, 168, 1, 5)}, platform::IPV4_SUBNET},
        {"ipv4 link-local only", {V4(169, 254, 3, 4)}, platform::IPV4_NOTRAFFIC},
        {"ipv6 link-local only", {V6(linkLocal6)}, platform::IPV6_NOTRAFFIC},
        {"link-local beside a routable address",
         {V6(linkLocal6), V6(global6), V4(169, 254, 3, 4), V4(10, 0, 0, 2)},
         platform::IPV4_SUBNET | platform::IPV6_SUBNET},
        {"both families",
         {V4(10, 0, 0, 2), V6(linkLocal6)},
         platform::IPV4_SUBNET | platform::IPV6_NOTRAFFIC},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::InterfaceConnectivity(c.addresses), c.expected);
    }
}

TEST(ComposeReading, CombinesInterfacesAndRoutes) {
    const std::vector<InterfaceAddress> lan = {V4(192, 168, 1, 5)};
    struct Case {
        const char* name;
        std::optional<std::vector<InterfaceAddress>> addresses;
        std::optional<std::string> ipv4, ipv6;
        platform::NetworkReading expected;
    } cases[] = {
        {"internet over both families",
         lan,
         kIpv4Table,
         kIpv6Table,
         {true, true, platform::IPV4_SUBNET | platform::IPV4_INTERNET | platform::IPV6_INTERNET,
          true, true}},
        {"network without a default route",
         lan,
         "",
         kIpv6RejectOnly,
         {true, true, platform::IPV4_SUBNET, true, false}},
        // A machine with IPv6 switched off has no IPv6 table at all.
        {"no ipv6 table",
         lan,
         kIpv4Table,
         std::nullopt,
         {true, true, platform::IPV4_SUBNET | platform::IPV4_INTERNET, true, true}},
        {"interfaces unreadable",
         std::nullopt,
         kIpv4Table,
         std::nullopt,
         {true, false, 0, true, true}},
        {"routes unreadable",
         lan,
         std::nullopt,
         std::nullopt,
         {true, true, platform::IPV4_SUBNET, false, false}},
        {"nothing readable",
         std::nullopt,
         std::nullopt,
         std::nullopt,
         {false, false, 0, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const platform::NetworkReading r = platform::ComposeReading(c.addresses, c.ipv4, c.ipv6);
        EXPECT_EQ(r.available, c.expected.available);
        EXPECT_EQ(r.connectivityRead, c.expected.connectivityRead);
        EXPECT_EQ(r.connectivity, c.expected.connectivity);
        EXPECT_EQ(r.internetRead, c.expected.internetRead);
        EXPECT_EQ(r.connectedToInternet, c.expected.connectedToInternet);
    }
}

}  // namespace
