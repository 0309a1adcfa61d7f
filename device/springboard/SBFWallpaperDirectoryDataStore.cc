#include "device/springboard/SBFWallpaperDirectoryDataStore.h"

#include "device/springboard/WallpaperFiles.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"

namespace {
std::string directoryURLImp(objc::Object*, objc::SEL) { return directoryURLWithPath(kSpringBoardWallpaperDirectory); }
}  // namespace

OBJC_DEFINE_CLASS(SBFWallpaperDirectoryDataStore, objc::Object, objc::method("directoryURL", &directoryURLImp))

std::string SBFWallpaperDirectoryDataStore::directoryURL() {
  return objc::msgSend<std::string>(this, objc::sel("directoryURL"));
}

std::optional<std::string> SBFWallpaperDirectoryDataStore::directoryPath() {
  std::string url = directoryURL();
  auto path = pathFromFileURL(url);
  if (!path) NSLog("SpringBoard: the wallpaper data store names no local folder: \"{}\"", url);
  return path;
}
