#include "device/springboard/SBFWallpaperDirectoryDataStore.h"

#include "device/springboard/WallpaperFiles.h"
#include "platform/foundation/NSLog.h"

namespace {
std::string directoryURLImp(objc::Object*, objc::SEL) { return directoryURLWithPath(kSpringBoardWallpaperDirectory); }
}  // namespace

objc::Class* SBFWallpaperDirectoryDataStore::cls() {
  static objc::Class* c = [] {
    objc::Class* k = objc::objc_allocateClassPair(objc::NSObjectClass(), "SBFWallpaperDirectoryDataStore");
    k->addMethod(objc::sel("directoryURL"), objc::imp_cast(&directoryURLImp));
    k->setAllocator(&objc::allocateInstance<SBFWallpaperDirectoryDataStore>);
    return k;
  }();
  return c;
}

std::string SBFWallpaperDirectoryDataStore::directoryURL() {
  return objc::msgSend<std::string>(this, objc::sel("directoryURL"));
}

std::optional<std::string> SBFWallpaperDirectoryDataStore::directoryPath() {
  std::string url = directoryURL();
  auto path = pathFromFileURL(url);
  if (!path) NSLog("SpringBoard: the wallpaper data store names no local folder: \"{}\"", url);
  return path;
}
