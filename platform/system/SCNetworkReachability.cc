#include "platform/system/SCNetworkReachability.h"

#include <netdb.h>
#include <netinet/in.h>
#include <arpa/inet.h>

#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSLog.h"
#include "platform/system/HostNetwork.h"

namespace platform {

struct __SCNetworkReachability : __CFType {
  std::string name;                     // the name variant
  std::optional<sockaddr_storage> address;  // the address variant

  std::mutex mu;
  SCNetworkReachabilityCallBack callback = nullptr;
  SCNetworkReachabilityContext context;
  std::optional<SCNetworkReachabilityFlags> lastFlags;
  std::vector<std::pair<CFRunLoopRef, CFRunLoopMode>> schedules;

  ~__SCNetworkReachability() override {
    if (context.release && context.info) context.release(context.info);
  }
};

namespace {

std::optional<sockaddr_storage> routedAddress(const std::string& name) {
  for (const auto& [host, target] : deviceSettings().routes) {
    if (strcasecmp(host.c_str(), name.c_str()) != 0) continue;
    std::string addr = target.substr(0, target.rfind(':'));
    if (addr.size() > 2 && addr.front() == '[' && addr.back() == ']') addr = addr.substr(1, addr.size() - 2);
    sockaddr_storage ss{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&ss);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&ss);
    if (inet_pton(AF_INET, addr.c_str(), &v4->sin_addr) == 1) v4->sin_family = AF_INET;
    else if (inet_pton(AF_INET6, addr.c_str(), &v6->sin6_addr) == 1) v6->sin6_family = AF_INET6;
    else return std::nullopt;
    return ss;
  }
  return std::nullopt;
}

SCNetworkReachabilityFlags hostFlagsForName(const std::string& name) {
  HostNetwork net = readHostNetwork();
  if (auto routed = routedAddress(name)) return reachabilityFlagsForAddress(net, reinterpret_cast<sockaddr*>(&*routed));
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0) return 0;
  SCNetworkReachabilityFlags flags = 0;
  for (addrinfo* a = list; a && !(flags & kSCNetworkReachabilityFlagsReachable); a = a->ai_next)
    flags = reachabilityFlagsForAddress(net, a->ai_addr);
  ::freeaddrinfo(list);
  return flags;
}

SCNetworkReachabilityFlags currentFlags(const __SCNetworkReachability& r) {
  switch (deviceSettings().network) {
    case NetworkKind::WiFi: return kSCNetworkReachabilityFlagsReachable;
    case NetworkKind::Cellular: return kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN;
    case NetworkKind::None: return 0;
    case NetworkKind::Host: break;
  }
  if (r.address) return reachabilityFlagsForAddress(readHostNetwork(), reinterpret_cast<const sockaddr*>(&*r.address));
  return hostFlagsForName(r.name);
}

// Called by the run loop on its thread: reports a change of flags to the callback.
bool service(SCNetworkReachabilityRef target) {
  SCNetworkReachabilityFlags flags = currentFlags(*target);
  SCNetworkReachabilityCallBack callback;
  void* info;
  {
    std::lock_guard lock(target->mu);
    if (target->lastFlags == flags) return false;
    target->lastFlags = flags;
    callback = target->callback;
    info = target->context.info;
  }
  if (callback) callback(target, flags, info);
  return callback != nullptr;
}

}  // namespace

SCNetworkReachabilityRef SCNetworkReachabilityCreateWithName(CFAllocatorRef, const char* nodename) {
  if (!nodename || !*nodename) return nullptr;
  auto* r = new __SCNetworkReachability();
  r->name = nodename;
  return r;
}

SCNetworkReachabilityRef SCNetworkReachabilityCreateWithAddress(CFAllocatorRef, const sockaddr* address) {
  if (!address || (address->sa_family != AF_INET && address->sa_family != AF_INET6)) return nullptr;
  auto* r = new __SCNetworkReachability();
  sockaddr_storage ss{};
  std::memcpy(&ss, address, address->sa_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
  r->address = ss;
  return r;
}

bool SCNetworkReachabilityGetFlags(SCNetworkReachabilityRef target, SCNetworkReachabilityFlags* flags) {
  if (!target || !flags) return false;
  *flags = currentFlags(*target);
  return true;
}

bool SCNetworkReachabilitySetCallback(SCNetworkReachabilityRef target, SCNetworkReachabilityCallBack callback,
                                      SCNetworkReachabilityContext* context) {
  if (!target) return false;
  SCNetworkReachabilityContext previous;
  {
    std::lock_guard lock(target->mu);
    previous = target->context;
    target->callback = callback;
    target->context = callback && context ? *context : SCNetworkReachabilityContext{};
    if (target->context.retain && target->context.info) target->context.retain(target->context.info);
  }
  if (previous.release && previous.info) previous.release(previous.info);
  return true;
}

bool SCNetworkReachabilityScheduleWithRunLoop(SCNetworkReachabilityRef target, CFRunLoopRef runLoop,
                                              const CFRunLoopMode& runLoopMode) {
  if (!target || !runLoop) return false;
  {
    std::lock_guard lock(target->mu);
    for (const auto& s : target->schedules)
      if (s.first == runLoop && s.second == runLoopMode) return true;
    target->schedules.emplace_back(runLoop, runLoopMode);
  }
  CFRetain(target);
  // The flags seen at scheduling are the baseline: only later changes are reported.
  SCNetworkReachabilityFlags now = currentFlags(*target);
  {
    std::lock_guard lock(target->mu);
    target->lastFlags = now;
  }
  CFRunLoopAddPollSource(runLoop, target, runLoopMode, [target] { return service(target); });
  return true;
}

bool SCNetworkReachabilityUnscheduleFromRunLoop(SCNetworkReachabilityRef target, CFRunLoopRef runLoop,
                                                const CFRunLoopMode& runLoopMode) {
  if (!target || !runLoop) return false;
  {
    std::lock_guard lock(target->mu);
    auto before = target->schedules.size();
    std::erase_if(target->schedules, [&](const auto& s) { return s.first == runLoop && s.second == runLoopMode; });
    if (target->schedules.size() == before) return false;
  }
  CFRunLoopRemovePollSource(runLoop, target, runLoopMode);
  CFRelease(target);
  return true;
}

SCNetworkReachabilityRef CFRetain(SCNetworkReachabilityRef target) {
  CFRetain(static_cast<CFTypeRef>(target));
  return target;
}

void CFRelease(SCNetworkReachabilityRef target) { CFRelease(static_cast<CFTypeRef>(target)); }

long CFGetRetainCount(SCNetworkReachabilityRef target) { return CFGetRetainCount(static_cast<CFTypeRef>(target)); }

}  // namespace platform
