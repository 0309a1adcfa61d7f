// An add-on for tests, loaded into SpringBoard by the substrate loader: it shows a notice when
// SpringBoard finishes launching, and on each display-off sets a new plain-coloured lock-screen
// wallpaper through a chain of background and main-queue work, so a test can tell whether
// SpringBoard's replies wait for such work to settle.
#include <atomic>
#include <memory>

#include "device/springboard/SBWallpaperState.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSProcessInfo.h"
#include "platform/image/UIImage.h"
#include "platform/runtime/Runtime.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIWindow.h"

namespace {

objc::IMP previousDidFinishLaunching = nullptr;
objc::IMP previousBacklightOff = nullptr;
std::atomic<int> lockCount{0};

void didFinishLaunching(objc::Object* self, objc::SEL cmd, objc::Object* application) {
  reinterpret_cast<void (*)(objc::Object*, objc::SEL, objc::Object*)>(previousDidFinishLaunching)(self, cmd,
                                                                                                   application);
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(std::make_shared<UIViewController>());
  window->setWindowLevel(UIWindowLevelAlert + 1.0);
  auto alert = UIAlertController::alertControllerWithTitle("Test Notice", "Loaded by the substrate loader",
                                                           UIAlertControllerStyleAlert);
  alert->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleDefault,
                                                  [window](UIAlertAction*) { window->setHidden(true); }));
  window->makeKeyAndVisible();
  window->rootViewController()->presentViewController(alert, true, nullptr);
}

std::shared_ptr<UIImage> plainPicture(int n) {
  platform::Bitmap bitmap;
  bitmap.width = 30;
  bitmap.height = 60;
  bitmap.rgba.resize(std::size_t(bitmap.width) * bitmap.height * 4);
  for (std::size_t i = 0; i < bitmap.rgba.size(); i += 4) {
    bitmap.rgba[i] = std::uint8_t(40 * n % 256);
    bitmap.rgba[i + 1] = std::uint8_t(200 - 30 * n % 200);
    bitmap.rgba[i + 2] = std::uint8_t(90 + 50 * n % 160);
    bitmap.rgba[i + 3] = 255;
  }
  return UIImage::imageWithBitmap(std::move(bitmap));
}

void backlightOff(objc::Object* self, objc::SEL cmd, objc::Object* sender) {
  int n = ++lockCount;
  using platform::dispatch_async;
  auto& background = platform::dispatch_get_global_queue(platform::QueuePriority::Background);
  dispatch_async(background, [n, &background] {
    dispatch_async(platform::dispatch_get_main_queue(), [n, &background] {
      dispatch_async(background, [n] {
        auto picture = plainPicture(n);
        SBWallpaperState::shared().setWallpapers(picture.get(), picture.get(), 1);
      });
    });
  });
  reinterpret_cast<void (*)(objc::Object*, objc::SEL, objc::Object*)>(previousBacklightOff)(self, cmd, sender);
}

__attribute__((constructor)) void loadTestTweak() {
  auto args = platform::processArguments();
  if (args.empty() || platform::lastPathComponent(args[0]) != "SpringBoard") return;
  MSHookMessageEx(objc::objc_getClass("SpringBoard"), objc::sel("applicationDidFinishLaunching:"),
                  objc::imp_cast(&didFinishLaunching), &previousDidFinishLaunching);
  MSHookMessageEx(objc::objc_getClass("SBLockScreenManager"), objc::sel("_handleBacklightDidTurnOff:"),
                  objc::imp_cast(&backlightOff), &previousBacklightOff);
}

}  // namespace
