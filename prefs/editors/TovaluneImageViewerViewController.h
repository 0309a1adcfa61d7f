#pragma once
// The screen that shows the recent wallpapers kept in the store folder.
// For now the screen shows its title and one line; the list opens a new one on every tap.
#include <memory>
#include <string>

#include "platform/uikit/UIViewController.h"

class TovaluneImageViewerViewController : public UIViewController {
 public:
  static objc::Class* cls();
  // [[TovaluneImageViewerViewController alloc] init].
  static std::shared_ptr<TovaluneImageViewerViewController> init();
  explicit TovaluneImageViewerViewController(objc::Class* isa = TovaluneImageViewerViewController::cls());

 protected:
  void viewDidLoad() override;
};
