#include "platform/system/HostNetwork.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "platform/system/SCNetworkReachability.h"

namespace {

using platform::HostNetwork;

// As the kernel prints it on a little-endian machine: default via 192.168.1.1 on wlan0, the
// directly connected 192.168.1.0/24, a reject route and a cellular modem's 10.64.0.0/16.
constexpr const char* kRouteTable =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
    "wlan0\t0001A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n"
    "wlan0\t00000A0A\t00000000\t0201\t0\t0\t0\t0000FFFF\t0\t0\t0\n"
    "wwan0\t0000400A\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\n"
    "garbage line\n";

sockaddr_in v4(const char* text) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, text, &a.sin_addr);
  return a;
}

std::uint32_t flagsFor(const HostNetwork& net, const char* address) {
  sockaddr_in a = v4(address);
  return platform::reachabilityFlagsForAddress(net, reinterpret_cast<sockaddr*>(&a));
}

HostNetwork network(bool wlanUp) {
  HostNetwork net;
  net.routes = platform::parseIPv4RouteTable(kRouteTable);
  platform::HostInterface lo{"lo", true, true, false, {}};
  platform::HostInterface wlan{"wlan0", wlanUp, false, false, {}};
  platform::InterfaceAddress own;
  own.family = AF_INET;
  inet_pton(AF_INET, "192.168.1.20", own.address.data());
  wlan.addresses.push_back(own);
  platform::HostInterface wwan{"wwan0", true, false, true, {}};
  net.interfaces = {lo, wlan, wwan};
  return net;
}

TEST(HostNetworkTest, ParsesTheIPv4RouteTable) {
  auto routes = platform::parseIPv4RouteTable(kRouteTable);
  ASSERT_EQ(routes.size(), 4u);
  EXPECT_EQ(routes[0].interface, "wlan0");
  EXPECT_EQ(routes[0].prefixLength, 0);
  EXPECT_TRUE(routes[0].usable);
  char text[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, routes[0].gateway.data(), text, sizeof text);
  EXPECT_STREQ(text, "192.168.1.1");
  inet_ntop(AF_INET, routes[1].destination.data(), text, sizeof text);
  EXPECT_STREQ(text, "192.168.1.0");
  EXPECT_EQ(routes[1].prefixLength, 24);
  EXPECT_FALSE(routes[2].usable) << "a reject route leads nowhere";
}

TEST(HostNetworkTest, ParsesTheIPv6RouteTable) {
  auto routes = platform::parseIPv6RouteTable(
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 fe800000000000000000000000000001 "
      "00000400 00000001 00000000 00000003 eth0\n"
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 00000000000000000000000000000000 "
      "ffffffff 00000001 00000000 00200200 lo\n");
  ASSERT_EQ(routes.size(), 2u);
  EXPECT_EQ(routes[0].family, AF_INET6);
  EXPECT_TRUE(routes[0].usable);
  EXPECT_EQ(routes[0].gateway[0], 0xfe);
  EXPECT_FALSE(routes[1].usable);
}

TEST(HostNetworkTest, FlagsFollowTheRouteThatWouldCarryTheTraffic) {
  HostNetwork net = network(true);
  constexpr auto R = kSCNetworkReachabilityFlagsReachable;
  constexpr auto D = kSCNetworkReachabilityFlagsIsDirect;
  constexpr auto L = kSCNetworkReachabilityFlagsIsLocalAddress;
  constexpr auto W = kSCNetworkReachabilityFlagsIsWWAN;
  struct Case {
    const char* address;
    std::uint32_t flags;
  } cases[] = {
      {"0.0.0.0", R},          // the internet: the default route
      {"93.184.216.34", R},    // through the gateway
      {"192.168.1.7", R | D},  // on the local network
      {"192.168.1.20", R | L | D},
      {"127.0.0.1", R | L | D},
      {"10.64.3.3", R | D | W},  // the modem's network
      {"10.10.1.1", R},          // the reject route is skipped; the default route serves
  };
  for (const auto& c : cases) EXPECT_EQ(flagsFor(net, c.address), c.flags) << c.address;
}

TEST(HostNetworkTest, NothingIsReachableThroughAnInterfaceThatIsDown) {
  HostNetwork net = network(false);
  EXPECT_EQ(flagsFor(net, "0.0.0.0"), 0u);
  EXPECT_EQ(flagsFor(net, "192.168.1.7"), 0u);
  EXPECT_EQ(flagsFor(net, "192.168.1.20"), 0u);
  net.routes.clear();
  EXPECT_EQ(flagsFor(net, "127.0.0.1"),
            kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsLocalAddress |
                kSCNetworkReachabilityFlagsIsDirect);
}

TEST(HostNetworkTest, ThisMachinesLoopbackIsLocal) {
  HostNetwork net = platform::readHostNetwork();
  EXPECT_EQ(flagsFor(net, "127.0.0.1"), kSCNetworkReachabilityFlagsReachable |
                                            kSCNetworkReachabilityFlagsIsLocalAddress |
                                            kSCNetworkReachabilityFlagsIsDirect);
}

}  // namespace
