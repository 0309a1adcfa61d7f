#include "engine/wallpaper/WallpaperApplication.h"

#include <atomic>
#include <mutex>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"

platform::NSLock* wallpaperLock = nullptr;
SBSUIWallpaperSetImagesPointer _SBSUIWallpaperSetImages = nullptr;

namespace {

constexpr int kSetImagesFlags = 2;
constexpr long kLightWallpaperMode = 1;
constexpr long kDarkWallpaperMode = 2;

// Looked up at first use and kept once found; a class that is missing is looked for again later.
objc::Class* rememberedClass(std::atomic<objc::Class*>& slot, const char* name) {
  objc::Class* cls = slot.load(std::memory_order_acquire);
  if (!cls) {
    cls = objc::objc_getClass(name);
    if (cls) slot.store(cls, std::memory_order_release);
  }
  return cls;
}

objc::Class* wallpaperOptionsClass() {
  static std::atomic<objc::Class*> cls{nullptr};
  return rememberedClass(cls, "SBFWallpaperOptions");
}

objc::Class* staticWallpaperControllerClass() {
  static std::atomic<objc::Class*> cls{nullptr};
  return rememberedClass(cls, "PLStaticWallpaperImageViewController");
}

// [[[SBFWallpaperOptions alloc] init] setWallpaperMode:mode]
objc::id makeWallpaperOptions(long mode) {
  objc::id options = objc::class_createInstance(wallpaperOptionsClass());
  if (!options || !objc::msgSend<objc::Object*>(options.get(), objc::sel("init"))) return nullptr;
  objc::msgSend<void, long>(options.get(), objc::sel("setWallpaperMode:"), mode);
  return options;
}

void callSetImages(const std::shared_ptr<UIImage>& light, const std::shared_ptr<UIImage>& dark, int location) {
  SBSUIWallpaperSetImagesPointer setImages = _SBSUIWallpaperSetImages;
  if (!setImages) return;
  objc::id lightOptions = makeWallpaperOptions(kLightWallpaperMode);
  objc::id darkOptions = makeWallpaperOptions(kDarkWallpaperMode);
  // A dictionary cannot hold a missing value: without the options class there is no call to make.
  if (!lightOptions || !darkOptions) {
    NSLog("[Tovalune] SBFWallpaperOptions is not available; the wallpaper stays.");
    return;
  }
  WallpaperObjectDictionary images{{"light", light}, {"dark", dark}};
  WallpaperObjectDictionary options{{"light", lightOptions}, {"dark", darkOptions}};
  setImages(images, options, location, kSetImagesFlags);
}

}  // namespace

platform::NSLock* createWallpaperLock() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!wallpaperLock) wallpaperLock = new platform::NSLock();
  });
  return wallpaperLock;
}

extern "C" void setLightAndDarkWallpaperImages(std::shared_ptr<UIImage> light, std::shared_ptr<UIImage> dark,
                                               int location) {
  if (!platform::isOperatingSystemAtLeastVersion(13, 0, 0)) return;
  if (!light || !dark) {
    NSLog("[Tovalune] A wallpaper needs both a light and a dark image; nothing was set.");
    return;
  }
  platform::dispatch_async(platform::dispatch_get_global_queue(platform::QueuePriority::Background),
                           [light = std::move(light), dark = std::move(dark), location] {
                             std::lock_guard guard(*createWallpaperLock());
                             // An exception must not end SpringBoard from a pool thread, nor leave
                             // the lock held for every later change.
                             try {
                               callSetImages(light, dark, location);
                             } catch (const std::exception& e) {
                               NSLog("[Tovalune] Setting the wallpaper failed: {}", e.what());
                             }
                           });
}

extern "C" void setWallpaperImage(std::shared_ptr<UIImage> image, int location) {
  if (!image) return;
  setLightAndDarkWallpaperImages(image, image, location);
}

void applyToLocation(std::shared_ptr<UIImage> image, int location) {
  if (_SBSUIWallpaperSetImages) {
    setLightAndDarkWallpaperImages(image, image, location);
    return;
  }
  objc::id controller = objc::class_createInstance(staticWallpaperControllerClass());
  if (!controller) return;
  objc::Object* initialised =
      objc::msgSend<objc::Object*, objc::Object*>(controller.get(), objc::sel("initWithUIImage:"), image.get());
  try {
    objc::msgSend<void, long>(initialised, objc::sel("setWallpaperForLocations:"), location);
  } catch (const platform::NSException&) {
    // The Photos controller raises when it cannot save; the wallpaper simply stays.
  }
}
