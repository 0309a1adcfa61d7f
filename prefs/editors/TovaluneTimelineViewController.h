#pragma once
// The screen on which the user keeps the time-of-day timeline.
// For now the screen shows its title and one line; the list opens a new one on every tap.
#include <memory>
#include <string>

#include "platform/uikit/UIViewController.h"

class TovaluneTimelineViewController : public UIViewController {
 public:
  static objc::Class* cls();
  // [[TovaluneTimelineViewController alloc] init].
  static std::shared_ptr<TovaluneTimelineViewController> init();
  explicit TovaluneTimelineViewController(objc::Class* isa = TovaluneTimelineViewController::cls());

 protected:
  void viewDidLoad() override;
};
