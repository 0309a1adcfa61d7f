#pragma once
// What this machine's own network says about reachability: its interfaces (getifaddrs,
// /sys/class/net) and its routing tables (/proc/net/route, /proc/net/ipv6_route), read into plain
// data so that the decision itself is a pure function.
#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct InterfaceAddress {
  int family = 0;                       // AF_INET or AF_INET6
  std::array<std::uint8_t, 16> address{};  // network byte order; IPv4 in the first 4 bytes
};

struct HostInterface {
  std::string name;
  bool up = false;        // IFF_UP and IFF_RUNNING
  bool loopback = false;  // IFF_LOOPBACK
  bool wwan = false;      // a cellular modem (DEVTYPE=wwan, or a wwan*/rmnet* name)
  std::vector<InterfaceAddress> addresses;
};

// One row of a routing table. Addresses in network byte order; prefixLength in bits.
struct HostRoute {
  int family = 0;
  std::array<std::uint8_t, 16> destination{};
  int prefixLength = 0;
  std::array<std::uint8_t, 16> gateway{};  // all zero for a directly connected network
  bool usable = false;                    // RTF_UP and not a reject route
  std::string interface;
};

struct HostNetwork {
  std::vector<HostInterface> interfaces;
  std::vector<HostRoute> routes;
};

// The text of /proc/net/route and of /proc/net/ipv6_route; malformed lines are skipped.
std::vector<HostRoute> parseIPv4RouteTable(std::string_view text);
std::vector<HostRoute> parseIPv6RouteTable(std::string_view text);

HostNetwork readHostNetwork();

// SCNetworkReachability flags for reaching `address` through `net`. The all-zero address (IPv4 or
// IPv6) means "the internet": reachable when a default route leaves through an interface that is up.
// An address of the machine itself is reachable, local and direct; one on a directly connected
// network is reachable and direct; any other needs a route through a gateway. IsWWAN is added when
// the route's interface is a cellular modem.
std::uint32_t reachabilityFlagsForAddress(const HostNetwork& net, const sockaddr* address);

}  // namespace platform
