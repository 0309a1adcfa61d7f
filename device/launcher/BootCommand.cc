#include "device/launcher/BootCommand.h"

#include <fmt/format.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"

namespace {
const char* const kDeviceFolders[] = {
    "/var/mobile/Library/Preferences",
    kSpringBoardPath,
    kLocalImagesPath,
    kStoreImagesPath,
    kTimelineImagesPath,
    "/Library/MobileSubstrate/DynamicLibraries",
    "/Library/PreferenceBundles",
    "/System/Library/PrivateFrameworks",
    "/usr/bin",
};
}  // namespace

int runBoot(const BootOptions& options) {
  if (!platform::createDirectoryAtPath("/")) {
    fmt::print(stderr, "tovalune-device: cannot create the device root {}\n", platform::deviceRoot());
    return 1;
  }
  for (const char* folder : kDeviceFolders) {
    if (!platform::createDirectoryAtPath(folder)) {
      fmt::print(stderr, "tovalune-device: cannot create {} in {}\n", folder, platform::deviceRoot());
      return 1;
    }
  }
  platform::DeviceSettings settings = platform::deviceSettings();
  if (!options.iosVersion.empty()) settings.iosVersion = options.iosVersion;
  if (!options.network.empty() && !platform::parseNetworkKind(options.network, &settings.network)) {
    fmt::print(stderr, "tovalune-device: unknown network kind {} (wifi, cellular, none or host)\n", options.network);
    return 2;
  }
  if (options.screenWidth > 0) settings.screenWidth = options.screenWidth;
  if (options.screenHeight > 0) settings.screenHeight = options.screenHeight;
  if (options.screenScale > 0) settings.screenScale = options.screenScale;
  if (!platform::saveDeviceSettings(settings)) {
    fmt::print(stderr, "tovalune-device: cannot write the device settings\n");
    return 1;
  }
  // The defaults go into the file for every key not set yet; a user's settings stay.
  TovalunePreferencesManager::modifyPrefs(
      [](platform::Dictionary& prefs) {
        for (auto& [key, value] : TovalunePreferencesManager::defaultPrefs()) prefs.try_emplace(key, value);
      },
      platform::Dictionary{});
  return 0;
}
