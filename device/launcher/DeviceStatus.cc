#include "device/launcher/DeviceStatus.h"

#include <fmt/format.h>

#include <nlohmann/json.hpp>

#include "device/jailbreak/JailbreakLayout.h"
#include "device/launcher/DevicePackages.h"
#include "device/launcher/EngineInstall.h"
#include "device/launcher/Launchd.h"
#include "device/launcher/SettingsCommands.h"
#include "device/launcher/SpringBoardSocketClient.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/SpringBoardClasses.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"

using nlohmann::json;

namespace {

std::size_t pictureCount(const char* folder) {
  auto names = platform::contentsOfDirectoryAtPath(folder);
  if (!names) return 0;
  return std::count_if(names->begin(), names->end(), [&](const std::string& name) {
    bool isDirectory = false;
    return platform::fileExistsAtPath(platform::stringByAppendingPathComponent(folder, name), &isDirectory) &&
           !isDirectory;
  });
}

// Without a running SpringBoard nobody can ask its data store; the engine, when installed, would
// point it at the store's folder.
json wallpapersOnDisk() {
  registerSpringBoardClasses();
  std::string folder = isEngineInstalled() ? kStoreSpringBoardPath : kSpringBoardWallpaperDirectory;
  json list = json::array();
  for (const WallpaperFile& f : SBWallpaperState::wallpapersInFolder(folder))
    list.push_back(json{{"screen", wallpaperScreenName(f.screen)},
                        {"appearance", wallpaperAppearanceName(f.appearance)},
                        {"path", f.path},
                        {"exists", f.exists},
                        {"readable", f.readable},
                        {"width", f.width},
                        {"height", f.height},
                        {"hash", f.contentHash}});
  return json{{"wallpaperDirectory", folder}, {"wallpapers", list}};
}

json collect() {
  platform::DeviceSettings s = platform::deviceSettings();
  auto installed = installedVersion(kTovalunePackage);
  json status{{"deviceRoot", platform::deviceRoot()},
              {"iosVersion", s.iosVersion},
              {"jailbreak", platform::jailbreakKindName(s.jailbreak)},
              {"installPrefix", std::string(installPrefixOf(s.jailbreak))},
              {"packageArchitecture", packageArchitectureOf(s.jailbreak)},
              {"enginePath", engineDevicePath()},
              {"engineInstalled", isEngineInstalled()},
              {"packageVersion", installed ? json(*installed) : json(nullptr)},
              {"storePictures", pictureCount(kStoreImagesPath)},
              {"localPictures", pictureCount(kLocalImagesPath)},
              {"timelinePictures", pictureCount(kTimelineImagesPath)},
              {"supervisorPid", runningLaunchdPid()}};
  auto reply = querySpringBoard("status");
  if (reply && reply->value("ok", false)) {
    status["springBoardRunning"] = true;
    for (const char* key : {"pid", "engineLoaded", "displayOn", "wallpaperDirectory", "wallpapers"})
      if (reply->contains(key)) status[key == std::string("pid") ? "springBoardPid" : key] = (*reply)[key];
  } else {
    status["springBoardRunning"] = false;
    status["engineLoaded"] = false;
    status.update(wallpapersOnDisk());
  }
  auto settings = settingsStatus();
  status["settingsRunning"] = settings.has_value();
  if (settings) {
    status["settingsPid"] = settings->value("pid", 0);
    status["settingsScreen"] = settings->value("title", std::string());
  }
  return status;
}

// The device itself: its settings, the preferences and the picture folders.
void printDevice() {
  platform::DeviceSettings s = platform::deviceSettings();
  fmt::print("device root:   {}\n", platform::deviceRoot());
  fmt::print("iOS version:   {}\n", s.iosVersion);
  std::string_view prefix = installPrefixOf(s.jailbreak);
  fmt::print("jailbreak:     {} (packages {}, architecture {})\n", platform::jailbreakKindName(s.jailbreak),
             prefix.empty() ? std::string("at /") : fmt::format("below {}", prefix), packageArchitectureOf(s.jailbreak));
  fmt::print("screen:        {}x{} points, {}x{} pixels\n", s.screenWidth, s.screenHeight,
             s.screenWidth * s.screenScale, s.screenHeight * s.screenScale);
  fmt::print("network:       {}\n", platform::networkKindName(s.network));
  fmt::print("photo library: {}\n", s.photoLibraryAccess ? "apps may read it" : "access refused to apps");
  auto prefs = TovalunePreferencesManager::getPrefs();
  fmt::print("preferences:   {}\n", prefs ? platform::Value(*prefs).toJSON() : "(unreadable)");
  for (const char* folder : {kLocalImagesPath, kStoreImagesPath, kTimelineImagesPath}) {
    auto names = platform::contentsOfDirectoryAtPath(folder);
    fmt::print("{:<40} {}\n", folder, names ? fmt::format("{} entries", names->size()) : "missing");
  }
}

std::string sizeText(const json& w) {
  if (!w.value("exists", false)) return "missing";
  if (!w.value("readable", false)) return "unreadable";
  return fmt::format("{}x{}", w.value("width", 0.0), w.value("height", 0.0));
}

}  // namespace

int runDeviceStatus(bool asJSON) {
  json status = collect();
  if (asJSON) {
    fmt::print("{}\n", status.dump(2, ' ', false, json::error_handler_t::replace));
    return 0;
  }
  printDevice();
  if (status["springBoardRunning"].get<bool>())
    fmt::print("SpringBoard:   running (pid {}), display {}, engine {}\n", status.value("springBoardPid", 0),
               status.value("displayOn", true) ? "on" : "off",
               status.value("engineLoaded", false) ? "loaded" : "not loaded");
  else
    fmt::print("SpringBoard:   not running; wallpapers read from disk\n");
  if (status["settingsRunning"].get<bool>())
    fmt::print("Settings:      running (pid {}), showing \"{}\"\n", status.value("settingsPid", 0),
               status.value("settingsScreen", std::string()));
  else
    fmt::print("Settings:      not running\n");
  fmt::print("engine:        {}\n", status["engineInstalled"].get<bool>() ? "installed" : "not installed");
  fmt::print("package:       {}\n", status["packageVersion"].is_string()
                                        ? fmt::format("{} {}", kTovalunePackage, status["packageVersion"].get<std::string>())
                                        : std::string("not installed"));
  fmt::print("store:         {} pictures\n", status["storePictures"].get<std::size_t>());
  fmt::print("wallpapers in {}:\n", status.value("wallpaperDirectory", std::string()));
  for (const json& w : status["wallpapers"])
    fmt::print("  {:<4} {:<5} {:<12} {:<16} {}\n", w.value("screen", std::string()), w.value("appearance", std::string()),
               sizeText(w), w.value("hash", std::string()), w.value("path", std::string()));
  return 0;
}
