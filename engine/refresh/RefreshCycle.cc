#include "engine/refresh/RefreshCycle.h"

#include <atomic>
#include <cmath>
#include <limits>

#include "engine/providers/OrbelTovaluneController.h"
#include "engine/providers/OrbelTovaluneReachability.h"
#include "engine/schedule/TovaluneTimeManager.h"
#include "engine/wallpaper/WallpaperApplication.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "shared/ImageFolders.h"
#include "shared/PreferenceValues.h"
#include "shared/TovalunePreferencesManager.h"

objc::IMP orig_SBLockScreenManager_handleBacklightDidTurnOff = nullptr;
objc::IMP orig_SBLockScreenManager_handleBacklightLevelWillChange = nullptr;
objc::IMP orig_OrbelLumenholdWindow_hide = nullptr;

namespace {

constexpr double kAbsent = std::numeric_limits<double>::quiet_NaN();
// Times of the latest calls. Refreshes run on background tasks that may overlap, so the read and
// the replacement of a timestamp are one atomic exchange.
std::atomic<double> lastCheckDate{kAbsent};
std::atomic<double> lastReloadDate{kAbsent};

// The stored time is replaced before the comparison, so a refused call restarts the cool-down.
bool coolingDown(std::atomic<double>& timestamp) {
  const double now = platform::now();
  const double previous = timestamp.exchange(now);
  if (std::isnan(previous)) return false;
  const double elapsed = std::trunc(now - previous);
  return elapsed <= 1;
}

platform::Value pref(const char* key) {
  return TovalunePreferencesManager::getPrefForKey(key).value_or(platform::Value(0));
}

std::optional<std::string> stringPref(const char* key) {
  auto v = TovalunePreferencesManager::getPrefForKey(key);
  if (v && v->string()) return *v->string();
  return std::nullopt;
}

platform::DispatchQueue& backgroundQueue() {
  return platform::dispatch_get_global_queue(platform::QueuePriority::Background);
}

bool onWiFi() {
  auto reachability = OrbelTovaluneReachability::reachabilityForInternetConnection();
  if (!reachability) return false;
  reachability->startNotifier();
  NetworkStatus status = reachability->currentReachabilityStatus();
  reachability->stopNotifier();
  return status == ReachableViaWiFi;
}

void timelineCompletion(const std::string& path) {
  if (path == kRandomImageMarker) {
    reloadWallpaper();
    return;
  }
  auto image = UIImage::alloc();
  UIImage* loaded = image->initWithContentsOfFile(path);
  const int location = pref("Location").intValue();
  if (!loaded) return;
  // The same application step as a random picture, so that a timeline also works where
  // SpringBoardUIServices is not there; separate pictures make no sense for one file.
  applyToLocation(image, location == LocationSeparate ? LocationBoth : location);
}

}  // namespace

void replaced_SBLockScreenManager_handleBacklightDidTurnOff(objc::Object* self, objc::SEL _cmd, objc::Object* sender) {
  platform::dispatch_async(backgroundQueue(), [] {
    if (pref("UpdateMode").intValue() == UpdateModeScreenOff) reloadWallpaper();
  });
  objc::callPrevious<void, objc::Object*>(orig_SBLockScreenManager_handleBacklightDidTurnOff, self, _cmd, sender);
}

void replaced_SBLockScreenManager_handleBacklightLevelWillChange(objc::Object* self, objc::SEL _cmd,
                                                                  objc::NSNotification* notification) {
  if (pref("UpdateMode").intValue() == UpdateModeTimeline && notification) {
    const auto& info = notification->userInfo();
    const platform::Value* newFactor = platform::find(info, "SBBacklightNewFactorKey");
    const platform::Value* oldFactor = platform::find(info, "SBBacklightOldFactorKey");
    const float newValue = newFactor ? newFactor->floatValue() : 0.0f;
    const float oldValue = oldFactor ? oldFactor->floatValue() : 0.0f;
    if (newValue != 0.0f && oldValue == 0.0f) checkForNewWallpaper();
  }
  objc::callPrevious<void, objc::NSNotification*>(orig_SBLockScreenManager_handleBacklightLevelWillChange, self, _cmd,
                                                  notification);
}

void replaced_OrbelLumenholdWindow_hide(objc::Object* self, objc::SEL _cmd) {
  objc::callPrevious<void>(orig_OrbelLumenholdWindow_hide, self, _cmd);
  if (pref("UpdateMode").intValue() == UpdateModeTimeline) checkForNewWallpaper();
}

void checkForNewWallpaper() {
  if (coolingDown(lastCheckDate)) {
    NSLog("[Tovalune] Tovalune reload is cooling down (2)!");
    return;
  }
  NSLog("[Tovalune] Checking for new wallpaper...");
  platform::dispatch_async(backgroundQueue(), [] { TovaluneTimeManager::checkIfWallpaperNeedsUpdate(timelineCompletion); });
}

void reloadWallpaper() {
  if (coolingDown(lastReloadDate)) {
    NSLog("[Tovalune] Tovalune reload is cooling down!");
    return;
  }
  if (!pref("Enabled").boolValue()) return;
  if (pref("DisableOnCellular").boolValue() && !onWiFi()) return;
  const int location = pref("Location").intValue();

  auto controller = OrbelTovaluneController::create();
  controller->CurrentProvider = pref("ImageMode").intValue();
  controller->FullResolution = pref("FullResolution").boolValue();
  controller->CustomProvider = stringPref("CustomURL");
  controller->StoreLast = pref("StoreLastTen").boolValue() ? 10 : 0;
  controller->PhotosAlbumIdentifier = stringPref("SelectedPhotoAlbum");

  if (location == LocationSeparate) {
    // The completion keeps the controller alive for its second fetch, which runs whatever the
    // first one brought.
    controller->fetchRandomImageWithHandler([controller](std::shared_ptr<UIImage> image) {
      if (image) applyToLocation(image, LocationLockScreen);
      controller->fetchRandomImageWithHandler([](std::shared_ptr<UIImage> home) {
        if (home) applyToLocation(home, LocationHomeScreen);
      });
    });
  } else {
    controller->fetchRandomImageWithHandler([location](std::shared_ptr<UIImage> image) {
      if (image) applyToLocation(image, location);
    });
  }
}

void resetRefreshCycleState() {
  lastCheckDate = kAbsent;
  lastReloadDate = kAbsent;
}
