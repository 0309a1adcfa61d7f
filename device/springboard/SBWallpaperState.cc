#include "device/springboard/SBWallpaperState.h"

#include "device/springboard/SBFWallpaperCache.h"
#include "device/springboard/SBFWallpaperDirectoryDataStore.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/CPBitmap.h"
#include "platform/image/UIImage.h"

namespace {
constexpr WallpaperAppearance kAppearances[] = {WallpaperAppearance::Light, WallpaperAppearance::Dark};
}  // namespace

SBWallpaperState& SBWallpaperState::shared() {
  static SBWallpaperState* state = new SBWallpaperState();  // used by pool threads until exit
  return *state;
}

SBFWallpaperDirectoryDataStore* SBWallpaperState::dataStoreLocked() {
  if (!dataStore_) {
    dataStore_ = objc::class_createInstance(SBFWallpaperDirectoryDataStore::cls());
    objc::msgSend<objc::Object*>(dataStore_.get(), objc::sel("init"));
  }
  return static_cast<SBFWallpaperDirectoryDataStore*>(dataStore_.get());
}

SBFWallpaperCache* SBWallpaperState::cacheLocked() {
  if (!cache_) cache_ = SBFWallpaperCache::create();
  return static_cast<SBFWallpaperCache*>(cache_.get());
}

objc::id SBWallpaperState::dataStore() {
  std::lock_guard lock(mu_);
  dataStoreLocked();
  return dataStore_;
}

objc::id SBWallpaperState::cache() {
  std::lock_guard lock(mu_);
  cacheLocked();
  return cache_;
}

void SBWallpaperState::reset() {
  std::lock_guard lock(mu_);
  dataStore_.reset();
  cache_.reset();
}

std::optional<std::string> SBWallpaperState::wallpaperDirectory() {
  std::lock_guard lock(mu_);
  return dataStoreLocked()->directoryPath();
}

bool SBWallpaperState::setWallpapers(const UIImage* light, const UIImage* dark, long location) {
  std::vector<WallpaperScreen> screens = screensForLocation(location);
  if (screens.empty()) {
    NSLog("SpringBoard: no wallpaper set for unknown location {}", location);
    return false;
  }
  if (!light && !dark) {
    NSLog("SpringBoard: no wallpaper set for location {}: no picture given", location);
    return false;
  }
  const UIImage* pictures[] = {light, dark};
  for (int i = 0; i < 2; ++i) {
    if (pictures[i] && (pictures[i]->bitmap().width == 0 || pictures[i]->bitmap().height == 0)) {
      NSLog("SpringBoard: no wallpaper set for location {}: the {} picture is empty", location,
            wallpaperAppearanceName(kAppearances[i]));
      return false;
    }
  }

  WallpaperChange change;
  change.location = location;
  {
    std::lock_guard lock(mu_);
    auto folder = dataStoreLocked()->directoryPath();
    if (!folder) return false;
    if (!platform::createDirectoryAtPath(*folder)) {
      NSLog("SpringBoard: could not create the wallpaper folder {}", *folder);
      return false;
    }
    auto pathOf = [&](WallpaperScreen screen, int i) {
      return platform::stringByAppendingPathComponent(*folder, wallpaperFileName(screen, kAppearances[i]));
    };
    // Each picture is written once, before any name changes, and then takes the names of all its
    // screens: the same picture for both appearances (the usual case) is one file under four names.
    std::optional<platform::CPBitmapFile> written[2];
    platform::CPBitmapFile* files[2] = {nullptr, nullptr};
    for (int i = 0; i < 2; ++i) {
      if (!pictures[i]) continue;
      if (i == 1 && pictures[1] == pictures[0]) {
        files[1] = files[0];
        continue;
      }
      written[i] = platform::CPBitmapFile::write(pictures[i]->bitmap(), *folder);
      if (!written[i]) {
        NSLog("SpringBoard: could not write the wallpaper file {}", pathOf(screens.front(), i));
        return false;
      }
      files[i] = &*written[i];
    }
    SBFWallpaperCache* cache = cacheLocked();
    for (WallpaperScreen screen : screens) {
      for (int i = 0; i < 2; ++i) {
        if (!files[i]) continue;
        std::string path = pathOf(screen, i);
        if (!files[i]->publish(path)) {
          NSLog("SpringBoard: could not write the wallpaper file {}", path);
          return false;
        }
        if (cache) cache->storeWallpaperFile(wallpaperFileName(screen, kAppearances[i]), *files[i]);
        change.paths.push_back(path);
      }
    }
  }

  std::vector<Observer> observers;
  {
    std::lock_guard lock(countMu_);
    change.count = ++changeCount_;
    for (const auto& [token, observer] : observers_) observers.push_back(observer);
  }
  countChanged_.notify_all();
  for (const auto& observer : observers) observer(change);
  return true;
}

WallpaperFile SBWallpaperState::readWallpaperFile(const std::string& folder, WallpaperScreen screen,
                                                  WallpaperAppearance appearance) {
  WallpaperFile file;
  file.screen = screen;
  file.appearance = appearance;
  file.path = platform::stringByAppendingPathComponent(folder, wallpaperFileName(screen, appearance));
  auto bytes = platform::readFile(file.path);
  file.exists = bytes.has_value();
  if (!bytes) return file;
  // The pixels' fingerprint, whichever form the file is in, so that it can be compared with a
  // picture's; a file that is no picture is fingerprinted by its bytes.
  auto image = UIImage::alloc();
  if (image->initWithContentsOfFileCache(file.path, true)) {
    file.readable = true;
    file.width = image->width();
    file.height = image->height();
    file.contentHash = pictureHash(image->bitmap());
  } else {
    file.contentHash = contentHash(*bytes);
  }
  return file;
}

WallpaperFile SBWallpaperState::currentWallpaper(WallpaperScreen screen, WallpaperAppearance appearance) {
  std::lock_guard lock(mu_);
  auto folder = dataStoreLocked()->directoryPath();
  if (!folder) {
    WallpaperFile none;
    none.screen = screen;
    none.appearance = appearance;
    return none;
  }
  return readWallpaperFile(*folder, screen, appearance);
}

std::vector<WallpaperFile> SBWallpaperState::currentWallpapers() {
  std::vector<WallpaperFile> files;
  for (WallpaperScreen screen : {WallpaperScreen::Lock, WallpaperScreen::Home})
    for (WallpaperAppearance appearance : kAppearances) files.push_back(currentWallpaper(screen, appearance));
  return files;
}

std::vector<WallpaperFile> SBWallpaperState::wallpapersInFolder(const std::string& folder) {
  std::vector<WallpaperFile> files;
  for (WallpaperScreen screen : {WallpaperScreen::Lock, WallpaperScreen::Home})
    for (WallpaperAppearance appearance : kAppearances) files.push_back(readWallpaperFile(folder, screen, appearance));
  return files;
}

std::shared_ptr<UIImage> SBWallpaperState::loadWallpaper(WallpaperScreen screen, WallpaperAppearance appearance) {
  std::lock_guard lock(mu_);
  auto folder = dataStoreLocked()->directoryPath();
  if (!folder) return nullptr;
  auto image = UIImage::alloc();
  std::string path = platform::stringByAppendingPathComponent(*folder, wallpaperFileName(screen, appearance));
  return image->initWithContentsOfFileCache(path, true) ? image : nullptr;
}

std::uint64_t SBWallpaperState::changeCount() const {
  std::lock_guard lock(countMu_);
  return changeCount_;
}

bool SBWallpaperState::waitForChangeCount(std::uint64_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(countMu_);
  return countChanged_.wait_for(lock, timeout, [&] { return changeCount_ >= count; });
}

int SBWallpaperState::addObserver(Observer observer) {
  std::lock_guard lock(countMu_);
  observers_.emplace_back(nextObserver_, std::move(observer));
  return nextObserver_++;
}

void SBWallpaperState::removeObserver(int token) {
  std::lock_guard lock(countMu_);
  std::erase_if(observers_, [&](const auto& o) { return o.first == token; });
}
