#include "device/springboard/SBFWallpaperCache.h"

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"

namespace {
objc::Object* initWithOptionsImp(objc::Object* self, objc::SEL, objc::Object*) {
  self->setValueForKey("_path", std::string(kSpringBoardWallpaperCacheDirectory));
  return self;
}
}  // namespace

OBJC_DEFINE_CLASS(SBFWallpaperCache, objc::Object, objc::method("initWithOptions:", &initWithOptionsImp))

SBFWallpaperCache::SBFWallpaperCache(objc::Class* cls) : Object(cls) { declareIvar("_path", std::string()); }

objc::id SBFWallpaperCache::create(objc::Object* options) {
  objc::id cache = objc::createInstance<SBFWallpaperCache>();
  objc::Object* initialised =
      objc::msgSend<objc::Object*, objc::Object*>(cache.get(), objc::sel("initWithOptions:"), options);
  return initialised ? cache : nullptr;
}

namespace {
// The folder to cache into, created when missing; nothing (logged) when there is none to use.
std::optional<std::string> usableFolder(const std::string& folder, const std::string& fileName) {
  if (folder.empty() || folder.front() != '/') {
    NSLog("SpringBoard: the wallpaper cache has no usable folder (\"{}\"); {} not cached", folder, fileName);
    return std::nullopt;
  }
  if (!platform::createDirectoryAtPath(folder)) {
    NSLog("SpringBoard: could not write {} into the wallpaper cache {}", fileName, folder);
    return std::nullopt;
  }
  return folder;
}
}  // namespace

bool SBFWallpaperCache::storeImageData(const std::string& fileName, std::string_view bytes) {
  auto folder = usableFolder(path(), fileName);
  if (!folder) return false;
  if (!platform::writeFile(platform::stringByAppendingPathComponent(*folder, fileName), bytes, true)) {
    NSLog("SpringBoard: could not write {} into the wallpaper cache {}", fileName, *folder);
    return false;
  }
  return true;
}

bool SBFWallpaperCache::storeWallpaperFile(const std::string& fileName, platform::CPBitmapFile& file) {
  auto folder = usableFolder(path(), fileName);
  if (!folder) return false;
  if (!file.publish(platform::stringByAppendingPathComponent(*folder, fileName))) {
    NSLog("SpringBoard: could not write {} into the wallpaper cache {}", fileName, *folder);
    return false;
  }
  return true;
}

std::optional<std::string> SBFWallpaperCache::cachedImageData(const std::string& fileName) const {
  std::string folder = path();
  if (folder.empty()) return std::nullopt;
  return platform::readFile(platform::stringByAppendingPathComponent(folder, fileName));
}
