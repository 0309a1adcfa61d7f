#include <dlfcn.h>
#include <gtest/gtest.h>

#include "device/springboard/SBFWallpaperOptions.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/SpringBoardClasses.h"
#include "device/uiservices/SBSUIWallpaper.h"
#include "device/uiservices/SpringBoardUIServicesInstall.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

void setIOSVersion(const std::string& version) {
  platform::DeviceSettings s = platform::deviceSettings();
  s.iosVersion = version;
  ASSERT_TRUE(platform::saveDeviceSettings(s));
}

std::shared_ptr<UIImage> solidImage(std::uint8_t red) {
  platform::Bitmap b;
  b.width = 12;
  b.height = 7;
  b.rgba.assign(std::size_t{b.width} * b.height * 4, 255);
  for (std::size_t i = 0; i < b.rgba.size(); i += 4) b.rgba[i] = red;
  return UIImage::imageWithBitmap(std::move(b));
}

std::string hashOf(const std::shared_ptr<UIImage>& image) { return pictureHash(image->bitmap()); }

objc::id options(long mode) {
  auto o = objc::class_createInstance(SBFWallpaperOptions::cls());
  static_cast<SBFWallpaperOptions*>(o.get())->setWallpaperMode(mode);
  return o;
}

}  // namespace

TEST(SpringBoardUIServicesInstall, PresentExactlyFromIOS13On) {
  TempDeviceRoot root;
  struct Step {
    const char* version;
    bool present;
  };
  for (Step step : {Step{"12.5.7", false}, Step{"13.0", true}, Step{"16.2", true}, Step{"12.4", false}}) {
    setIOSVersion(step.version);
    EXPECT_EQ(installSpringBoardUIServices(), step.present) << step.version;
    EXPECT_EQ(platform::fileExistsAtPath(kSpringBoardUIServicesPath), step.present) << step.version;
  }
}

TEST(SpringBoardUIServicesInstall, MissingBuiltLibraryIsLoggedAndInstallsNothing) {
  TempDeviceRoot root;
  platform::LogCapture log;
  setIOSVersion("14.0");
  EXPECT_FALSE(installSpringBoardUIServices(root.path() + "/no-such-library"));
  EXPECT_FALSE(platform::fileExistsAtPath(kSpringBoardUIServicesPath));
  EXPECT_TRUE(log.containsSubstring("Could not install SpringBoardUIServices"));
}

TEST(SpringBoardUIServices, InstalledLibrarySetsLightAndDarkVariantsAtTheLocation) {
  TempDeviceRoot root;
  platform::LogCapture log;
  registerSpringBoardClasses();
  SBWallpaperState::shared().reset();
  setIOSVersion("13.0");
  ASSERT_TRUE(installSpringBoardUIServices());
  void* handle = dlopen(platform::hostPath(kSpringBoardUIServicesPath).c_str(), RTLD_NOW);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto setImages = reinterpret_cast<SBSUIWallpaperSetImagesFunction>(dlsym(handle, "SBSUIWallpaperSetImages"));
  auto copyCalls = reinterpret_cast<SBSUIWallpaperCopyCallsFunction>(dlsym(handle, "SBSUIWallpaperCopyCalls"));
  ASSERT_TRUE(setImages && copyCalls);

  auto light = solidImage(1), dark = solidImage(2);
  setImages({{"light", light}, {"dark", dark}}, {{"light", options(1)}, {"dark", options(2)}}, 1, 2);
  SBWallpaperState& state = SBWallpaperState::shared();
  EXPECT_EQ(state.currentWallpaper(WallpaperScreen::Lock, WallpaperAppearance::Light).contentHash, hashOf(light));
  EXPECT_EQ(state.currentWallpaper(WallpaperScreen::Lock, WallpaperAppearance::Dark).contentHash, hashOf(dark));
  EXPECT_FALSE(state.currentWallpaper(WallpaperScreen::Home, WallpaperAppearance::Light).exists);

  // A broken entry leaves its variant alone and is logged; the good one is still set.
  auto other = solidImage(3);
  setImages({{"light", options(1)}, {"dark", other}}, {}, 1, 0);
  EXPECT_EQ(state.currentWallpaper(WallpaperScreen::Lock, WallpaperAppearance::Light).contentHash, hashOf(light));
  EXPECT_EQ(state.currentWallpaper(WallpaperScreen::Lock, WallpaperAppearance::Dark).contentHash, hashOf(other));
  EXPECT_TRUE(log.containsSubstring("is not a picture"));

  std::vector<SBSUIWallpaperCall> calls;
  copyCalls(&calls);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].lightImage.lock(), light);
  EXPECT_EQ(calls[0].darkImage.lock(), dark);
  EXPECT_EQ(calls[0].lightMode, 1);
  EXPECT_EQ(calls[0].darkMode, 2);
  EXPECT_EQ(calls[0].location, 1);
  EXPECT_EQ(calls[0].flags, 2);
  EXPECT_EQ(calls[1].lightMode, -1);
  EXPECT_TRUE(calls[1].optionKeys.empty());
  dlclose(handle);
}

// SpringBoard keeps the library for its whole life: what it records of a change must let the
// pictures go once the caller does, and must stop growing.
TEST(SpringBoardUIServices, RecordKeepsNoPictureAliveAndStaysBounded) {
  TempDeviceRoot root;
  registerSpringBoardClasses();
  SBWallpaperState::shared().reset();
  setIOSVersion("16.0");
  ASSERT_TRUE(installSpringBoardUIServices());
  void* handle = dlopen(platform::hostPath(kSpringBoardUIServicesPath).c_str(), RTLD_NOW);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto setImages = reinterpret_cast<SBSUIWallpaperSetImagesFunction>(dlsym(handle, "SBSUIWallpaperSetImages"));
  auto copyCalls = reinterpret_cast<SBSUIWallpaperCopyCallsFunction>(dlsym(handle, "SBSUIWallpaperCopyCalls"));
  auto resetCalls = reinterpret_cast<SBSUIWallpaperResetCallsFunction>(dlsym(handle, "SBSUIWallpaperResetCalls"));
  ASSERT_TRUE(setImages && copyCalls && resetCalls);
  resetCalls();

  std::weak_ptr<UIImage> given;
  {
    auto picture = solidImage(9);
    given = picture;
    setImages({{"light", picture}, {"dark", picture}}, {{"light", options(1)}, {"dark", options(2)}}, 3, 2);
  }
  EXPECT_TRUE(given.expired());

  for (std::size_t i = 0; i < kSBSUIWallpaperRecordedCalls + 10; ++i) {
    auto picture = solidImage(static_cast<std::uint8_t>(i));
    setImages({{"light", picture}, {"dark", picture}}, {}, 1, static_cast<int>(i));
  }
  std::vector<SBSUIWallpaperCall> calls;
  copyCalls(&calls);
  ASSERT_EQ(calls.size(), kSBSUIWallpaperRecordedCalls);
  EXPECT_EQ(calls.back().flags, static_cast<int>(kSBSUIWallpaperRecordedCalls + 9));
  dlclose(handle);
}
