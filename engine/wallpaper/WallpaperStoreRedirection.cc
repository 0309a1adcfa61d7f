#include "engine/wallpaper/WallpaperStoreRedirection.h"

#include <cerrno>
#include <fcntl.h>

#include <cstdarg>
#include <string_view>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/substrate/MSHookFunction.h"
#include "shared/ImageFolders.h"

objc::IMP orig_SBFWallpaperCache_initWithOptions = nullptr;
objc::IMP orig_UIImage_initWithContentsOfFileCache = nullptr;
objc::IMP orig_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler = nullptr;
objc::IMP orig_SBFWallpaperDirectoryDataStore_directoryURL = nullptr;
int (*orig_open)(const char* path, int flags, ...) = nullptr;

namespace {

// NSArray's description: one element per line, indented, in parentheses.
std::string arrayDescription(const std::vector<std::string>& lines) {
  std::string out = "(\n";
  for (std::size_t i = 0; i < lines.size(); ++i) out += fmt::format("    \"{}\"{}\n", lines[i], i + 1 < lines.size() ? "," : "");
  return out + ")";
}

void emptyFolder(const std::string& folder) {
  for (const std::string& name : platform::contentsOfDirectoryAtPath(folder).value_or(std::vector<std::string>{}))
    platform::removeItemAtPath(platform::stringByAppendingPathComponent(folder, name));
}

void callMigration(objc::Object* self, objc::SEL _cmd, objc::Object* handler) {
  objc::callPrevious<void, objc::Object*>(orig_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler,
                                          self, _cmd, handler);
}

}  // namespace

objc::Object* replaced_SBFWallpaperCache_initWithOptions(objc::Object* self, objc::SEL _cmd, objc::Object* options) {
  objc::Object* result =
      objc::callPrevious<objc::Object*, objc::Object*>(orig_SBFWallpaperCache_initWithOptions, self, _cmd, options);
  self->setValueForKey("_path", std::string(kStoreCachePath));
  return result;
}

std::string redirectedWallpaperPath(const std::string& path) {
  if (path.rfind(kSpringBoardPath, 0) == 0 && path.find("Background") != std::string::npos)
    return platform::stringByAppendingPathComponent(kStoreSpringBoardPath, platform::lastPathComponent(path));
  return path;
}

objc::Object* replaced_UIImage_initWithContentsOfFileCache(objc::Object* self, objc::SEL _cmd, const std::string& path,
                                                           bool cache) {
  return objc::callPrevious<objc::Object*, const std::string&, bool>(orig_UIImage_initWithContentsOfFileCache, self,
                                                                     _cmd, redirectedWallpaperPath(path), cache);
}

void replaced_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler(objc::Object* self, objc::SEL _cmd,
                                                                                   objc::Object* handler) {
  try {
    callMigration(self, _cmd, handler);
    return;
  } catch (const platform::NSException& exception) {
    NSLog("[Tovalune] Failed to load cached files. Possible corruption detected. Clearing Tovalune caches...");
    NSLog("[Tovalune] {} | {}", exception.description(), arrayDescription(exception.callStackSymbols()));
  }
  emptyFolder(kStoreSpringBoardPath);
  emptyFolder(kStoreCachePath);
  callMigration(self, _cmd, handler);
}

std::string replaced_SBFWallpaperDirectoryDataStore_directoryURL(objc::Object*, objc::SEL) {
  return std::string("file://") + kStoreSpringBoardPath;
}

int replaced_open(const char* path, int flags, ...) {
  // Every open of SpringBoard goes through here: string_view's search is the cheaper of the two.
  const std::string_view p = path ? std::string_view(path) : std::string_view();
  if (path && p.find(kSpringBoardPath) != std::string_view::npos && p.find("Background") != std::string_view::npos) {
    // The caller sees the refusal as -1 alone, with errno as it was: the log line must not leave
    // whatever its own writes set behind.
    const int callersErrno = errno;
    NSLog("[Tovalune] Blocking opening file: {}", path);
    errno = callersErrno;
    return -1;
  }
  mode_t mode = 0;
  if (platform::openTakesMode(flags)) {
    va_list args;
    va_start(args, flags);
    mode = static_cast<mode_t>(va_arg(args, int));
    va_end(args);
  }
  return orig_open(path, flags, mode);
}
