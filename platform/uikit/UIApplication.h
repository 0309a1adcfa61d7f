#pragma once
// The application's side of windows: which windows exist and which is key. Taps and reading the
// screen are in UITouchDelivery.h.
//
// Windows are listed weakly, as on the device: a window stays on screen only while something holds
// it. A window that only an alert action's handler holds therefore lives until that action runs.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/runtime/Runtime.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"

class UIApplication : public objc::Object {
 public:
  static UIApplication& sharedApplication();
  UIApplication();

  // Every living window that has been visible, by level, then by when it last became visible.
  std::vector<std::shared_ptr<UIWindow>> windows() const;
  // The window made key last, while it lives and is visible; nullptr otherwise.
  std::shared_ptr<UIWindow> keyWindow() const;

  // Called by UIWindow.
  void windowDidBecomeVisible(const std::shared_ptr<UIWindow>& window);
  void setKeyWindow(const std::shared_ptr<UIWindow>& window);

 private:
  mutable std::mutex mu_;
  mutable std::vector<std::weak_ptr<UIWindow>> windows_;
  std::weak_ptr<UIWindow> keyWindow_;
  std::uint64_t nextOrder_ = 1;
};
