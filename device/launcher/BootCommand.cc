#include "device/launcher/BootCommand.h"

#include <iterator>
#include <regex>
#include <vector>

#include <fmt/format.h>

#include "device/jailbreak/JailbreakLayout.h"
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
    "/System/Library/PrivateFrameworks",
};
// Folders of the jailbreak, where the device's kind keeps them.
const char* const kPackageFolders[] = {
    "/Library/MobileSubstrate/DynamicLibraries",
    "/Library/PreferenceBundles",
    "/usr/bin",
};

// The kind of a device: as its settings name it, for a device made before there were two kinds
// the layout it has (a package database at the system's place is rootful), else as asked, else
// the kind of its iOS version. False (after saying why) when asked for another kind than it has:
// a phone keeps the kind it was jailbroken as.
bool chooseJailbreakKind(const BootOptions& options, bool deviceExists, platform::DeviceSettings* settings) {
  platform::JailbreakKind asked{};
  if (!options.jailbreak.empty() && !platform::parseJailbreakKind(options.jailbreak, &asked)) {
    fmt::print(stderr, "tovalune-device: unknown jailbreak {} (rootful or rootless)\n", options.jailbreak);
    return false;
  }
  if (deviceExists && platform::deviceSettingsNameJailbreakKind()) {
    if (!options.jailbreak.empty() && asked != settings->jailbreak) {
      fmt::print(stderr,
                 "tovalune-device: this device is {}; a device keeps the kind it was jailbroken as (boot another "
                 "--device folder for a {} one)\n",
                 platform::jailbreakKindName(settings->jailbreak), options.jailbreak);
      return false;
    }
    return true;
  }
  if (!options.jailbreak.empty()) settings->jailbreak = asked;
  else if (deviceExists && platform::directoryExistsAtPath("/var/lib/dpkg")) settings->jailbreak = platform::JailbreakKind::Rootful;
  else settings->jailbreak = platform::jailbreakKindForVersion(settings->iosVersion);
  return true;
}

}  // namespace

int runBoot(const BootOptions& options) {
  if (!platform::createDirectoryAtPath("/")) {
    fmt::print(stderr, "tovalune-device: cannot create the device root {}\n", platform::deviceRoot());
    return 1;
  }
  const bool deviceExists = platform::fileExistsAtPath(platform::kDeviceSettingsPath);
  platform::DeviceSettings settings = platform::deviceSettings();
  if (!options.iosVersion.empty()) {
    // The version goes into the package database as the firmware's, which dpkg must be able to read.
    if (!std::regex_match(options.iosVersion, std::regex("[0-9]{1,2}(\\.[0-9]{1,2}){0,2}"))) {
      fmt::print(stderr, "tovalune-device: --ios takes a version such as 12.4 or 16.0, not {}\n", options.iosVersion);
      return 2;
    }
    settings.iosVersion = options.iosVersion;
  }
  if (!chooseJailbreakKind(options, deviceExists, &settings)) return 2;
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
  std::vector<std::string> folders(std::begin(kDeviceFolders), std::end(kDeviceFolders));
  for (const char* folder : kPackageFolders) folders.push_back(devicePackagePath(folder));
  for (const std::string& folder : folders) {
    if (!platform::createDirectoryAtPath(folder)) {
      fmt::print(stderr, "tovalune-device: cannot create {} in {}\n", folder, platform::deviceRoot());
      return 1;
    }
  }
  // The defaults go into the file for every key not set yet; a user's settings stay.
  TovalunePreferencesManager::modifyPrefs(
      [](platform::Dictionary& prefs) {
        for (auto& [key, value] : TovalunePreferencesManager::defaultPrefs()) prefs.try_emplace(key, value);
      },
      platform::Dictionary{});
  return 0;
}
