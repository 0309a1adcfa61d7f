#pragma once
// The Settings app's one window: a navigation stack whose first screen lists the installed panes.
// Main thread only.
#include <memory>

class SettingsListController;
class UINavigationController;
class UIViewController;
class UIWindow;

class SettingsApp {
 public:
  static SettingsApp& shared();

  // Makes the window (the screen's size) and shows the list of panes; once per process.
  void launch();

  UIWindow& window();
  UINavigationController& navigation();
  SettingsListController& paneList();
  // The screen a person sees: what the top of the stack presents (an alert, a sheet), else the top.
  std::shared_ptr<UIViewController> screenOnTop();

 private:
  std::shared_ptr<UIWindow> window_;
  std::shared_ptr<UINavigationController> navigation_;
  std::shared_ptr<SettingsListController> paneList_;
};
