#include "device/springboard/SBFWallpaperConfigurationManager.h"

#include <fmt/format.h>

#include "device/springboard/SBWallpaperState.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/runtime/RuntimeClass.h"

namespace {

void performMigrationImp(objc::Object* self, objc::SEL, objc::Object*) {
  auto folder = SBWallpaperState::shared().wallpaperDirectory();
  if (!folder) return;
  auto names = platform::contentsOfDirectoryAtPath(*folder);
  int migrated = 0;
  for (const std::string& name : names.value_or(std::vector<std::string>{})) {
    if (name.find("Background") == std::string::npos) continue;
    std::string path = platform::stringByAppendingPathComponent(*folder, name);
    bool isDirectory = false;
    if (!platform::fileExistsAtPath(path, &isDirectory) || isDirectory) continue;
    if (!UIImage::alloc()->initWithContentsOfFileCache(path, true))
      platform::raise(kWallpaperMigrationExceptionName, fmt::format("Unable to load the wallpaper file {}", path));
    ++migrated;
  }
  if (auto* manager = dynamic_cast<SBFWallpaperConfigurationManager*>(self)) manager->setMigratedFileCount(migrated);
  NSLog("SpringBoard: migrated {} wallpaper files in {}", migrated, *folder);
}

}  // namespace

OBJC_DEFINE_CLASS(SBFWallpaperConfigurationManager, objc::Object,
                  objc::method("performMigrationWithFailureHandler:", &performMigrationImp))

void SBFWallpaperConfigurationManager::performMigrationWithFailureHandler(objc::Object* handler) {
  objc::msgSend<void, objc::Object*>(this, objc::sel("performMigrationWithFailureHandler:"), handler);
}
