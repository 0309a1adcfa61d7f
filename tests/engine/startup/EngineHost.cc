// A stand-in SpringBoard for start-up tests: defines SpringBoard's classes, loads the engine as the
// loader would, and reports what start-up did. The test chooses the name it runs under (argv[0]).
#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "device/springboard/OrbelLumenholdWindow.h"
#include "device/springboard/SpringBoardClasses.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/runtime/Runtime.h"

namespace {

const std::pair<const char*, const char*> kHooked[] = {
    {"SBFWallpaperCache", "initWithOptions:"},
    {"UIImage", "initWithContentsOfFile:cache:"},
    {"SBFWallpaperConfigurationManager", "performMigrationWithFailureHandler:"},
    {"SBFWallpaperDirectoryDataStore", "directoryURL"},
    {"SBLockScreenManager", "_handleBacklightDidTurnOff:"},
    {"SBLockScreenManager", "_handleBacklightLevelWillChange:"},
    {"OrbelLumenholdWindow", "hide"},
    {"SpringBoard", "applicationDidFinishLaunching:"},
};

std::map<std::string, objc::IMP> originals;

objc::IMP currentIMP(const char* cls, const char* sel) {
  objc::Class* c = objc::objc_getClass(cls);
  return c ? c->lookup(objc::sel(sel)) : nullptr;
}

int hooksInstalled() {
  int n = 0;
  for (const auto& [cls, sel] : kHooked)
    if (currentIMP(cls, sel) != originals[std::string(cls) + " " + sel]) ++n;
  return n;
}

int hooksSeenByCompanion = -1;

}  // namespace

// Called by the companion probe library from its initialiser.
extern "C" __attribute__((visibility("default"))) void TovaluneTestCompanionLoaded() {
  hooksSeenByCompanion = hooksInstalled();
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string engine = argv[1];
  const bool withAddOn = argc > 2 && std::strcmp(argv[2], "--lumenhold") == 0;
  registerSpringBoardClasses();
  if (withAddOn) registerOrbelLumenholdWindow();
  for (const auto& [cls, sel] : kHooked) originals[std::string(cls) + " " + sel] = currentIMP(cls, sel);

  void* handle = ::dlopen(engine.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!handle) {
    std::printf("error=%s\n", ::dlerror());
    return 1;
  }
  auto** lock = static_cast<void**>(::dlsym(handle, "wallpaperLock"));
  auto** setImages = static_cast<void**>(::dlsym(handle, "_SBSUIWallpaperSetImages"));
  std::printf("lock=%d\n", lock && *lock ? 1 : 0);
  std::printf("uiservices=%d\n", setImages && *setImages ? 1 : 0);
  for (const auto& [cls, sel] : kHooked)
    std::printf("hooked %s %s=%d\n", cls, sel, currentIMP(cls, sel) != originals[std::string(cls) + " " + sel] ? 1 : 0);
  std::printf("companion=%d\n", hooksSeenByCompanion);
  // The open hook: SpringBoard's own wallpaper file is refused even when it exists.
  std::string own = platform::hostPath("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap");
  errno = EDOM;
  int fd = ::open(own.c_str(), O_RDONLY);
  std::printf("openRefused=%d\n", fd < 0 ? 1 : 0);
  std::printf("openKeptErrno=%d\n", fd < 0 && errno == EDOM ? 1 : 0);
  // The diagnostics are found by their own names, as the wallpaper functions are.
  for (const char* name : {"nameForSymbol", "symbolicatedStackSymbols", "symbolicatedCallStack", "PrintCallStack",
                           "setWallpaperImage", "setLightAndDarkWallpaperImages"})
    std::printf("exported %s=%d\n", name, ::dlsym(handle, name) ? 1 : 0);
  if (fd >= 0) ::close(fd);
  return 0;
}
