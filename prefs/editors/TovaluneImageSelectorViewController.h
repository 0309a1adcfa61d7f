#pragma once
// The screen on which the user fills and prunes the local picture folder.
// For now the screen shows its title and one line; the list opens a new one on every tap.
#include <memory>
#include <string>

#include "platform/uikit/UIViewController.h"

class TovaluneImageSelectorViewController : public UIViewController {
 public:
  static objc::Class* cls();
  // [[TovaluneImageSelectorViewController alloc] init].
  static std::shared_ptr<TovaluneImageSelectorViewController> init();
  explicit TovaluneImageSelectorViewController(objc::Class* isa = TovaluneImageSelectorViewController::cls());

 protected:
  void viewDidLoad() override;
};
