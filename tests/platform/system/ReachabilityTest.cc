#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/un.h>

#include "platform/foundation/DeviceSettings.h"
#include "platform/system/SCNetworkReachability.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using namespace platform;

void setNetwork(NetworkKind kind) {
  DeviceSettings s = deviceSettings();
  s.network = kind;
  ASSERT_TRUE(saveDeviceSettings(s));
}

sockaddr_in zeroAddress() {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  return a;
}

SCNetworkReachabilityFlags flagsOf(SCNetworkReachabilityRef ref) {
  SCNetworkReachabilityFlags f = 0xFFFFFFFF;
  EXPECT_TRUE(SCNetworkReachabilityGetFlags(ref, &f));
  return f;
}

class ReachabilityTest : public testing::Test {
 protected:
  TempDeviceRoot root;
};

TEST_F(ReachabilityTest, TheDeviceSettingsFixTheNetworkKind) {
  sockaddr_in zero = zeroAddress();
  SCNetworkReachabilityRef internet = SCNetworkReachabilityCreateWithAddress(kCFAllocatorDefault, reinterpret_cast<sockaddr*>(&zero));
  SCNetworkReachabilityRef named = SCNetworkReachabilityCreateWithName(kCFAllocatorDefault, "unsplash.example.invalid");
  ASSERT_TRUE(internet && named);
  struct Case {
    NetworkKind kind;
    SCNetworkReachabilityFlags flags;
  } cases[] = {{NetworkKind::WiFi, kSCNetworkReachabilityFlagsReachable},
               {NetworkKind::Cellular, kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN},
               {NetworkKind::None, 0}};
  for (const auto& c : cases) {
    setNetwork(c.kind);
    EXPECT_EQ(flagsOf(internet), c.flags) << networkKindName(c.kind);
    EXPECT_EQ(flagsOf(named), c.flags) << networkKindName(c.kind);
  }
  CFRelease(internet);
  CFRelease(named);
}

TEST_F(ReachabilityTest, OnTheHostsNetworkLocalhostIsLocalAndARoutedNameUsesItsRoute) {
  setNetwork(NetworkKind::Host);
  constexpr auto local = kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsLocalAddress |
                         kSCNetworkReachabilityFlagsIsDirect;
  SCNetworkReachabilityRef localhost = SCNetworkReachabilityCreateWithName(nullptr, "localhost");
  EXPECT_EQ(flagsOf(localhost), local);
  CFRelease(localhost);

  DeviceSettings s = deviceSettings();
  s.routes["picsum.example.invalid"] = "127.0.0.1:8080";
  ASSERT_TRUE(saveDeviceSettings(s));
  SCNetworkReachabilityRef routed = SCNetworkReachabilityCreateWithName(nullptr, "picsum.example.invalid");
  EXPECT_EQ(flagsOf(routed), local);
  CFRelease(routed);

  SCNetworkReachabilityRef unknown = SCNetworkReachabilityCreateWithName(nullptr, "no-such-host.invalid");
  EXPECT_EQ(flagsOf(unknown), 0u);
  CFRelease(unknown);
}

TEST_F(ReachabilityTest, BadArgumentsMakeNoReference) {
  EXPECT_EQ(SCNetworkReachabilityCreateWithName(nullptr, nullptr), nullptr);
  EXPECT_EQ(SCNetworkReachabilityCreateWithName(nullptr, ""), nullptr);
  EXPECT_EQ(SCNetworkReachabilityCreateWithAddress(nullptr, nullptr), nullptr);
  sockaddr_un unix{};
  unix.sun_family = AF_UNIX;
  EXPECT_EQ(SCNetworkReachabilityCreateWithAddress(nullptr, reinterpret_cast<sockaddr*>(&unix)), nullptr);
  SCNetworkReachabilityFlags f = 0;
  EXPECT_FALSE(SCNetworkReachabilityGetFlags(nullptr, &f));
  EXPECT_FALSE(SCNetworkReachabilitySetCallback(nullptr, nullptr, nullptr));
  EXPECT_FALSE(SCNetworkReachabilityScheduleWithRunLoop(nullptr, CFRunLoopGetCurrent(), kCFRunLoopDefaultMode));
}

struct Seen {
  int calls = 0;
  SCNetworkReachabilityFlags flags = 0;
  void* info = nullptr;
  int retains = 0;
  int releases = 0;
};

void callback(SCNetworkReachabilityRef, SCNetworkReachabilityFlags flags, void* info) {
  auto* seen = static_cast<Seen*>(info);
  ++seen->calls;
  seen->flags = flags;
  seen->info = info;
}

TEST_F(ReachabilityTest, AScheduledReferenceReportsChangesOnlyWhenItsRunLoopRuns) {
  setNetwork(NetworkKind::WiFi);
  sockaddr_in zero = zeroAddress();
  SCNetworkReachabilityRef ref = SCNetworkReachabilityCreateWithAddress(nullptr, reinterpret_cast<sockaddr*>(&zero));
  Seen seen;
  SCNetworkReachabilityContext context{0, &seen, nullptr, nullptr, nullptr};
  ASSERT_TRUE(SCNetworkReachabilitySetCallback(ref, &callback, &context));
  ASSERT_TRUE(SCNetworkReachabilityScheduleWithRunLoop(ref, CFRunLoopGetCurrent(), kCFRunLoopDefaultMode));
  EXPECT_EQ(CFGetRetainCount(ref), 2) << "the run loop holds what it services";

  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true), kCFRunLoopRunTimedOut);
  EXPECT_EQ(seen.calls, 0) << "no change, no callback";

  setNetwork(NetworkKind::Cellular);
  EXPECT_EQ(seen.calls, 0) << "nothing runs the loop yet";
  EXPECT_EQ(CFRunLoopRunInMode("OtherMode", 0, true), kCFRunLoopRunFinished);
  EXPECT_EQ(seen.calls, 0);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true), kCFRunLoopRunHandledSource);
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.flags, kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN);
  EXPECT_EQ(seen.info, &seen);

  ASSERT_TRUE(SCNetworkReachabilityUnscheduleFromRunLoop(ref, CFRunLoopGetCurrent(), kCFRunLoopDefaultMode));
  EXPECT_FALSE(SCNetworkReachabilityUnscheduleFromRunLoop(ref, CFRunLoopGetCurrent(), kCFRunLoopDefaultMode));
  EXPECT_EQ(CFGetRetainCount(ref), 1);
  setNetwork(NetworkKind::None);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true), kCFRunLoopRunFinished);
  EXPECT_EQ(seen.calls, 1);
  CFRelease(ref);
}

TEST_F(ReachabilityTest, TheContextInfoIsRetainedUntilTheReferenceGoes) {
  static Seen* counted = nullptr;
  Seen seen;
  counted = &seen;
  SCNetworkReachabilityContext context{0, &seen,
                                       [](const void* info) -> const void* {
                                         ++counted->retains;
                                         return info;
                                       },
                                       [](const void*) { ++counted->releases; }, nullptr};
  SCNetworkReachabilityRef ref = SCNetworkReachabilityCreateWithName(nullptr, "localhost");
  SCNetworkReachabilitySetCallback(ref, &callback, &context);
  EXPECT_EQ(seen.retains, 1);
  EXPECT_EQ(seen.releases, 0);
  CFRelease(ref);
  EXPECT_EQ(seen.releases, 1);
}

}  // namespace
