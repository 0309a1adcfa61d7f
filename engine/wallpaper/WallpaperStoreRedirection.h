#pragma once
// While the engine runs, SpringBoard keeps its wallpaper files and cache inside the engine's store,
// and its own wallpaper files are neither read nor opened: removing the engine brings them back
// untouched. Start-up (EngineStartup.h) installs the four method hooks and the hook of `open`
// below; redirectedWallpaperPath is the one rule they share.
#include <string>

#include "platform/runtime/Runtime.h"

// Previous implementations, filled in when the hooks go in.
extern objc::IMP orig_SBFWallpaperCache_initWithOptions;
extern objc::IMP orig_UIImage_initWithContentsOfFileCache;
extern objc::IMP orig_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler;
extern objc::IMP orig_SBFWallpaperDirectoryDataStore_directoryURL;
extern int (*orig_open)(const char* path, int flags, ...);

// SBFWallpaperCache initWithOptions:
objc::Object* replaced_SBFWallpaperCache_initWithOptions(objc::Object* self, objc::SEL _cmd, objc::Object* options);
// UIImage initWithContentsOfFile:cache:
objc::Object* replaced_UIImage_initWithContentsOfFileCache(objc::Object* self, objc::SEL _cmd, const std::string& path,
                                                           bool cache);
// SBFWallpaperConfigurationManager performMigrationWithFailureHandler:
void replaced_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler(objc::Object* self, objc::SEL _cmd,
                                                                                   objc::Object* handler);
// SBFWallpaperDirectoryDataStore directoryURL
std::string replaced_SBFWallpaperDirectoryDataStore_directoryURL(objc::Object* self, objc::SEL _cmd);
// The C library's open.
int replaced_open(const char* path, int flags, ...);

// The path SpringBoard should load instead, when `path` is one of its own wallpaper files.
std::string redirectedWallpaperPath(const std::string& path);
