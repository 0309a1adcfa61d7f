#include "device/launcher/web/WebStatus.h"

#include <algorithm>

#include <fmt/format.h>

#include "device/launcher/SpringBoardSocketClient.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/PlistValue.h"
#include "platform/image/ImageCodec.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"

using nlohmann::json;

namespace {

// The store keeps its pictures as files at its top level; its folders (SpringBoard's wallpapers,
// the cache) are no pictures.
std::size_t storePictureCount() {
  auto names = platform::contentsOfDirectoryAtPath(kStoreImagesPath);
  if (!names) return 0;
  return std::count_if(names->begin(), names->end(), [](const std::string& name) {
    bool isDirectory = false;
    return platform::fileExistsAtPath(platform::stringByAppendingPathComponent(kStoreImagesPath, name), &isDirectory) &&
           !isDirectory;
  });
}

std::optional<json> lightWallpaper(const json& status, const std::string& screen) {
  for (const json& w : status.value("wallpapers", json::array()))
    if (w.value("screen", "") == screen && w.value("appearance", "") == "light") return w;
  return std::nullopt;
}

}  // namespace

json collectWebStatus() {
  platform::DeviceSettings settings = platform::deviceSettings();
  auto c = platform::calendarComponents(platform::now());
  json status{{"clock", fmt::format("{:02}:{:02}:{:02}", c.hour, c.minute, c.second)},
              {"network", platform::networkKindName(settings.network)},
              {"screen", {{"width", settings.screenWidth}, {"height", settings.screenHeight}, {"scale", settings.screenScale}}},
              {"storePictures", storePictureCount()}};
  auto springBoard = querySpringBoard("status", std::chrono::seconds(5));
  status["springBoardRunning"] = springBoard && springBoard->value("ok", false);
  if (status["springBoardRunning"].get<bool>()) {
    status["engineLoaded"] = springBoard->value("engineLoaded", false);
    status["displayOn"] = springBoard->value("displayOn", true);
    json wallpapers = json::object();
    for (const char* screen : {"lock", "home"}) {
      auto w = lightWallpaper(*springBoard, screen);
      wallpapers[screen] = w ? json{{"hash", w->value("hash", "")},
                                    {"readable", w->value("readable", false)},
                                    {"width", w->value("width", 0.0)},
                                    {"height", w->value("height", 0.0)}}
                             : json(nullptr);
    }
    status["wallpapers"] = wallpapers;
  } else {
    status["engineLoaded"] = false;
  }
  if (auto prefs = TovalunePreferencesManager::getPrefs()) {
    json parsed = json::parse(platform::Value(*prefs).toJSON(), nullptr, false);
    status["preferences"] = parsed.is_discarded() ? json(nullptr) : parsed;
  } else {
    status["preferences"] = nullptr;  // missing or unreadable: the page says so
  }
  return status;
}

std::optional<std::string> wallpaperThumbnail(const std::string& screen, unsigned maxWidth, unsigned maxHeight) {
  if (screen != "lock" && screen != "home") return std::nullopt;
  auto springBoard = querySpringBoard("status", std::chrono::seconds(5));
  if (!springBoard || !springBoard->value("ok", false)) return std::nullopt;
  auto w = lightWallpaper(*springBoard, screen);
  if (!w || !w->value("readable", false)) return std::nullopt;
  auto bytes = platform::readFile(w->value("path", ""));
  if (!bytes) return std::nullopt;
  auto picture = platform::decodeImageThumbnail(*bytes, maxWidth, maxHeight);
  if (!picture) return std::nullopt;
  return platform::encodePNG(*picture);
}
