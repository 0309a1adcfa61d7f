#include "device/launcher/TimelineCommand.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fmt/format.h>

#include "device/launcher/ClockCommand.h"
#include "platform/foundation/FileManager.h"
#include "platform/image/UIImage.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"

using platform::Value;

namespace {

int timelineUsage() {
  fmt::print(stderr,
             "usage: tovalune-device timeline add HH:MM[:SS] PICTURE|random\n"
             "       tovalune-device timeline list\n"
             "       tovalune-device timeline clear\n");
  return 2;
}

// The order the pane keeps: the start with its colons removed, read as a number.
long startKey(const Value& entry) {
  const Value* start = entry.dictionary() ? platform::find(*entry.dictionary(), "Start") : nullptr;
  if (!start || !start->string()) return -1;
  std::string digits;
  std::copy_if(start->string()->begin(), start->string()->end(), std::back_inserter(digits),
               [](char c) { return c != ':'; });
  return Value(digits).longLongValue();
}

// The device path of the entry's picture; empty (with a message) when there is none.
std::string timelinePicture(const std::string& picture) {
  if (picture == "random") return kRandomImageMarker;
  bool isDirectory = false;
  if (!picture.empty() && picture.front() == '/' && platform::fileExistsAtPath(picture, &isDirectory) && !isDirectory) {
    if (!UIImage::imageWithContentsOfFile(picture)) {
      fmt::print(stderr, "tovalune-device: the device file {} is not a picture\n", picture);
      return {};
    }
    return picture;
  }
  std::ifstream in(picture, std::ios::binary);
  if (!in || std::filesystem::is_directory(picture)) {
    fmt::print(stderr, "tovalune-device: no picture at {} (neither on the device nor on this machine)\n", picture);
    return {};
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto image = UIImage::imageWithData(bytes);
  auto png = image ? UIImagePNGRepresentation(image.get()) : std::nullopt;
  if (!png) {
    fmt::print(stderr, "tovalune-device: {} is not a picture\n", picture);
    return {};
  }
  platform::createDirectoryAtPath(kTimelineImagesPath);
  std::string path = newImagePathInFolder(kTimelineImagesPath);
  if (!platform::writeFile(path, *png)) {
    fmt::print(stderr, "tovalune-device: cannot write {}\n", path);
    return {};
  }
  return path;
}

int add(const std::string& time, const std::string& picture) {
  auto t = parseTimeOfDay(time);
  if (!t) {
    fmt::print(stderr, "tovalune-device: \"{}\" is not a time of day (HH:MM or HH:MM:SS)\n", time);
    return 2;
  }
  std::string start = fmt::format("{:02}:{:02}:{:02}", t->hour, t->minute, t->second);
  auto prefs = TovalunePreferencesManager::getPrefs();
  const Value* existing = prefs ? platform::find(*prefs, "ImageTimeline") : nullptr;
  platform::Array entries = existing && existing->array() ? *existing->array() : platform::Array{};
  for (const Value& entry : entries) {
    const Value* s = entry.dictionary() ? platform::find(*entry.dictionary(), "Start") : nullptr;
    if (s && s->string() && *s->string() == start) {
      fmt::print(stderr, "tovalune-device: the timeline has an entry at {} already\n", start);
      return 1;
    }
  }
  std::string path = timelinePicture(picture);
  if (path.empty()) return 1;
  entries.push_back(platform::Dictionary{{"Start", start}, {"ImagePath", path}});
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Value& a, const Value& b) { return startKey(a) < startKey(b); });
  if (!TovalunePreferencesManager::setPrefForKey("ImageTimeline", Value(entries))) {
    fmt::print(stderr, "tovalune-device: the preferences file is not a readable dictionary; nothing written\n");
    return 1;
  }
  fmt::print("{} {}\n", start, path);
  return 0;
}

int list() {
  auto value = TovalunePreferencesManager::getPrefs();
  const Value* timeline = value ? platform::find(*value, "ImageTimeline") : nullptr;
  if (!timeline || !timeline->array() || timeline->array()->empty()) {
    fmt::print("The timeline is empty.\n");
    return 0;
  }
  for (const Value& entry : *timeline->array()) {
    const auto* d = entry.dictionary();
    const Value* start = d ? platform::find(*d, "Start") : nullptr;
    const Value* path = d ? platform::find(*d, "ImagePath") : nullptr;
    fmt::print("{} {}\n", start ? start->description() : "?", path ? path->description() : "?");
  }
  return 0;
}

}  // namespace

int runTimeline(const std::vector<std::string>& args) {
  if (args.size() == 3 && args[0] == "add") return add(args[1], args[2]);
  if (args.size() == 1 && args[0] == "list") return list();
  if (args.size() == 1 && args[0] == "clear") {
    TovalunePreferencesManager::removePrefForKey("ImageTimeline");
    fmt::print("The timeline is empty.\n");
    return 0;
  }
  return timelineUsage();
}
