#include "engine/wallpaper/FirstRunNotice.h"

#include "platform/uikit/UIAlertAction.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIViewController.h"
#include "platform/uikit/UIWindow.h"
#include "shared/TovalunePreferencesManager.h"

objc::IMP orig_SpringBoard_applicationDidFinishLaunching = nullptr;

namespace {

constexpr const char* kNoticeMessage =
    "You may have noticed your wallpapers have changed.\n"
    "For the smoothest and best experience, Tovalune handles all wallpapers whilst it is installed.\n"
    "This is to prevent any changes to files that may persist whilst your jailbreak is disabled/removed.\n"
    "\n"
    "To get back your old wallpapers, simply remove Tovalune or boot into a non-jailbroken state.";

}  // namespace

void replaced_SpringBoard_applicationDidFinishLaunching(objc::Object* self, objc::SEL _cmd, objc::Object* application) {
  objc::callPrevious<void, objc::Object*>(orig_SpringBoard_applicationDidFinishLaunching, self, _cmd, application);

  auto version = TovalunePreferencesManager::getPrefForKey("Version");
  if (version && version->intValue() > 0) return;
  // Recorded before the notice is shown; an unreadable preferences file is replaced by one that
  // holds only the marker.
  TovalunePreferencesManager::modifyPrefs([](platform::Dictionary& prefs) { prefs["Version"] = 1; },
                                          platform::Dictionary{});

  std::shared_ptr<UIWindow> window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(UIViewController::create());
  window->setWindowLevel(UIWindowLevelAlert + 1.0);
  auto alert = UIAlertController::alertControllerWithTitle("Welcome to Tovalune", kNoticeMessage,
                                                           UIAlertControllerStyleAlert);
  alert->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleDefault,
                                                  [window](UIAlertAction*) { window->setHidden(true); }));
  window->makeKeyAndVisible();
  window->rootViewController()->presentViewController(alert, true, nullptr);
}
