#include "engine/startup/EngineStartup.h"

#include <dlfcn.h>
#include <fcntl.h>

#include "engine/refresh/RefreshCycle.h"
#include "engine/wallpaper/FirstRunNotice.h"
#include "engine/wallpaper/WallpaperApplication.h"
#include "engine/wallpaper/WallpaperStoreRedirection.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSProcessInfo.h"
#include "platform/runtime/Runtime.h"
#include "platform/substrate/MSHookFunction.h"
#include "platform/symbolication/DynamicLoader.h"
#include "shared/InstallPrefix.h"

namespace {

bool runningInSpringBoard() {
  std::vector<std::string> arguments = platform::processArguments();
  return !arguments.empty() && platform::lastPathComponent(arguments.front()) == "SpringBoard";
}

void loadCompanionLibrary() {
  try {
    // Loaded before any hook, so it sees SpringBoard as it is; its handle is not kept.
    const std::string companion = installedPath(kCompanionLibraryPath);
    if (platform::fileExistsAtPath(companion)) platform::dlopen(companion, RTLD_NOW);
  } catch (const platform::NSException&) {
  }
}

void bindSpringBoardUIServices() {
  if (!platform::isOperatingSystemAtLeastVersion(13, 0, 0)) return;
  void* handle = platform::dlopen(kSpringBoardUIServicesLibraryPath, RTLD_NOW);
  // dlsym with a null handle would search the whole process; without the library there is nothing.
  if (!handle) return;
  _SBSUIWallpaperSetImages = reinterpret_cast<SBSUIWallpaperSetImagesPointer>(::dlsym(handle, "SBSUIWallpaperSetImages"));
}

template <typename Replacement>
void hook(objc::Class* cls, const char* selector, Replacement* replacement, objc::IMP* previous) {
  MSHookMessageEx(cls, objc::sel(selector), objc::imp_cast(replacement), previous);
}

}  // namespace

void TovaluneEngineStartup() {
  if (!runningInSpringBoard()) return;
  createWallpaperLock();
  loadCompanionLibrary();
  bindSpringBoardUIServices();

  hook(objc::objc_getClass("SBFWallpaperCache"), "initWithOptions:", &replaced_SBFWallpaperCache_initWithOptions,
       &orig_SBFWallpaperCache_initWithOptions);
  hook(objc::objc_getClass("UIImage"), "initWithContentsOfFile:cache:", &replaced_UIImage_initWithContentsOfFileCache,
       &orig_UIImage_initWithContentsOfFileCache);
  hook(objc::objc_getClass("SBFWallpaperConfigurationManager"), "performMigrationWithFailureHandler:",
       &replaced_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler,
       &orig_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler);
  hook(objc::objc_getClass("SBFWallpaperDirectoryDataStore"), "directoryURL",
       &replaced_SBFWallpaperDirectoryDataStore_directoryURL, &orig_SBFWallpaperDirectoryDataStore_directoryURL);
  objc::Class* lockScreenManager = objc::objc_getClass("SBLockScreenManager");
  hook(lockScreenManager, "_handleBacklightDidTurnOff:", &replaced_SBLockScreenManager_handleBacklightDidTurnOff,
       &orig_SBLockScreenManager_handleBacklightDidTurnOff);
  hook(lockScreenManager, "_handleBacklightLevelWillChange:",
       &replaced_SBLockScreenManager_handleBacklightLevelWillChange,
       &orig_SBLockScreenManager_handleBacklightLevelWillChange);
  hook(objc::objc_getClass("OrbelLumenholdWindow"), "hide", &replaced_OrbelLumenholdWindow_hide,
       &orig_OrbelLumenholdWindow_hide);
  hook(objc::objc_getClass("SpringBoard"), "applicationDidFinishLaunching:",
       &replaced_SpringBoard_applicationDidFinishLaunching, &orig_SpringBoard_applicationDidFinishLaunching);
  MSHookFunction(reinterpret_cast<void*>(&::open), reinterpret_cast<void*>(&replaced_open),
                 reinterpret_cast<void**>(&orig_open));
}

__attribute__((constructor)) static void TovaluneInitialize() { TovaluneEngineStartup(); }
