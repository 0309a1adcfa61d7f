#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "device/springboard/PLStaticWallpaperImageViewController.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/SpringBoardClasses.h"
#include "device/uiservices/SBSUIWallpaper.h"
#include "device/uiservices/SpringBoardUIServicesInstall.h"
#include "engine/wallpaper/WallpaperApplication.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/image/UIImage.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

std::shared_ptr<UIImage> solidImage(std::uint32_t size, std::uint8_t red) {
  platform::Bitmap b;
  b.width = size;
  b.height = size;
  b.rgba.assign(std::size_t{size} * size * 4, 255);
  for (std::size_t i = 0; i < b.rgba.size(); i += 4) {
    b.rgba[i] = red;
    b.rgba[i + 1] = static_cast<std::uint8_t>(i / 4 % 251);  // not flat, so encoding takes a while
  }
  return UIImage::imageWithBitmap(std::move(b));
}

std::string hashOf(const std::shared_ptr<UIImage>& image) { return pictureHash(image->bitmap()); }

// What the library saw inside a call, taken while the call ran.
struct Inside {
  bool lockHeld = false;
  bool background = false;
  std::thread::id thread;
};

// A SpringBoard process of the given iOS version: its classes, a fresh wallpaper state, and, from
// iOS 13 on, SpringBoardUIServices installed in the device root and opened from there.
class WallpaperApplicationTest : public ::testing::Test {
 protected:
  void boot(const std::string& iosVersion, bool bind) {
    platform::DeviceSettings s = platform::deviceSettings();
    s.iosVersion = iosVersion;
    ASSERT_TRUE(platform::saveDeviceSettings(s));
    registerSpringBoardClasses();
    SBWallpaperState::shared().reset();
    PLStaticWallpaperImageViewController::resetCalls();
    createWallpaperLock();
    _SBSUIWallpaperSetImages = nullptr;
    if (!bind) return;
    std::string library = installSpringBoardUIServices() ? platform::hostPath(kSpringBoardUIServicesPath)
                                                         : builtSpringBoardUIServicesPath();
    handle_ = dlopen(library.c_str(), RTLD_NOW);
    ASSERT_NE(handle_, nullptr) << dlerror();
    _SBSUIWallpaperSetImages = reinterpret_cast<SBSUIWallpaperSetImagesPointer>(dlsym(handle_, "SBSUIWallpaperSetImages"));
    copyCalls_ = reinterpret_cast<SBSUIWallpaperCopyCallsFunction>(dlsym(handle_, "SBSUIWallpaperCopyCalls"));
    maxConcurrent_ = reinterpret_cast<SBSUIWallpaperMaxConcurrentCallsFunction>(dlsym(handle_, "SBSUIWallpaperMaxConcurrentCalls"));
    auto setObserver = reinterpret_cast<SBSUIWallpaperSetCallObserverFunction>(dlsym(handle_, "SBSUIWallpaperSetCallObserver"));
    reinterpret_cast<SBSUIWallpaperResetCallsFunction>(dlsym(handle_, "SBSUIWallpaperResetCalls"))();
    ASSERT_TRUE(_SBSUIWallpaperSetImages && copyCalls_ && maxConcurrent_ && setObserver);
    SBSUIWallpaperCallObserver observer = [this](const SBSUIWallpaperCall&) {
      std::lock_guard lock(insideMu_);
      inside_.push_back({wallpaperLock->isHeld(), platform::isBackgroundThread(), std::this_thread::get_id()});
    };
    setObserver(&observer);
  }

  void TearDown() override {
    EXPECT_TRUE(platform::waitUntilQueuesIdle());
    _SBSUIWallpaperSetImages = nullptr;
    if (handle_) dlclose(handle_);
  }

  std::vector<SBSUIWallpaperCall> calls() {
    std::vector<SBSUIWallpaperCall> out;
    if (copyCalls_) copyCalls_(&out);
    return out;
  }
  std::vector<Inside> inside() {
    std::lock_guard lock(insideMu_);
    return inside_;
  }
  WallpaperFile file(WallpaperScreen s, WallpaperAppearance a) { return SBWallpaperState::shared().currentWallpaper(s, a); }
  bool anyWallpaperFile() {
    for (const WallpaperFile& f : SBWallpaperState::shared().currentWallpapers())
      if (f.exists) return true;
    return false;
  }

  TempDeviceRoot root_;
  void* handle_ = nullptr;
  SBSUIWallpaperCopyCallsFunction copyCalls_ = nullptr;
  SBSUIWallpaperMaxConcurrentCallsFunction maxConcurrent_ = nullptr;
  std::mutex insideMu_;
  std::vector<Inside> inside_;
};

}  // namespace

TEST_F(WallpaperApplicationTest, IOS12AppliesThroughPhotosControllerOnTheCallingThread) {
  boot("12.4", false);
  EXPECT_FALSE(platform::fileExistsAtPath(kSpringBoardUIServicesPath));
  auto image = solidImage(32, 90);
  applyToLocation(image, LocationHomeScreen);

  // Synchronous: the files are there on return, without waiting for any queue.
  EXPECT_EQ(file(WallpaperScreen::Home, WallpaperAppearance::Light).contentHash, hashOf(image));
  EXPECT_EQ(file(WallpaperScreen::Home, WallpaperAppearance::Dark).contentHash, hashOf(image));
  EXPECT_FALSE(file(WallpaperScreen::Lock, WallpaperAppearance::Light).exists);
  auto photosCalls = PLStaticWallpaperImageViewController::calls();
  ASSERT_EQ(photosCalls.size(), 1u);
  EXPECT_EQ(photosCalls[0].location, LocationHomeScreen);
  EXPECT_EQ(photosCalls[0].thread, std::this_thread::get_id());
  EXPECT_FALSE(wallpaperLock->isHeld());
}

TEST_F(WallpaperApplicationTest, BeforeIOS13LightAndDarkDoesNothingEvenWithTheFunctionBound) {
  boot("12.5", true);  // bound from the build tree: the device itself has no such library
  auto image = solidImage(16, 1);
  setLightAndDarkWallpaperImages(image, image, LocationBoth);
  setWallpaperImage(image, LocationBoth);
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  EXPECT_TRUE(calls().empty());
  EXPECT_FALSE(anyWallpaperFile());
}

TEST_F(WallpaperApplicationTest, IOS13SendsOneExactCallOnABackgroundThreadUnderTheLock) {
  boot("13.0", true);
  auto image = solidImage(24, 200);
  applyToLocation(image, LocationBoth);
  ASSERT_TRUE(platform::waitUntilQueuesIdle());

  auto received = calls();
  ASSERT_EQ(received.size(), 1u);
  const SBSUIWallpaperCall& call = received[0];
  EXPECT_EQ(call.imageKeys, (std::vector<std::string>{"dark", "light"}));
  EXPECT_EQ(call.optionKeys, (std::vector<std::string>{"dark", "light"}));
  EXPECT_EQ(call.lightImage.lock(), image);
  EXPECT_EQ(call.darkImage.lock(), image);
  EXPECT_EQ(call.lightMode, 1);
  EXPECT_EQ(call.darkMode, 2);
  EXPECT_EQ(call.location, 3);
  EXPECT_EQ(call.flags, 2);
  ASSERT_EQ(inside().size(), 1u);
  EXPECT_TRUE(inside()[0].lockHeld);
  EXPECT_TRUE(inside()[0].background);
  EXPECT_NE(inside()[0].thread, std::this_thread::get_id());
  EXPECT_FALSE(wallpaperLock->isHeld());
  EXPECT_TRUE(PLStaticWallpaperImageViewController::calls().empty());
  for (const WallpaperFile& f : SBWallpaperState::shared().currentWallpapers()) EXPECT_EQ(f.contentHash, hashOf(image));
}

TEST_F(WallpaperApplicationTest, LightAndDarkPicturesReachTheirOwnVariants) {
  boot("15.1", true);
  auto light = solidImage(16, 10), dark = solidImage(16, 240);
  setLightAndDarkWallpaperImages(light, dark, LocationLockScreen);
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  EXPECT_EQ(file(WallpaperScreen::Lock, WallpaperAppearance::Light).contentHash, hashOf(light));
  EXPECT_EQ(file(WallpaperScreen::Lock, WallpaperAppearance::Dark).contentHash, hashOf(dark));
  EXPECT_FALSE(file(WallpaperScreen::Home, WallpaperAppearance::Light).exists);
}

TEST_F(WallpaperApplicationTest, ConcurrentApplicationsNeverOverlapInsideTheLibrary) {
  boot("13.0", true);
  std::vector<std::shared_ptr<UIImage>> images;
  for (int i = 0; i < 8; ++i) images.push_back(solidImage(160, static_cast<std::uint8_t>(i * 30)));
  std::vector<std::thread> callers;
  for (int t = 0; t < 2; ++t)
    callers.emplace_back([&, t] {
      for (int i = t; i < 8; i += 2) setLightAndDarkWallpaperImages(images[i], images[i], 1 + i % 3);
    });
  for (auto& c : callers) c.join();
  ASSERT_TRUE(platform::waitUntilQueuesIdle());

  EXPECT_EQ(calls().size(), 8u);
  EXPECT_EQ(maxConcurrent_(), 1);
  for (const Inside& in : inside()) EXPECT_TRUE(in.lockHeld);
}

TEST_F(WallpaperApplicationTest, MissingPictureSubmitsNothing) {
  boot("13.0", true);
  setWallpaperImage(nullptr, LocationBoth);
  setLightAndDarkWallpaperImages(solidImage(8, 1), nullptr, LocationBoth);
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  EXPECT_TRUE(calls().empty());
  EXPECT_FALSE(anyWallpaperFile());
}

TEST_F(WallpaperApplicationTest, LocationOutsideOneToThreeReachesThePlatformUnchanged) {
  boot("13.0", true);
  auto image = solidImage(8, 1);
  applyToLocation(image, 5);
  setWallpaperImage(image, 0);
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  auto received = calls();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].location + received[1].location, 5) << "one call with 5, one with 0";
  EXPECT_FALSE(anyWallpaperFile());

  // The fallback hands it on unchanged too; the controller's exception goes no further.
  _SBSUIWallpaperSetImages = nullptr;
  EXPECT_NO_THROW(applyToLocation(image, 7));
  auto photosCalls = PLStaticWallpaperImageViewController::calls();
  ASSERT_EQ(photosCalls.size(), 1u);
  EXPECT_EQ(photosCalls[0].location, 7);
  EXPECT_TRUE(photosCalls[0].raised);
}

TEST_F(WallpaperApplicationTest, UnboundFunctionFallsBackAndSwallowsTheControllersException) {
  boot("14.0", false);
  auto image = solidImage(8, 1);
  PLStaticWallpaperImageViewController::failNextCalls(1);
  EXPECT_NO_THROW(applyToLocation(image, LocationLockScreen));
  EXPECT_FALSE(anyWallpaperFile());
  EXPECT_FALSE(wallpaperLock->isHeld());

  applyToLocation(image, LocationLockScreen);
  EXPECT_EQ(file(WallpaperScreen::Lock, WallpaperAppearance::Dark).contentHash, hashOf(image));
  auto photosCalls = PLStaticWallpaperImageViewController::calls();
  ASSERT_EQ(photosCalls.size(), 2u);
  EXPECT_TRUE(photosCalls[0].raised);
  EXPECT_FALSE(photosCalls[1].raised);

  // With nothing bound the light-and-dark path only takes and releases the lock.
  setLightAndDarkWallpaperImages(image, image, LocationHomeScreen);
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  EXPECT_FALSE(file(WallpaperScreen::Home, WallpaperAppearance::Light).exists);
  EXPECT_TRUE(wallpaperLock->tryLock());
  wallpaperLock->unlock();
}
