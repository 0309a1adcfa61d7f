#include "engine/providers/OrbelTovaluneReachability.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/NSNotification.h"
#include "tests/support/TempDeviceRoot.h"

#include <gtest/gtest.h>

namespace {

TEST(Reachability, StatusForFlagsAndItsLogLine) {
  platform::LogCapture log;
  OrbelTovaluneReachability r;
  const SCNetworkReachabilityFlags R = kSCNetworkReachabilityFlagsReachable;
  const struct {
    SCNetworkReachabilityFlags flags;
    NetworkStatus status;
    const char* picture;
  } table[] = {
      {R | kSCNetworkReachabilityFlagsIsWWAN, ReachableViaWWAN, "WR -------"},
      {R, ReachableViaWiFi, "-R -------"},
      {R | kSCNetworkReachabilityFlagsConnectionRequired | kSCNetworkReachabilityFlagsConnectionOnDemand,
       ReachableViaWiFi, "-R -c--D--"},
      {R | kSCNetworkReachabilityFlagsConnectionRequired | kSCNetworkReachabilityFlagsInterventionRequired,
       NotReachable, "-R -c-i---"},
      {R | kSCNetworkReachabilityFlagsConnectionRequired, NotReachable, "-R -c-----"},
      {R | kSCNetworkReachabilityFlagsConnectionOnTraffic | kSCNetworkReachabilityFlagsTransientConnection |
           kSCNetworkReachabilityFlagsIsLocalAddress | kSCNetworkReachabilityFlagsIsDirect,
       ReachableViaWiFi, "-R t-C--ld"},
      {0, NotReachable, "-- -------"},
      {kSCNetworkReachabilityFlagsIsWWAN, NotReachable, "W- -------"},
      {0x3003F, NotReachable, "-R tcCiDld"},
  };
  for (const auto& row : table) {
    EXPECT_EQ(r.networkStatusForFlags(row.flags), row.status) << row.picture;
    EXPECT_TRUE(log.contains(fmt::format("Reachability Flag Status: {} networkStatusForFlags\n", row.picture)))
        << row.picture;
  }
}

TEST(Reachability, InternetStatusFollowsTheDevicesNetwork) {
  TempDeviceRoot root;
  const struct {
    platform::NetworkKind kind;
    NetworkStatus status;
  } table[] = {{platform::NetworkKind::WiFi, ReachableViaWiFi},
               {platform::NetworkKind::Cellular, ReachableViaWWAN},
               {platform::NetworkKind::None, NotReachable}};
  for (const auto& row : table) {
    platform::DeviceSettings s;
    s.network = row.kind;
    ASSERT_TRUE(platform::saveDeviceSettings(s));
    auto r = OrbelTovaluneReachability::reachabilityForInternetConnection();
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->startNotifier());
    EXPECT_EQ(r->currentReachabilityStatus(), row.status);
    EXPECT_FALSE(r->connectionRequired());
    r->stopNotifier();
  }
  EXPECT_FALSE(OrbelTovaluneReachability::reachabilityWithHostName(""));
}

TEST(Reachability, AChangePostsTheNotificationWithTheMonitorAsItsObject) {
  TempDeviceRoot root;
  platform::DeviceSettings s;
  s.network = platform::NetworkKind::WiFi;
  ASSERT_TRUE(platform::saveDeviceSettings(s));
  auto r = OrbelTovaluneReachability::reachabilityForInternetConnection();
  ASSERT_TRUE(r);
  std::vector<objc::Object*> objects;
  auto& center = objc::NSNotificationCenter::defaultCenter();
  int token = center.addObserver(kReachabilityChangedNotification,
                                 [&](const objc::NSNotification& n) { objects.push_back(n.object()); });
  ASSERT_TRUE(r->startNotifier());
  s.network = platform::NetworkKind::Cellular;
  ASSERT_TRUE(platform::saveDeviceSettings(s));
  platform::CFRunLoopRunInMode(platform::kCFRunLoopDefaultMode, 0, true);
  r->stopNotifier();
  center.removeObserver(token);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0], r.get());
}

TEST(Reachability, MonitorWithoutReferenceIsAProgrammingError) {
  platform::LogCapture log;
  OrbelTovaluneReachability r;
  try {
    r.connectionRequired();
    FAIL();
  } catch (const platform::NSException& e) {
    EXPECT_EQ(e.reason(), "connectionRequired called with NULL reachabilityRef");
  }
  try {
    r.currentReachabilityStatus();
    FAIL();
  } catch (const platform::NSException& e) {
    EXPECT_EQ(e.reason(), "currentNetworkStatus called with NULL SCNetworkReachabilityRef");
  }
  EXPECT_TRUE(log.containsSubstring("OrbelTovaluneReachability.m"));
}

}  // namespace
