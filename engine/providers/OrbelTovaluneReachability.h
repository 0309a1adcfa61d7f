#pragma once
// Whether the device can reach the network, and over which kind of link. The refresh cycle uses it
// to fetch only over Wi-Fi when the user asks for that.
#include <memory>
#include <string>

#include "platform/runtime/Runtime.h"
#include "platform/system/SCNetworkReachability.h"

// The name of the change notification.
extern const char* const kReachabilityChangedNotification;

enum NetworkStatus { NotReachable = 0, ReachableViaWiFi = 1, ReachableViaWWAN = 2 };

// An object of the runtime, so that its change notification can carry the monitor itself.
class OrbelTovaluneReachability : public objc::Object {
 public:
  // Each returns nothing when the platform reference cannot be made.
  static std::shared_ptr<OrbelTovaluneReachability> reachabilityWithHostName(const std::string& hostName);
  static std::shared_ptr<OrbelTovaluneReachability> reachabilityWithAddress(const sockaddr* hostAddress);
  // The zero IPv4 address: "the internet".
  static std::shared_ptr<OrbelTovaluneReachability> reachabilityForInternetConnection();

  // A monitor without a reference; only the constructors above make usable ones.
  OrbelTovaluneReachability() = default;
  ~OrbelTovaluneReachability();
  OrbelTovaluneReachability(const OrbelTovaluneReachability&) = delete;
  OrbelTovaluneReachability& operator=(const OrbelTovaluneReachability&) = delete;

  // Posts kReachabilityChangedNotification on changes while the current thread's run loop runs.
  bool startNotifier();
  void stopNotifier();
  bool connectionRequired();
  NetworkStatus currentReachabilityStatus();
  NetworkStatus networkStatusForFlags(SCNetworkReachabilityFlags flags);

 private:
  // Takes over a new platform reference; nothing for none.
  static std::shared_ptr<OrbelTovaluneReachability> adopt(platform::SCNetworkReachabilityRef ref);
  platform::SCNetworkReachabilityRef _reachabilityRef = nullptr;
};
