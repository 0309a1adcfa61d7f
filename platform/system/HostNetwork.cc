#include "platform/system/HostNetwork.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/system/SCNetworkReachability.h"

namespace platform {
namespace {

using Bytes = std::array<std::uint8_t, 16>;

// Route flags of the kernel's tables (linux/route.h, whose headers clash with net/if.h).
constexpr unsigned long kRouteUp = 0x0001;
constexpr unsigned long kRouteReject = 0x0200;

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool parseHex(std::string_view hex, std::uint8_t* out, std::size_t bytes) {
  if (hex.size() != bytes * 2) return false;
  for (std::size_t i = 0; i < bytes; ++i) {
    unsigned v = 0;
    for (char c : hex.substr(i * 2, 2)) {
      v <<= 4;
      if (c >= '0' && c <= '9') v |= c - '0';
      else if (c >= 'a' && c <= 'f') v |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') v |= c - 'A' + 10;
      else return false;
    }
    out[i] = static_cast<std::uint8_t>(v);
  }
  return true;
}

// /proc/net/route prints each IPv4 address as the hex of its in-memory 32-bit value, which on a
// little-endian machine reverses the bytes of the network order.
bool parseIPv4Field(std::string_view hex, std::uint8_t* out) {
  std::uint8_t raw[4];
  if (!parseHex(hex, raw, 4)) return false;
  std::uint32_t value = (std::uint32_t(raw[0]) << 24) | (std::uint32_t(raw[1]) << 16) | (std::uint32_t(raw[2]) << 8) | raw[3];
  std::memcpy(out, &value, 4);
  return true;
}

std::vector<std::string> fields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string f; in >> f;) out.push_back(f);
  return out;
}

bool matches(const Bytes& a, const Bytes& b, int prefixLength) {
  for (int bit = 0; bit < prefixLength; ++bit) {
    int byte = bit / 8, shift = 7 - bit % 8;
    if (((a[byte] >> shift) & 1) != ((b[byte] >> shift) & 1)) return false;
  }
  return true;
}

bool isZero(const Bytes& b, int family) {
  std::size_t n = family == AF_INET ? 4 : 16;
  return std::all_of(b.begin(), b.begin() + n, [](std::uint8_t v) { return v == 0; });
}

bool isLoopback(const Bytes& b, int family) {
  if (family == AF_INET) return b[0] == 127;
  Bytes one{};
  one[15] = 1;
  return b == one;
}

const HostInterface* findInterface(const HostNetwork& net, const std::string& name) {
  for (const auto& i : net.interfaces)
    if (i.name == name) return &i;
  return nullptr;
}

bool readWwan(const std::string& name) {
  if (name.rfind("wwan", 0) == 0 || name.rfind("rmnet", 0) == 0) return true;
  return readText("/sys/class/net/" + name + "/uevent").find("DEVTYPE=wwan") != std::string::npos;
}

}  // namespace

std::vector<HostRoute> parseIPv4RouteTable(std::string_view text) {
  std::vector<HostRoute> out;
  std::istringstream in{std::string(text)};
  std::string line;
  std::getline(in, line);  // the column titles
  while (std::getline(in, line)) {
    // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
    auto f = fields(line);
    if (f.size() < 8) continue;
    HostRoute r;
    r.family = AF_INET;
    r.interface = f[0];
    std::uint8_t mask[4];
    unsigned long flags = 0;
    try {
      flags = std::stoul(f[3], nullptr, 16);
    } catch (...) {
      continue;
    }
    if (!parseIPv4Field(f[1], r.destination.data()) || !parseIPv4Field(f[2], r.gateway.data()) ||
        !parseIPv4Field(f[7], mask))
      continue;
    for (std::uint8_t m : mask) r.prefixLength += __builtin_popcount(m);
    r.usable = (flags & kRouteUp) && !(flags & kRouteReject);
    out.push_back(r);
  }
  return out;
}

std::vector<HostRoute> parseIPv6RouteTable(std::string_view text) {
  std::vector<HostRoute> out;
  std::istringstream in{std::string(text)};
  std::string line;
  while (std::getline(in, line)) {
    // dest plen src splen nexthop metric refcnt use flags iface
    auto f = fields(line);
    if (f.size() < 10) continue;
    HostRoute r;
    r.family = AF_INET6;
    r.interface = f[9];
    std::uint8_t plen = 0;
    unsigned long flags = 0;
    try {
      flags = std::stoul(f[8], nullptr, 16);
    } catch (...) {
      continue;
    }
    if (!parseHex(f[0], r.destination.data(), 16) || !parseHex(f[1], &plen, 1) || !parseHex(f[4], r.gateway.data(), 16))
      continue;
    r.prefixLength = std::min<int>(plen, 128);
    r.usable = (flags & kRouteUp) && !(flags & kRouteReject);
    out.push_back(r);
  }
  return out;
}

HostNetwork readHostNetwork() {
  HostNetwork net;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) == 0) {
    for (ifaddrs* a = list; a; a = a->ifa_next) {
      if (!a->ifa_name) continue;
      auto it = std::find_if(net.interfaces.begin(), net.interfaces.end(),
                             [&](const HostInterface& i) { return i.name == a->ifa_name; });
      if (it == net.interfaces.end()) {
        HostInterface i;
        i.name = a->ifa_name;
        i.up = (a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING);
        i.loopback = a->ifa_flags & IFF_LOOPBACK;
        i.wwan = !i.loopback && readWwan(i.name);
        net.interfaces.push_back(i);
        it = net.interfaces.end() - 1;
      }
      if (!a->ifa_addr) continue;
      InterfaceAddress addr;
      addr.family = a->ifa_addr->sa_family;
      if (addr.family == AF_INET)
        std::memcpy(addr.address.data(), &reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr, 4);
      else if (addr.family == AF_INET6)
        std::memcpy(addr.address.data(), &reinterpret_cast<const sockaddr_in6*>(a->ifa_addr)->sin6_addr, 16);
      else
        continue;
      it->addresses.push_back(addr);
    }
    ::freeifaddrs(list);
  }
  net.routes = parseIPv4RouteTable(readText("/proc/net/route"));
  auto v6 = parseIPv6RouteTable(readText("/proc/net/ipv6_route"));
  net.routes.insert(net.routes.end(), v6.begin(), v6.end());
  return net;
}

std::uint32_t reachabilityFlagsForAddress(const HostNetwork& net, const sockaddr* address) {
  if (!address) return 0;
  int family = address->sa_family;
  Bytes target{};
  if (family == AF_INET) std::memcpy(target.data(), &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, 4);
  else if (family == AF_INET6) std::memcpy(target.data(), &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, 16);
  else return 0;

  constexpr std::uint32_t local = kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsLocalAddress |
                                  kSCNetworkReachabilityFlagsIsDirect;
  bool internet = isZero(target, family);
  if (!internet) {
    for (const auto& i : net.interfaces) {
      if (!i.up) continue;
      if (i.loopback && isLoopback(target, family)) return local;
      for (const auto& a : i.addresses)
        if (a.family == family && matches(a.address, target, family == AF_INET ? 32 : 128)) return local;
    }
  }
  // The most specific usable route through an interface that is up decides; for "the internet"
  // only a default route counts.
  const HostRoute* best = nullptr;
  for (const auto& r : net.routes) {
    if (r.family != family || !r.usable) continue;
    if (internet ? r.prefixLength != 0 : !matches(r.destination, target, r.prefixLength)) continue;
    const HostInterface* i = findInterface(net, r.interface);
    if (!i || !i->up || i->loopback) continue;
    if (!best || r.prefixLength > best->prefixLength) best = &r;
  }
  if (!best) return 0;
  std::uint32_t flags = kSCNetworkReachabilityFlagsReachable;
  if (!internet && isZero(best->gateway, family)) flags |= kSCNetworkReachabilityFlagsIsDirect;
  if (findInterface(net, best->interface)->wwan) flags |= kSCNetworkReachabilityFlagsIsWWAN;
  return flags;
}

}  // namespace platform
