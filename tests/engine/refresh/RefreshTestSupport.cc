#include "tests/engine/refresh/RefreshTestSupport.h"

#include <dlfcn.h>

#include "device/springboard/OrbelLumenholdWindow.h"
#include "device/springboard/SBLockScreenManager.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/SpringBoardClasses.h"
#include "device/uiservices/SpringBoardUIServicesInstall.h"
#include "engine/refresh/RefreshCycle.h"
#include "engine/schedule/TovaluneTimeManager.h"
#include "engine/wallpaper/WallpaperApplication.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/image/ImageCodec.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"

namespace {

void installHooksOnce() {
  static bool installed = [] {
    registerSpringBoardClasses();
    registerOrbelLumenholdWindow();
    objc::Class* manager = objc::objc_getClass("SBLockScreenManager");
    MSHookMessageEx(manager, objc::sel("_handleBacklightDidTurnOff:"),
                    objc::imp_cast(&replaced_SBLockScreenManager_handleBacklightDidTurnOff),
                    &orig_SBLockScreenManager_handleBacklightDidTurnOff);
    MSHookMessageEx(manager, objc::sel("_handleBacklightLevelWillChange:"),
                    objc::imp_cast(&replaced_SBLockScreenManager_handleBacklightLevelWillChange),
                    &orig_SBLockScreenManager_handleBacklightLevelWillChange);
    MSHookMessageEx(objc::objc_getClass("OrbelLumenholdWindow"), objc::sel("hide"),
                    objc::imp_cast(&replaced_OrbelLumenholdWindow_hide), &orig_OrbelLumenholdWindow_hide);
    createWallpaperLock();
    return true;
  }();
  (void)installed;
}

}  // namespace

RefreshTest::RefreshTest() {
  installHooksOnce();
  setDevice("12.4");
  resetRefreshCycleState();
  TovaluneTimeManager::resetPreviousTimelineEntry();
  SBWallpaperState::shared().reset();
}

RefreshTest::~RefreshTest() {
  settle();
  _SBSUIWallpaperSetImages = nullptr;
  if (uiservices_) ::dlclose(uiservices_);
}

std::string RefreshTest::writePicture(const std::string& devicePath, int width, int height) {
  platform::Bitmap b;
  b.width = width;
  b.height = height;
  b.rgba.assign(static_cast<std::size_t>(width) * height * 4, static_cast<std::uint8_t>(width * 5));
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(devicePath));
  EXPECT_TRUE(platform::writeFile(devicePath, *platform::encodePNG(b)));
  return devicePath;
}

void RefreshTest::setPrefs(const platform::Dictionary& prefs) {
  TovalunePreferencesManager::modifyPrefs(
      [&](platform::Dictionary& d) {
        for (const auto& [k, v] : prefs) d[k] = v;
      },
      platform::Dictionary{});
}

void RefreshTest::setLocalPictures(std::initializer_list<int> widths) {
  platform::removeItemAtPath(kLocalImagesPath);
  for (int w : widths) writePicture(fmt::format("{}/{}.png", kLocalImagesPath, w), w);
}

void RefreshTest::setDevice(const std::string& iosVersion, const std::string& network) {
  platform::DeviceSettings s = platform::deviceSettings();
  s.iosVersion = iosVersion;
  platform::parseNetworkKind(network, &s.network);
  s.timeZone = "Europe/Berlin";
  ASSERT_TRUE(platform::saveDeviceSettings(s));
}

void RefreshTest::bindSpringBoardUIServices() {
  setDevice("16.0");
  ASSERT_TRUE(installSpringBoardUIServices());
  uiservices_ = ::dlopen(platform::hostPath("/System/Library/PrivateFrameworks/SpringBoardUIServices.framework/SpringBoardUIServices").c_str(), RTLD_NOW);
  ASSERT_TRUE(uiservices_) << ::dlerror();
  _SBSUIWallpaperSetImages =
      reinterpret_cast<SBSUIWallpaperSetImagesPointer>(::dlsym(uiservices_, "SBSUIWallpaperSetImages"));
  ASSERT_TRUE(_SBSUIWallpaperSetImages);
}

std::vector<SBSUIWallpaperCall> RefreshTest::uiservicesCalls() {
  std::vector<SBSUIWallpaperCall> calls;
  if (auto copy = reinterpret_cast<void (*)(std::vector<SBSUIWallpaperCall>*)>(::dlsym(uiservices_, "SBSUIWallpaperCopyCalls")))
    copy(&calls);
  return calls;
}

void RefreshTest::resetUIServicesCalls() {
  if (auto reset = reinterpret_cast<void (*)()>(::dlsym(uiservices_, "SBSUIWallpaperResetCalls"))) reset();
}

int RefreshTest::uiservicesMaxConcurrentCalls() {
  auto max = reinterpret_cast<int (*)()>(::dlsym(uiservices_, "SBSUIWallpaperMaxConcurrentCalls"));
  return max ? max() : -1;
}

void RefreshTest::settle() { ASSERT_TRUE(platform::waitUntilQueuesIdle()); }

void RefreshTest::displayOff() {
  SBLockScreenManager::sharedInstance()->handleBacklightDidTurnOff(nullptr);
  settle();
}

void RefreshTest::displayOn(double oldFactor, double newFactor) {
  SBLockScreenManager::sharedInstance()->handleBacklightLevelWillChange(oldFactor, newFactor);
  settle();
}

void RefreshTest::displayOnWithoutFactors() {
  objc::NSNotification note("SBBacklightLevelWillChangeNotification", nullptr, {});
  objc::msgSend<void, objc::NSNotification*>(SBLockScreenManager::sharedInstance().get(),
                                             objc::sel("_handleBacklightLevelWillChange:"), &note);
  settle();
}

void RefreshTest::hideAddOnWindow() {
  OrbelLumenholdWindow window(objc::objc_getClass("OrbelLumenholdWindow"));
  window.hide();
  settle();
}

double RefreshTest::lockWidth() {
  return SBWallpaperState::shared().currentWallpaper(WallpaperScreen::Lock, WallpaperAppearance::Light).width;
}

double RefreshTest::homeWidth() {
  return SBWallpaperState::shared().currentWallpaper(WallpaperScreen::Home, WallpaperAppearance::Light).width;
}

std::uint64_t RefreshTest::changes() { return SBWallpaperState::shared().changeCount(); }
