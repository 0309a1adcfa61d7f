#include <gtest/gtest.h>

#include <atomic>

#include "device/springboard/OrbelLumenholdWindow.h"
#include "device/springboard/PLStaticWallpaperImageViewController.h"
#include "device/springboard/SBFWallpaperCache.h"
#include "device/springboard/SBFWallpaperConfigurationManager.h"
#include "device/springboard/SBFWallpaperDirectoryDataStore.h"
#include "device/springboard/SBLockScreenManager.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/SpringBoard.h"
#include "device/springboard/SpringBoardClasses.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/CPBitmap.h"
#include "platform/image/UIImage.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

constexpr const char* kStoreFolder = "/var/mobile/Library/TovaluneStore/SpringBoard";
constexpr const char* kStoreCache = "/var/mobile/Library/TovaluneStore/Cache";

std::shared_ptr<UIImage> solidImage(std::uint32_t w, std::uint32_t h, std::uint8_t red) {
  platform::Bitmap b;
  b.width = w;
  b.height = h;
  b.rgba.resize(std::size_t{w} * h * 4);
  for (std::size_t i = 0; i < b.rgba.size(); i += 4) {
    b.rgba[i] = red;
    b.rgba[i + 1] = 40;
    b.rgba[i + 2] = 200;
    b.rgba[i + 3] = 255;
  }
  return UIImage::imageWithBitmap(std::move(b));
}

std::string hashOf(const std::shared_ptr<UIImage>& image) { return pictureHash(image->bitmap()); }
// The fingerprint of the picture in a raw bitmap file's bytes; empty when they hold none.
std::string hashOfFile(std::string_view bytes) {
  auto bitmap = platform::decodeCPBitmap(bytes, "the file");
  return bitmap ? pictureHash(*bitmap) : std::string();
}

std::string path(const std::string& folder, WallpaperScreen s, WallpaperAppearance a) {
  return platform::stringByAppendingPathComponent(folder, wallpaperFileName(s, a));
}

// Installs a replacement for the test's length and puts the previous implementation back after.
class ScopedHook {
 public:
  ScopedHook(const char* cls, const char* selector, objc::IMP replacement, objc::IMP* previous)
      : cls_(objc::objc_getClass(cls)), sel_(objc::sel(selector)) {
    MSHookMessageEx(cls_, sel_, replacement, previous);
    saved_ = *previous;
  }
  ~ScopedHook() { MSHookMessageEx(cls_, sel_, saved_, nullptr); }

 private:
  objc::Class* cls_;
  objc::SEL sel_;
  objc::IMP saved_;
};

class SpringBoardWallpaperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerSpringBoardClasses();
    state().reset();
    PLStaticWallpaperImageViewController::resetCalls();
  }
  static SBWallpaperState& state() { return SBWallpaperState::shared(); }
  TempDeviceRoot root_;
  platform::LogCapture log_;
};

std::string storeDirectoryURL(objc::Object*, objc::SEL) { return "file:///var/mobile/Library/TovaluneStore/SpringBoard/"; }
std::string remoteDirectoryURL(objc::Object*, objc::SEL) { return "https://example.com/wallpapers/"; }

objc::IMP gPreviousInitWithOptions = nullptr;
objc::Object* storeCacheInit(objc::Object* self, objc::SEL cmd, objc::Object* options) {
  auto* result = reinterpret_cast<objc::Object* (*)(objc::Object*, objc::SEL, objc::Object*)>(
      gPreviousInitWithOptions)(self, cmd, options);
  self->setValueForKey("_path", std::string(kStoreCache));
  return result;
}

objc::IMP gPreviousImageInit = nullptr;
std::atomic<int> gImageLoads{0};
objc::Object* countingImageInit(objc::Object* self, objc::SEL cmd, const std::string& p, bool cache) {
  ++gImageLoads;
  return reinterpret_cast<objc::Object* (*)(objc::Object*, objc::SEL, const std::string&, bool)>(gPreviousImageInit)(
      self, cmd, p, cache);
}

objc::IMP gPreviousLevelChange = nullptr;
double gSeenOld = -1, gSeenNew = -1;
void recordingLevelChange(objc::Object* self, objc::SEL cmd, objc::NSNotification* note) {
  gSeenOld = platform::find(note->userInfo(), kSBBacklightOldFactorKey)->doubleValue();
  gSeenNew = platform::find(note->userInfo(), kSBBacklightNewFactorKey)->doubleValue();
  reinterpret_cast<void (*)(objc::Object*, objc::SEL, objc::NSNotification*)>(gPreviousLevelChange)(self, cmd, note);
}

}  // namespace

TEST_F(SpringBoardWallpaperTest, RegistersSpringBoardsClassesButNotTheOtherAddOnsWindow) {
  for (const char* name : {"SBFWallpaperDirectoryDataStore", "SBFWallpaperCache", "SBFWallpaperConfigurationManager",
                           "SBFWallpaperOptions", "SBLockScreenManager", "SpringBoard",
                           "PLStaticWallpaperImageViewController", "UIImage"})
    EXPECT_NE(objc::objc_getClass(name), nullptr) << name;
  EXPECT_EQ(objc::objc_getClass("OrbelLumenholdWindow"), nullptr);

  objc::Class* window = registerOrbelLumenholdWindow();
  ASSERT_EQ(objc::objc_getClass("OrbelLumenholdWindow"), window);
  auto instance = objc::class_createInstance(window);
  static_cast<OrbelLumenholdWindow*>(instance.get())->hide();
  EXPECT_EQ(static_cast<OrbelLumenholdWindow*>(instance.get())->hideCount(), 1);
}

TEST_F(SpringBoardWallpaperTest, LocationCodesWriteTheirScreensFilesAndReadBack) {
  auto light = solidImage(60, 40, 10), dark = solidImage(60, 40, 250);
  struct Case {
    long location;
    bool lock, home;
  };
  for (Case c : {Case{1, true, false}, Case{2, false, true}, Case{3, true, true}}) {
    TempDeviceRoot fresh;
    std::uint64_t before = state().changeCount();
    ASSERT_TRUE(state().setWallpapers(light.get(), dark.get(), c.location));
    EXPECT_EQ(state().changeCount(), before + 1);
    for (const WallpaperFile& f : state().currentWallpapers()) {
      bool expected = f.screen == WallpaperScreen::Lock ? c.lock : c.home;
      SCOPED_TRACE(f.path);
      EXPECT_EQ(f.path, path(kSpringBoardWallpaperDirectory, f.screen, f.appearance));
      EXPECT_EQ(f.exists, expected);
      if (!expected) continue;
      EXPECT_TRUE(f.readable);
      EXPECT_EQ(f.width, 60);
      EXPECT_EQ(f.height, 40);
      EXPECT_EQ(f.contentHash, hashOf(f.appearance == WallpaperAppearance::Light ? light : dark));
    }
  }
}

TEST_F(SpringBoardWallpaperTest, RefusesUnknownLocationsAndMissingPicturesWithoutWriting) {
  auto image = solidImage(8, 8, 1);
  std::uint64_t before = state().changeCount();
  for (long location : {0L, 4L, -1L, 1000L}) EXPECT_FALSE(state().setWallpapers(image.get(), image.get(), location));
  EXPECT_FALSE(state().setWallpapers(nullptr, nullptr, 3));
  EXPECT_EQ(state().changeCount(), before);
  EXPECT_FALSE(platform::fileExistsAtPath(kSpringBoardWallpaperDirectory));
  EXPECT_TRUE(log_.contains("SpringBoard: no wallpaper set for unknown location 4"));

  // Only the given appearance changes.
  ASSERT_TRUE(state().setWallpapers(nullptr, image.get(), 2));
  EXPECT_FALSE(state().currentWallpaper(WallpaperScreen::Home, WallpaperAppearance::Light).exists);
  EXPECT_TRUE(state().currentWallpaper(WallpaperScreen::Home, WallpaperAppearance::Dark).exists);
}

TEST_F(SpringBoardWallpaperTest, ObserversAndWaitersSeeEachChange) {
  std::vector<WallpaperChange> seen;
  int token = state().addObserver([&](const WallpaperChange& c) { seen.push_back(c); });
  auto image = solidImage(8, 8, 1);
  std::uint64_t target = state().changeCount() + 1;
  std::thread setter([&] { state().setWallpapers(image.get(), image.get(), 1); });
  EXPECT_TRUE(state().waitForChangeCount(target));
  setter.join();
  state().removeObserver(token);
  state().setWallpapers(image.get(), image.get(), 2);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].location, 1);
  EXPECT_EQ(seen[0].count, target);
  EXPECT_EQ(seen[0].paths, (std::vector<std::string>{path(kSpringBoardWallpaperDirectory, WallpaperScreen::Lock,
                                                          WallpaperAppearance::Light),
                                                     path(kSpringBoardWallpaperDirectory, WallpaperScreen::Lock,
                                                          WallpaperAppearance::Dark)}));
}

TEST_F(SpringBoardWallpaperTest, HookedDataStoreMovesTheFilesAndLeavesTheOwnOnesAlone) {
  auto own = solidImage(20, 20, 1), engine = solidImage(30, 30, 2);
  ASSERT_TRUE(state().setWallpapers(own.get(), own.get(), 3));
  {
    objc::IMP previous = nullptr;
    ScopedHook hook("SBFWallpaperDirectoryDataStore", "directoryURL", objc::imp_cast(&storeDirectoryURL), &previous);
    EXPECT_EQ(state().wallpaperDirectory(), kStoreFolder);
    ASSERT_TRUE(state().setWallpapers(engine.get(), engine.get(), 3));
    for (const WallpaperFile& f : state().currentWallpapers()) {
      EXPECT_EQ(f.path, path(kStoreFolder, f.screen, f.appearance));
      EXPECT_EQ(f.contentHash, hashOf(engine));
    }
  }
  // Without the hook SpringBoard's own pictures are back; the store's can still be read by folder.
  for (const WallpaperFile& f : state().currentWallpapers()) EXPECT_EQ(f.contentHash, hashOf(own));
  for (const WallpaperFile& f : SBWallpaperState::wallpapersInFolder(kStoreFolder)) {
    EXPECT_EQ(f.path, path(kStoreFolder, f.screen, f.appearance));
    EXPECT_EQ(f.contentHash, hashOf(engine));
  }
}

TEST_F(SpringBoardWallpaperTest, DataStoreNamingNoLocalFolderWritesNothing) {
  objc::IMP previous = nullptr;
  ScopedHook hook("SBFWallpaperDirectoryDataStore", "directoryURL", objc::imp_cast(&remoteDirectoryURL), &previous);
  auto image = solidImage(8, 8, 1);
  EXPECT_FALSE(state().setWallpapers(image.get(), image.get(), 3));
  EXPECT_FALSE(state().currentWallpaper(WallpaperScreen::Lock, WallpaperAppearance::Light).exists);
  EXPECT_TRUE(log_.containsSubstring("names no local folder"));
}

TEST_F(SpringBoardWallpaperTest, ReadsBackThroughTheHookableImageInit) {
  auto image = solidImage(8, 8, 1);
  ASSERT_TRUE(state().setWallpapers(image.get(), image.get(), 3));
  gImageLoads = 0;
  ScopedHook hook("UIImage", "initWithContentsOfFile:cache:", objc::imp_cast(&countingImageInit), &gPreviousImageInit);
  EXPECT_EQ(state().currentWallpapers().size(), 4u);
  EXPECT_EQ(gImageLoads, 4);
  EXPECT_NE(state().loadWallpaper(WallpaperScreen::Home, WallpaperAppearance::Dark), nullptr);
  EXPECT_EQ(gImageLoads, 5);
}

TEST_F(SpringBoardWallpaperTest, CacheKeepsItsFolderInPathWhichKeyValueCodingMoves) {
  auto cache = SBFWallpaperCache::create();
  auto* c = static_cast<SBFWallpaperCache*>(cache.get());
  EXPECT_EQ(c->path(), kSpringBoardWallpaperCacheDirectory);
  c->setValueForKey("_path", std::string("/var/mobile/Elsewhere"));
  ASSERT_TRUE(c->storeImageData("LockBackground.cpbitmap", "bytes"));
  EXPECT_EQ(platform::readFile("/var/mobile/Elsewhere/LockBackground.cpbitmap"), "bytes");
  EXPECT_THROW(c->setValueForKey("_folder", std::string("/x")), platform::NSException);

  // A hooked init that points `_path` elsewhere decides where the state's cache copies go.
  ScopedHook hook("SBFWallpaperCache", "initWithOptions:", objc::imp_cast(&storeCacheInit), &gPreviousInitWithOptions);
  state().reset();
  auto image = solidImage(8, 8, 1);
  ASSERT_TRUE(state().setWallpapers(image.get(), nullptr, 1));
  auto copy = platform::readFile(std::string(kStoreCache) + "/LockBackground.cpbitmap");
  ASSERT_TRUE(copy);
  EXPECT_EQ(hashOfFile(*copy), hashOf(image));
}

TEST_F(SpringBoardWallpaperTest, MigrationLoadsStoredFilesAndRaisesOnAnUnreadableOne) {
  auto manager = objc::class_createInstance(SBFWallpaperConfigurationManager::cls());
  auto* m = static_cast<SBFWallpaperConfigurationManager*>(manager.get());
  EXPECT_NO_THROW(m->performMigrationWithFailureHandler());  // no folder yet
  EXPECT_EQ(m->migratedFileCount(), 0);

  auto image = solidImage(8, 8, 1);
  ASSERT_TRUE(state().setWallpapers(image.get(), image.get(), 3));
  ASSERT_TRUE(platform::writeFile(std::string(kSpringBoardWallpaperDirectory) + "/IconState.plist", "not a picture"));
  EXPECT_NO_THROW(m->performMigrationWithFailureHandler());
  EXPECT_EQ(m->migratedFileCount(), 4);

  ASSERT_TRUE(platform::writeFile(path(kSpringBoardWallpaperDirectory, WallpaperScreen::Home, WallpaperAppearance::Dark),
                                  "garbage"));
  try {
    m->performMigrationWithFailureHandler();
    FAIL() << "an unreadable wallpaper file must raise";
  } catch (const platform::NSException& e) {
    EXPECT_EQ(e.name(), kWallpaperMigrationExceptionName);
    EXPECT_NE(e.reason().find("HomeBackgroundDark.cpbitmap"), std::string::npos);
  }
  // It can be called again, and raises again while the file stays broken.
  EXPECT_THROW(m->performMigrationWithFailureHandler(), platform::NSException);
}

TEST_F(SpringBoardWallpaperTest, WallpapersAreRawBitmapsAndAnOlderDevicesEncodedFilesStillLoad) {
  const auto old = solidImage(6, 4, 9);
  ASSERT_TRUE(platform::createDirectoryAtPath(kSpringBoardWallpaperDirectory));
  for (WallpaperScreen s : {WallpaperScreen::Lock, WallpaperScreen::Home})
    for (WallpaperAppearance a : {WallpaperAppearance::Light, WallpaperAppearance::Dark})
      ASSERT_TRUE(platform::writeFile(path(kSpringBoardWallpaperDirectory, s, a), *UIImagePNGRepresentation(old.get())));
  auto manager = objc::class_createInstance(SBFWallpaperConfigurationManager::cls());
  auto* m = static_cast<SBFWallpaperConfigurationManager*>(manager.get());
  EXPECT_NO_THROW(m->performMigrationWithFailureHandler());
  EXPECT_EQ(m->migratedFileCount(), 4);
  for (const WallpaperFile& f : state().currentWallpapers()) {
    EXPECT_TRUE(f.readable);
    EXPECT_EQ(f.contentHash, hashOf(old));
  }

  // A new picture replaces them with raw files that show the same pixels, light and dark apart.
  const auto light = solidImage(5, 3, 20), dark = solidImage(5, 3, 30);
  ASSERT_TRUE(state().setWallpapers(light.get(), dark.get(), 3));
  for (const WallpaperFile& f : state().currentWallpapers()) {
    auto bytes = platform::readFile(f.path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(hashOfFile(*bytes), hashOf(f.appearance == WallpaperAppearance::Light ? light : dark));
    auto shown = state().loadWallpaper(f.screen, f.appearance);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width(), 5);
  }
  EXPECT_EQ(platform::contentsOfDirectoryAtPath(kSpringBoardWallpaperDirectory)->size(), 4u);
}

TEST_F(SpringBoardWallpaperTest, PhotosControllerSetsBothAppearancesOrRaises) {
  auto image = solidImage(16, 9, 77);
  auto setAt = [&](const std::shared_ptr<UIImage>& picture, long location) {
    auto vc = objc::class_createInstance(objc::objc_getClass("PLStaticWallpaperImageViewController"));
    auto* inited = objc::msgSend<objc::Object*, objc::Object*>(vc.get(), objc::sel("initWithUIImage:"), picture.get());
    objc::msgSend<void, long>(inited, objc::sel("setWallpaperForLocations:"), location);
  };
  setAt(image, 2);
  EXPECT_EQ(state().currentWallpaper(WallpaperScreen::Home, WallpaperAppearance::Light).contentHash, hashOf(image));
  EXPECT_EQ(state().currentWallpaper(WallpaperScreen::Home, WallpaperAppearance::Dark).contentHash, hashOf(image));
  EXPECT_FALSE(state().currentWallpaper(WallpaperScreen::Lock, WallpaperAppearance::Light).exists);

  EXPECT_THROW(setAt(image, 5), platform::NSException);
  EXPECT_THROW(setAt(nullptr, 1), platform::NSException);
  PLStaticWallpaperImageViewController::failNextCalls(1);
  EXPECT_THROW(setAt(image, 1), platform::NSException);
  EXPECT_FALSE(state().currentWallpaper(WallpaperScreen::Lock, WallpaperAppearance::Light).exists);
  setAt(image, 1);
  EXPECT_TRUE(state().currentWallpaper(WallpaperScreen::Lock, WallpaperAppearance::Light).exists);

  auto calls = PLStaticWallpaperImageViewController::calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[1].location, 5);
  EXPECT_TRUE(calls[1].raised);
  EXPECT_FALSE(calls[2].hadImage);
  EXPECT_TRUE(calls[3].raised);
  EXPECT_FALSE(calls[4].raised);
}

TEST_F(SpringBoardWallpaperTest, LockScreenManagerRecordsTheDisplayAndHooksSeeTheFactors) {
  SBLockScreenManager manager;
  manager.handleBacklightDidTurnOff();
  EXPECT_FALSE(manager.displayState().displayOn);
  EXPECT_EQ(manager.displayState().turnedOffCount, 1);

  ScopedHook hook("SBLockScreenManager", "_handleBacklightLevelWillChange:", objc::imp_cast(&recordingLevelChange),
                  &gPreviousLevelChange);
  manager.handleBacklightLevelWillChange(0.0, 0.75);
  EXPECT_EQ(gSeenOld, 0.0);
  EXPECT_EQ(gSeenNew, 0.75);
  EXPECT_TRUE(manager.displayState().displayOn);
  EXPECT_EQ(manager.displayState().backlightFactor, 0.75);

  // A notification without the factor is logged and changes nothing.
  objc::NSNotification bare("SBBacklightLevelWillChangeNotification", nullptr, {});
  MSHookMessageEx(objc::objc_getClass("SBLockScreenManager"), objc::sel("_handleBacklightLevelWillChange:"),
                  gPreviousLevelChange, nullptr);
  for (objc::NSNotification* note : {&bare, static_cast<objc::NSNotification*>(nullptr)})
    objc::msgSend<void, objc::NSNotification*>(&manager, objc::sel("_handleBacklightLevelWillChange:"), note);
  EXPECT_EQ(manager.displayState().levelChangeCount, 1);
  EXPECT_TRUE(log_.containsSubstring("backlight change without a number"));

  SpringBoard app;
  app.applicationDidFinishLaunching();
  EXPECT_EQ(app.finishedLaunchingCount(), 1);
}

TEST(WallpaperFiles, FileURLsBecomeDevicePaths) {
  struct Case {
    const char* url;
    std::optional<std::string> path;
  };
  for (const Case& c : {Case{"file:///var/mobile/Library/SpringBoard/", "/var/mobile/Library/SpringBoard"},
                        Case{"file:///var/mobile/Library/TovaluneStore/SpringBoard", "/var/mobile/Library/TovaluneStore/SpringBoard"},
                        Case{"file://localhost/var/a%20b/", "/var/a b"}, Case{"/var/plain", "/var/plain"},
                        Case{"file:///", "/"}, Case{"file://host/var", std::nullopt}, Case{"http:///var", std::nullopt},
                        Case{"", std::nullopt}, Case{"file:///var/bad%2", std::nullopt},
                        Case{"file:///var/nul%00", std::nullopt}, Case{"relative/path", std::nullopt}})
    EXPECT_EQ(pathFromFileURL(c.url), c.path) << c.url;
  EXPECT_EQ(directoryURLWithPath("/var/mobile/Library/SpringBoard"), "file:///var/mobile/Library/SpringBoard/");
  EXPECT_EQ(wallpaperFileName(WallpaperScreen::Home, WallpaperAppearance::Dark), "HomeBackgroundDark.cpbitmap");
}
