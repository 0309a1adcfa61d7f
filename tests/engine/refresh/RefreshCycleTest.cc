// Screen-off mode: display-offs become random pictures, with a cool-down, switches and locations.
#include "engine/refresh/RefreshCycle.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSDate.h"
#include "shared/ImageFolders.h"
#include "tests/engine/refresh/RefreshTestSupport.h"
#include "tests/support/LocalHttpServer.h"

#include <atomic>

#include "device/springboard/SBLockScreenManager.h"
#include "device/uiservices/SBSUIWallpaper.h"
#include "platform/foundation/DeviceSettings.h"

namespace {

constexpr const char* kCooling = "[Tovalune] Tovalune reload is cooling down!";

class ScreenOffMode : public RefreshTest {
 protected:
  ScreenOffMode() {
    setLocalPictures({12});
    setPrefs({{"UpdateMode", 0}, {"ImageMode", 0}, {"Location", 1}});
    platform::setFixedNow(1'800'000'000);
  }
};

TEST_F(ScreenOffMode, DisplayOffSetsARandomPictureOnTheLockScreen) {
  const auto before = changes();
  displayOff();
  EXPECT_EQ(lockWidth(), 12);
  EXPECT_EQ(homeWidth(), 0);
  EXPECT_EQ(changes(), before + 1);
  EXPECT_TRUE(log.contains(kFetchLocal));
}

TEST_F(ScreenOffMode, CoolDownRestartsOnRefusedCalls) {
  displayOff();  // the first event after start always passes
  EXPECT_EQ(log.count(kFetchLocal), 1u);
  platform::advanceFixedNow(1.5);
  displayOff();
  EXPECT_EQ(log.count(kCooling), 1u);
  platform::advanceFixedNow(1.5);
  displayOff();  // 3 s after the first, but 1.5 s after the refused one
  EXPECT_EQ(log.count(kCooling), 2u);
  platform::advanceFixedNow(2.0);
  displayOff();
  EXPECT_EQ(log.count(kCooling), 2u);
  EXPECT_EQ(log.count(kFetchLocal), 2u);
}

TEST_F(ScreenOffMode, TimestampInTheFutureRefusesExactlyOneCall) {
  displayOff();
  platform::setFixedNow(1'800'000'000 - 3600);  // the clock went back an hour
  displayOff();
  EXPECT_EQ(log.count(kCooling), 1u);
  platform::advanceFixedNow(2.0);
  displayOff();
  EXPECT_EQ(log.count(kCooling), 1u);
  EXPECT_EQ(log.count(kFetchLocal), 2u);
}

TEST_F(ScreenOffMode, DisabledOrCellularDropsTheRefreshSilently) {
  setPrefs({{"Enabled", false}});
  displayOff();
  setPrefs({{"Enabled", true}, {"DisableOnCellular", true}});
  for (const char* network : {"cellular", "none"}) {
    setDevice("12.4", network);
    platform::advanceFixedNow(5);
    displayOff();
  }
  EXPECT_EQ(lockWidth(), 0);
  EXPECT_EQ(log.count(kFetchLocal), 0u);
  EXPECT_EQ(log.count(kCooling), 0u);
  setDevice("12.4", "wifi");
  platform::advanceFixedNow(5);
  displayOff();
  EXPECT_EQ(lockWidth(), 12);
}

TEST_F(ScreenOffMode, LocationsPutThePictureWhereTheyName) {
  const struct {
    int location;
    double lock, home;
  } table[] = {{1, 12, 0}, {2, 0, 12}, {3, 12, 12}, {4, 12, 12}};
  for (const auto& row : table) {
    SCOPED_TRACE(row.location);
    platform::removeItemAtPath(kSpringBoardPath);
    setPrefs({{"Location", row.location}});
    platform::advanceFixedNow(5);
    displayOff();
    EXPECT_EQ(lockWidth(), row.lock);
    EXPECT_EQ(homeWidth(), row.home);
  }
}

TEST_F(ScreenOffMode, ProviderOutsideTheTableChangesNothing) {
  setPrefs({{"ImageMode", 9}});
  const auto before = changes();
  displayOff();
  EXPECT_EQ(changes(), before);
  EXPECT_EQ(lockWidth(), 0);
}

// A web provider on a local server: the custom URL answers garbage first, then a picture.
class WebRefresh : public ScreenOffMode {
 protected:
  WebRefresh() {
    server.server().Get("/car", [this](const httplib::Request&, httplib::Response& res) {
      if (requests++ == 0) res.set_content("<html>try again</html>", "text/html");
      else res.set_content(picture, "image/png");
    });
    platform::DeviceSettings s = platform::deviceSettings();
    s.routes["loremflickr.com"] = server.address();
    platform::saveDeviceSettings(s);
    writePicture("/pic.png", 33);
    picture = *platform::readFile("/pic.png");
    setPrefs({{"ImageMode", 1}, {"CustomURL", "https://loremflickr.com/car"}});
  }
  LocalHttpServer server;
  std::atomic<int> requests{0};
  std::string picture;
};

TEST_F(WebRefresh, SeparatePicturesStillSetTheHomeScreenWhenTheFirstFetchFails) {
  setPrefs({{"Location", 4}});
  displayOff();
  EXPECT_EQ(requests, 2);
  EXPECT_EQ(lockWidth(), 0);
  EXPECT_EQ(homeWidth(), 33);
}

TEST_F(WebRefresh, StoreLastTenDecidesWhetherPicturesAreKept) {
  requests = 1;
  setPrefs({{"StoreLastTen", false}});
  displayOff();
  EXPECT_EQ(lockWidth(), 33);
  EXPECT_FALSE(platform::fileExistsAtPath(kStoreImagesPath));
  setPrefs({{"StoreLastTen", true}});
  platform::advanceFixedNow(5);
  displayOff();
  EXPECT_EQ(platform::contentsOfDirectoryAtPath(kStoreImagesPath)->size(), 1u);
}

TEST_F(ScreenOffMode, OnIOS13ThePictureGoesThroughSpringBoardUIServicesUnderTheLock) {
  bindSpringBoardUIServices();
  resetUIServicesCalls();
  setPrefs({{"Location", 3}});
  displayOff();
  std::vector<SBSUIWallpaperCall> calls = uiservicesCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].location, 3);
  EXPECT_EQ(calls[0].flags, 2);
  EXPECT_TRUE(calls[0].onBackgroundThread);
  EXPECT_EQ(lockWidth(), 12);
  EXPECT_EQ(homeWidth(), 12);
}

TEST_F(ScreenOffMode, OverlappingRefreshesPassTheCoolDownOnlyOnce) {
  bindSpringBoardUIServices();
  resetUIServicesCalls();
  for (int i = 0; i < 6; ++i) SBLockScreenManager::sharedInstance()->handleBacklightDidTurnOff(nullptr);
  settle();
  EXPECT_EQ(log.count(kFetchLocal), 1u);
  EXPECT_EQ(log.count(kCooling), 5u);
  EXPECT_LE(uiservicesMaxConcurrentCalls(), 1);
}

}  // namespace
