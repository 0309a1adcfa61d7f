#pragma once
// SpringBoard's wallpaper configuration manager. At launch it migrates the stored wallpapers: it
// loads every wallpaper file of the data store's folder, and a file that is there but cannot be
// read stops the launch with an exception, as a corrupt wallpaper store does on the device.
//   performMigrationWithFailureHandler: void (objc::Object* self, objc::SEL, objc::Object* handler)
// raises platform::NSException named "SBFWallpaperMigrationException". It may be called again.
#include <atomic>
#include <string>

#include "platform/runtime/Runtime.h"

inline constexpr const char* kWallpaperMigrationExceptionName = "SBFWallpaperMigrationException";

class SBFWallpaperConfigurationManager : public objc::Object {
 public:
  static objc::Class* cls();
  explicit SBFWallpaperConfigurationManager(objc::Class* cls = SBFWallpaperConfigurationManager::cls())
      : Object(cls) {}

  // The message send (hookable).
  void performMigrationWithFailureHandler(objc::Object* handler = nullptr);

  // Wallpaper files the last completed migration loaded.
  int migratedFileCount() const { return migrated_; }
  void setMigratedFileCount(int count) { migrated_ = count; }

 private:
  std::atomic<int> migrated_{0};
};
