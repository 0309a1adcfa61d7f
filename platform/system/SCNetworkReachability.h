#pragma once
// SystemConfiguration's network reachability: whether a host or an address can be reached, and
// over which kind of link.
//
// The flags come from the simulated device's settings when they fix the network kind (Wi-Fi:
// reachable; cellular: reachable over WWAN; none: nothing), which is how tests and the demo choose
// the network. With the kind "host" they come from this machine's interfaces and routes
// (HostNetwork.h); a host name is first resolved with getaddrinfo, or taken from the device's routes
// when it has one there.
#include <sys/socket.h>

#include <cstdint>
#include <string>

#include "platform/system/CFRunLoop.h"
#include "platform/system/CFType.h"

using SCNetworkReachabilityFlags = std::uint32_t;

inline constexpr SCNetworkReachabilityFlags kSCNetworkReachabilityFlagsTransientConnection = 1u << 0;
inline constexpr SCNetworkReachabilityFlags kSCNetworkReachabilityFlagsReachable = 1u << 1;
inline constexpr SCNetworkReachabilityFlags kSCNetworkReachabilityFlagsConnectionRequired = 1u << 2;
inline constexpr SCNetworkReachabilityFlags kSCNetworkReachabilityFlagsConnectionOnTraffic = 1u << 3;
inline constexpr SCNetworkReachabilityFlags kSCNetworkReachabilityFlagsInterventionRequired = 1u << 4;
inline constexpr SCNetworkReachabilityFlags kSCNetworkReachabilityFlagsConnectionOnDemand = 1u << 5;
inline constexpr SCNetworkReachabilityFlags kSCNetworkReachabilityFlagsIsLocalAddress = 1u << 16;
inline constexpr SCNetworkReachabilityFlags kSCNetworkReachabilityFlagsIsDirect = 1u << 17;
inline constexpr SCNetworkReachabilityFlags kSCNetworkReachabilityFlagsIsWWAN = 1u << 18;

namespace platform {

struct __SCNetworkReachability;
using SCNetworkReachabilityRef = __SCNetworkReachability*;

using SCNetworkReachabilityCallBack = void (*)(SCNetworkReachabilityRef target, SCNetworkReachabilityFlags flags,
                                               void* info);

struct SCNetworkReachabilityContext {
  long version = 0;
  void* info = nullptr;
  const void* (*retain)(const void* info) = nullptr;
  void (*release)(const void* info) = nullptr;
  const char* (*copyDescription)(const void* info) = nullptr;
};

// Each returns a new reference (give it back with CFRelease), or nullptr for a missing or empty
// name, a missing address, or an address family other than IPv4 and IPv6.
SCNetworkReachabilityRef SCNetworkReachabilityCreateWithName(CFAllocatorRef allocator, const char* nodename);
SCNetworkReachabilityRef SCNetworkReachabilityCreateWithAddress(CFAllocatorRef allocator, const sockaddr* address);

// The current flags; false only for a null reference. A name that does not resolve is not
// reachable (flags 0, true).
bool SCNetworkReachabilityGetFlags(SCNetworkReachabilityRef target, SCNetworkReachabilityFlags* flags);

// Sets (or with a null callback clears) the function told of flag changes. The context is copied,
// and its info retained through the context's retain function when it has one.
bool SCNetworkReachabilitySetCallback(SCNetworkReachabilityRef target, SCNetworkReachabilityCallBack callback,
                                      SCNetworkReachabilityContext* context);

// While scheduled, the run loop (when its thread runs it in that mode) checks the flags and calls
// the callback on that thread when they differ from the last flags it saw. A scheduled reference is
// retained by its run loop until it is unscheduled.
bool SCNetworkReachabilityScheduleWithRunLoop(SCNetworkReachabilityRef target, CFRunLoopRef runLoop,
                                              const CFRunLoopMode& runLoopMode);
bool SCNetworkReachabilityUnscheduleFromRunLoop(SCNetworkReachabilityRef target, CFRunLoopRef runLoop,
                                                const CFRunLoopMode& runLoopMode);

// CFRetain / CFRelease for a reachability reference (its type is private to the platform).
SCNetworkReachabilityRef CFRetain(SCNetworkReachabilityRef target);
void CFRelease(SCNetworkReachabilityRef target);
long CFGetRetainCount(SCNetworkReachabilityRef target);

}  // namespace platform
