#pragma once
// SpringBoard's wallpaper data store: it names the folder that holds the wallpaper files.
//   directoryURL: std::string (objc::Object* self, objc::SEL) -> a file URL of the folder,
//   "file:///var/mobile/Library/SpringBoard/" unless hooked.
#include <optional>
#include <string>

#include "platform/runtime/Runtime.h"

class SBFWallpaperDirectoryDataStore : public objc::Object {
 public:
  static objc::Class* cls();
  explicit SBFWallpaperDirectoryDataStore(objc::Class* cls = SBFWallpaperDirectoryDataStore::cls()) : Object(cls) {}

  // The message send (hookable).
  std::string directoryURL();
  // The folder as a device path; nothing when the URL is not a local folder.
  std::optional<std::string> directoryPath();
};
