#pragma once
// SpringBoard's wallpaper cache: a folder of copies of the current wallpaper files, so the screens
// can be drawn without decoding the data store's files again.
//   initWithOptions: objc::Object* (objc::Object* self, objc::SEL, objc::Object* options) -> self
// The folder lives in the instance variable `_path` (a std::string), reachable by key-value coding,
// and is read at every use, so a path set after init takes effect.
#include <optional>
#include <string>
#include <string_view>

#include "platform/image/CPBitmap.h"
#include "platform/runtime/Runtime.h"

inline constexpr const char* kSpringBoardWallpaperCacheDirectory =
    "/var/mobile/Library/Caches/com.apple.springboard/WallpaperCache";

class SBFWallpaperCache : public objc::Object {
 public:
  static objc::Class* cls();
  explicit SBFWallpaperCache(objc::Class* cls = SBFWallpaperCache::cls());

  // [[SBFWallpaperCache alloc] initWithOptions:options], through the runtime (hookable).
  static objc::id create(objc::Object* options = nullptr);

  std::string path() const { return ivar<std::string>("_path"); }
  // Writes a copy (atomically), creating the folder when missing; false when it cannot.
  bool storeImageData(const std::string& fileName, std::string_view bytes);
  // The same for a wallpaper file just written: the cache's copy is the file itself under a
  // second name where the folders share a file system, so caching costs no second write.
  bool storeWallpaperFile(const std::string& fileName, platform::CPBitmapFile& file);
  std::optional<std::string> cachedImageData(const std::string& fileName) const;
};
