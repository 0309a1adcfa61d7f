#include "engine/providers/OrbelTovaluneReachability.h"

#include <netinet/in.h>

#include <cstring>

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/NSNotification.h"

const char* const kReachabilityChangedNotification = "kNetworkReachabilityChangedNotification";

namespace {

void reachabilityCallback(platform::SCNetworkReachabilityRef, SCNetworkReachabilityFlags, void* info) {
  if (!info) return;
  // The observers are told which monitor changed: info is the monitor that set the callback.
  objc::NSNotificationCenter::defaultCenter().postNotificationName(kReachabilityChangedNotification,
                                                                   static_cast<OrbelTovaluneReachability*>(info));
}

// NSAssert: the handler's line names the method and the file, the exception carries the message.
[[noreturn]] void assertionFailure(const char* method, const char* message) {
  NSLog("*** Assertion failure in -[OrbelTovaluneReachability {}], OrbelTovaluneReachability.m", method);
  platform::raise("NSInternalInconsistencyException", message);
}

}  // namespace

std::shared_ptr<OrbelTovaluneReachability> OrbelTovaluneReachability::reachabilityWithHostName(
    const std::string& hostName) {
  return adopt(platform::SCNetworkReachabilityCreateWithName(platform::kCFAllocatorDefault, hostName.c_str()));
}

std::shared_ptr<OrbelTovaluneReachability> OrbelTovaluneReachability::reachabilityWithAddress(const sockaddr* hostAddress) {
  return adopt(platform::SCNetworkReachabilityCreateWithAddress(platform::kCFAllocatorDefault, hostAddress));
}

std::shared_ptr<OrbelTovaluneReachability> OrbelTovaluneReachability::reachabilityForInternetConnection() {
  sockaddr_in zeroAddress;
  std::memset(&zeroAddress, 0, sizeof zeroAddress);
  zeroAddress.sin_family = AF_INET;
  return reachabilityWithAddress(reinterpret_cast<const sockaddr*>(&zeroAddress));
}

std::shared_ptr<OrbelTovaluneReachability> OrbelTovaluneReachability::adopt(platform::SCNetworkReachabilityRef ref) {
  if (!ref) return nullptr;
  auto monitor = std::make_shared<OrbelTovaluneReachability>();
  monitor->_reachabilityRef = ref;
  return monitor;
}

OrbelTovaluneReachability::~OrbelTovaluneReachability() {
  stopNotifier();
  if (_reachabilityRef) platform::CFRelease(_reachabilityRef);
}

bool OrbelTovaluneReachability::startNotifier() {
  platform::SCNetworkReachabilityContext context{0, this, nullptr, nullptr, nullptr};
  if (!platform::SCNetworkReachabilitySetCallback(_reachabilityRef, reachabilityCallback, &context)) return false;
  return platform::SCNetworkReachabilityScheduleWithRunLoop(_reachabilityRef, platform::CFRunLoopGetCurrent(),
                                                            platform::kCFRunLoopDefaultMode);
}

void OrbelTovaluneReachability::stopNotifier() {
  if (_reachabilityRef)
    platform::SCNetworkReachabilityUnscheduleFromRunLoop(_reachabilityRef, platform::CFRunLoopGetCurrent(),
                                                         platform::kCFRunLoopDefaultMode);
}

bool OrbelTovaluneReachability::connectionRequired() {
  if (!_reachabilityRef) assertionFailure("connectionRequired", "connectionRequired called with NULL reachabilityRef");
  SCNetworkReachabilityFlags flags = 0;
  if (!platform::SCNetworkReachabilityGetFlags(_reachabilityRef, &flags)) return false;
  return flags & kSCNetworkReachabilityFlagsConnectionRequired;
}

NetworkStatus OrbelTovaluneReachability::currentReachabilityStatus() {
  if (!_reachabilityRef)
    assertionFailure("currentReachabilityStatus", "currentNetworkStatus called with NULL SCNetworkReachabilityRef");
  SCNetworkReachabilityFlags flags = 0;
  if (!platform::SCNetworkReachabilityGetFlags(_reachabilityRef, &flags)) return NotReachable;
  return networkStatusForFlags(flags);
}

NetworkStatus OrbelTovaluneReachability::networkStatusForFlags(SCNetworkReachabilityFlags flags) {
  auto c = [&](SCNetworkReachabilityFlags f, char letter) { return (flags & f) ? letter : '-'; };
  NSLog("Reachability Flag Status: {}{} {}{}{}{}{}{}{} {}\n", c(kSCNetworkReachabilityFlagsIsWWAN, 'W'),
        c(kSCNetworkReachabilityFlagsReachable, 'R'), c(kSCNetworkReachabilityFlagsTransientConnection, 't'),
        c(kSCNetworkReachabilityFlagsConnectionRequired, 'c'), c(kSCNetworkReachabilityFlagsConnectionOnTraffic, 'C'),
        c(kSCNetworkReachabilityFlagsInterventionRequired, 'i'), c(kSCNetworkReachabilityFlagsConnectionOnDemand, 'D'),
        c(kSCNetworkReachabilityFlagsIsLocalAddress, 'l'), c(kSCNetworkReachabilityFlagsIsDirect, 'd'),
        "networkStatusForFlags");
  if (!(flags & kSCNetworkReachabilityFlagsReachable)) return NotReachable;
  if (flags & kSCNetworkReachabilityFlagsIsWWAN) return ReachableViaWWAN;
  const bool onDemandOrTraffic =
      flags & (kSCNetworkReachabilityFlagsConnectionOnTraffic | kSCNetworkReachabilityFlagsConnectionOnDemand);
  if ((flags & kSCNetworkReachabilityFlagsInterventionRequired) || !onDemandOrTraffic)
    return (flags & kSCNetworkReachabilityFlagsConnectionRequired) ? NotReachable : ReachableViaWiFi;
  return ReachableViaWiFi;
}
