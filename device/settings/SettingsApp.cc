#include "device/settings/SettingsApp.h"

#include "device/settings/SettingsListController.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIWindow.h"

SettingsApp& SettingsApp::shared() {
  static SettingsApp* app = new SettingsApp();  // lives as long as the process
  return *app;
}

void SettingsApp::launch() {
  if (window_) return;
  paneList_ = std::dynamic_pointer_cast<SettingsListController>(objc::class_createInstance(SettingsListController::cls()));
  objc::msgSend<objc::Object*>(paneList_.get(), objc::sel("init"));
  navigation_ = UINavigationController::initWithRootViewController(paneList_);
  window_ = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window_->setRootViewController(navigation_);
  window_->makeKeyAndVisible();
}

UIWindow& SettingsApp::window() { return *window_; }
UINavigationController& SettingsApp::navigation() { return *navigation_; }
SettingsListController& SettingsApp::paneList() { return *paneList_; }

std::shared_ptr<UIViewController> SettingsApp::screenOnTop() { return navigation_->visibleViewController(); }
