// SpringBoard's wallpaper storage pointed into the engine's store, its own files refused, and the
// first-run notice, with the hooks on the simulated SpringBoard's own classes in this process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "device/springboard/SpringBoard.h"
#include "device/springboard/SpringBoardClasses.h"
#include "engine/wallpaper/FirstRunNotice.h"
#include "engine/wallpaper/WallpaperStoreRedirection.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/ImageCodec.h"
#include "platform/image/UIImage.h"
#include "platform/substrate/MSHookFunction.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UIWindow.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

void installOnce() {
  static bool done = [] {
    registerSpringBoardClasses();
    auto hook = [](const char* cls, const char* sel, auto* replacement, objc::IMP* previous) {
      MSHookMessageEx(objc::objc_getClass(cls), objc::sel(sel), objc::imp_cast(replacement), previous);
    };
    hook("SBFWallpaperCache", "initWithOptions:", &replaced_SBFWallpaperCache_initWithOptions,
         &orig_SBFWallpaperCache_initWithOptions);
    hook("UIImage", "initWithContentsOfFile:cache:", &replaced_UIImage_initWithContentsOfFileCache,
         &orig_UIImage_initWithContentsOfFileCache);
    hook("SBFWallpaperConfigurationManager", "performMigrationWithFailureHandler:",
         &replaced_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler,
         &orig_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler);
    hook("SBFWallpaperDirectoryDataStore", "directoryURL", &replaced_SBFWallpaperDirectoryDataStore_directoryURL,
         &orig_SBFWallpaperDirectoryDataStore_directoryURL);
    hook("SpringBoard", "applicationDidFinishLaunching:", &replaced_SpringBoard_applicationDidFinishLaunching,
         &orig_SpringBoard_applicationDidFinishLaunching);
    MSHookFunction(reinterpret_cast<void*>(&::open), reinterpret_cast<void*>(&replaced_open),
                   reinterpret_cast<void**>(&orig_open));
    return true;
  }();
  (void)done;
}

std::string picture(int width) {
  platform::Bitmap b;
  b.width = width;
  b.height = 3;
  b.rgba.assign(static_cast<std::size_t>(width) * 3 * 4, 128);
  return *platform::encodePNG(b);
}

class Redirection : public ::testing::Test {
 protected:
  Redirection() { installOnce(); }
  void put(const std::string& path, int width) {
    platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(path));
    // Written with the system call itself, behind the open hook's back: the test plays the user's
    // earlier SpringBoard, before the engine was installed.
    std::string bytes = picture(width);
    int fd = static_cast<int>(::syscall(SYS_openat, AT_FDCWD, platform::hostPath(path).c_str(),
                                        O_WRONLY | O_CREAT | O_TRUNC, 0644));
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
  }
  double loadedWidth(const std::string& path) {
    auto image = UIImage::alloc();
    UIImage* loaded = image->initWithContentsOfFileCache(path, true);
    return loaded ? loaded->width() : 0;
  }
  TempDeviceRoot root;
  platform::LogCapture log;
};

TEST_F(Redirection, SpringBoardWallpaperFilesLoadFromTheStore) {
  put("/var/mobile/Library/TovaluneStore/SpringBoard/LockBackground.cpbitmap", 5);
  put("/var/mobile/Library/TovaluneStore/SpringBoard/HomeBackgroundDark.cpbitmap", 6);
  put("/var/mobile/Library/SpringBoard/Icons.png", 9);
  put("/elsewhere/LockBackground.cpbitmap", 11);
  EXPECT_EQ(loadedWidth("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap"), 5);
  EXPECT_EQ(loadedWidth("/var/mobile/Library/SpringBoard/Sub/Folder/HomeBackgroundDark.cpbitmap"), 6);
  EXPECT_EQ(loadedWidth("/var/mobile/Library/SpringBoard/Icons.png"), 9);
  EXPECT_EQ(loadedWidth("/elsewhere/LockBackground.cpbitmap"), 11);
  // Case matters, and a path that only contains SpringBoard's folder is not rewritten.
  EXPECT_EQ(redirectedWallpaperPath("/var/mobile/Library/SpringBoard/lockbackground.cpbitmap"),
            "/var/mobile/Library/SpringBoard/lockbackground.cpbitmap");
  EXPECT_EQ(redirectedWallpaperPath("/private/var/mobile/Library/SpringBoard/LockBackground.cpbitmap"),
            "/private/var/mobile/Library/SpringBoard/LockBackground.cpbitmap");
}

TEST_F(Redirection, DirectoryAndCacheLiveInTheStore) {
  auto store = objc::class_createInstance(objc::objc_getClass("SBFWallpaperDirectoryDataStore"));
  EXPECT_EQ((objc::msgSend<std::string>(store.get(), objc::sel("directoryURL"))),
            "file:///var/mobile/Library/TovaluneStore/SpringBoard");
  auto cache = objc::class_createInstance(objc::objc_getClass("SBFWallpaperCache"));
  objc::Object* result = objc::msgSend<objc::Object*, objc::Object*>(cache.get(), objc::sel("initWithOptions:"), nullptr);
  EXPECT_EQ(result, cache.get());
  EXPECT_EQ(std::any_cast<std::string>(cache->valueForKey("_path")), "/var/mobile/Library/TovaluneStore/Cache");
}

TEST_F(Redirection, OpenRefusesSpringBoardsOwnWallpaperFilesOnly) {
  put("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap", 4);
  const std::string own = platform::hostPath("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap");
  errno = 4242;
  EXPECT_EQ(::open(own.c_str(), O_RDONLY), -1);
  EXPECT_EQ(errno, 4242);
  EXPECT_TRUE(log.contains(fmt::format("[Tovalune] Blocking opening file: {}", own)));
  // The device root is a prefix folder: the path is refused wherever it is reached from.
  EXPECT_EQ(::open(own.c_str(), O_WRONLY | O_CREAT, 0600), -1);
  EXPECT_FALSE(platform::readFile("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap"));

  const std::string other = platform::hostPath("/var/mobile/Library/SpringBoard/IconState.plist");
  int fd = ::open(other.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  ::close(fd);
  struct stat st {};
  ASSERT_EQ(::stat(other.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  fd = ::open(other.c_str(), O_RDONLY);
  EXPECT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(log.count(fmt::format("[Tovalune] Blocking opening file: {}", other)), 0u);
}

TEST_F(Redirection, CorruptStoreIsClearedOnceAndMigrationRetried) {
  put("/var/mobile/Library/TovaluneStore/Cache/blob", 3);
  platform::createDirectoryAtPath(kStoreSpringBoardPath);
  platform::writeFile(std::string(kStoreSpringBoardPath) + "/LockBackground.cpbitmap", "corrupt bytes");
  put("/var/mobile/Library/TovaluneStore/kept.png", 3);
  auto manager = objc::class_createInstance(objc::objc_getClass("SBFWallpaperConfigurationManager"));
  EXPECT_NO_THROW((objc::msgSend<void, objc::Object*>(manager.get(), objc::sel("performMigrationWithFailureHandler:"),
                                                      nullptr)));
  EXPECT_TRUE(log.contains(
      "[Tovalune] Failed to load cached files. Possible corruption detected. Clearing Tovalune caches..."));
  EXPECT_TRUE(log.containsSubstring("[Tovalune] "));
  EXPECT_TRUE(platform::contentsOfDirectoryAtPath(kStoreSpringBoardPath)->empty());
  EXPECT_TRUE(platform::contentsOfDirectoryAtPath(kStoreCachePath)->empty());
  EXPECT_TRUE(platform::fileExistsAtPath("/var/mobile/Library/TovaluneStore/kept.png"));
}

int migrationCalls = 0;
void alwaysFailingMigration(objc::Object*, objc::SEL, objc::Object*) {
  ++migrationCalls;
  platform::raise("SBFWallpaperMigrationException", "unreadable wallpaper");
}

TEST_F(Redirection, SecondFailureReachesSpringBoard) {
  objc::IMP saved = orig_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler;
  orig_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler = objc::imp_cast(&alwaysFailingMigration);
  put("/var/mobile/Library/TovaluneStore/Cache/blob", 3);
  migrationCalls = 0;
  auto manager = objc::class_createInstance(objc::objc_getClass("SBFWallpaperConfigurationManager"));
  EXPECT_THROW((objc::msgSend<void, objc::Object*>(manager.get(), objc::sel("performMigrationWithFailureHandler:"),
                                                   nullptr)),
               platform::NSException);
  orig_SBFWallpaperConfigurationManager_performMigrationWithFailureHandler = saved;
  EXPECT_EQ(migrationCalls, 2);
  EXPECT_EQ(log.count("[Tovalune] Failed to load cached files. Possible corruption detected. Clearing Tovalune caches..."),
            1u);
  EXPECT_TRUE(log.containsSubstring("[Tovalune] unreadable wallpaper | ("));
  EXPECT_TRUE(platform::contentsOfDirectoryAtPath(kStoreCachePath)->empty());
}

class FirstRunNotice : public Redirection {
 protected:
  std::shared_ptr<UIAlertController> shownAlert() {
    for (const auto& window : platform::visibleWindowsTopFirst())
      if (auto root = window->rootViewController())
        if (auto alert = std::dynamic_pointer_cast<UIAlertController>(root->presentedViewController())) return alert;
    return nullptr;
  }
  void launch() {
    objc::msgSend<void, objc::Object*>(SpringBoard::sharedApplication().get(),
                                       objc::sel("applicationDidFinishLaunching:"), SpringBoard::sharedApplication().get());
  }
};

TEST_F(FirstRunNotice, ShownOnceRecordedBeforeAndDismissedByOK) {
  launch();
  auto alert = shownAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "Welcome to Tovalune");
  EXPECT_EQ(alert->message(),
            "You may have noticed your wallpapers have changed.\n"
            "For the smoothest and best experience, Tovalune handles all wallpapers whilst it is installed.\n"
            "This is to prevent any changes to files that may persist whilst your jailbreak is disabled/removed.\n"
            "\n"
            "To get back your old wallpapers, simply remove Tovalune or boot into a non-jailbroken state.");
  ASSERT_EQ(alert->actions().size(), 1u);
  EXPECT_EQ(TovalunePreferencesManager::getPrefForKey("Version")->intValue(), 1);
  auto window = platform::visibleWindowsTopFirst().front();
  EXPECT_EQ(window->windowLevel(), UIWindowLevelAlert + 1.0);
  alert.reset();
  window.reset();
  EXPECT_TRUE(platform::tapControlWithTitle("OK"));
  EXPECT_FALSE(shownAlert());
  launch();
  EXPECT_FALSE(shownAlert());
}

TEST_F(FirstRunNotice, VersionZeroOrAnUnreadableFileShowsItAgain) {
  TovalunePreferencesManager::savePrefs({{"Version", 0}, {"ImageMode", 5}});
  launch();
  EXPECT_TRUE(shownAlert());
  EXPECT_TRUE(platform::tapControlWithTitle("OK"));
  EXPECT_EQ(TovalunePreferencesManager::getPrefs(), (platform::Dictionary{{"Version", 1}, {"ImageMode", 5}}));

  platform::writeFile(TovalunePreferencesManager::kPreferencesPath, "garbage");
  launch();
  EXPECT_TRUE(shownAlert());
  EXPECT_TRUE(platform::tapControlWithTitle("OK"));
  EXPECT_EQ(TovalunePreferencesManager::getPrefs(), (platform::Dictionary{{"Version", 1}}));
}

}  // namespace
