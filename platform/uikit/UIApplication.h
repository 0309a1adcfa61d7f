#pragma once
// The application's side of windows (which exist, which is key), of keyboard input (the first
// responder) and of handing addresses to the system (openURL). Taps and reading the screen are
// in UITouchDelivery.h.
//
// Windows are listed weakly, as on the device: a window stays on screen only while something holds
// it. A window that only an alert action's handler holds therefore lives until that action runs.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "platform/net/NSURL.h"
#include "platform/runtime/Runtime.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"

class UIApplication : public objc::Object {
 public:
  static UIApplication& sharedApplication();
  static objc::Class* cls();
  explicit UIApplication(objc::Class* isa = UIApplication::cls());

  // Every living window that has been visible, by level, then by when it last became visible.
  std::vector<std::shared_ptr<UIWindow>> windows() const;
  // The window made key last, while it lives and is visible; nullptr otherwise.
  std::shared_ptr<UIWindow> keyWindow() const;

  // Called by UIWindow.
  void windowDidBecomeVisible(const std::shared_ptr<UIWindow>& window);
  void setKeyWindow(const std::shared_ptr<UIWindow>& window);

  // The view keyboard input goes to, while it lives; set by UIView's becomeFirstResponder.
  std::shared_ptr<UIView> firstResponder() const;
  void setFirstResponder(const std::shared_ptr<UIView>& view);

  // openURL:options:completionHandler:: hands the address to the system, which here writes it to
  // the device's log ("UIApplication: opened <url>") and keeps it for openedURLs(); nothing leaves
  // the machine. A missing URL, or a web address without a host, is not opened (logged). The
  // completion, if any, runs later on the main queue with whether the URL was opened.
  void openURL(const std::optional<NSURL>& url, const platform::Dictionary& options,
               std::function<void(bool success)> completion);
  // Every address opened so far, oldest first.
  std::vector<std::string> openedURLs() const;

 private:
  mutable std::mutex mu_;
  mutable std::vector<std::weak_ptr<UIWindow>> windows_;
  std::weak_ptr<UIWindow> keyWindow_;
  std::uint64_t nextOrder_ = 1;
  std::weak_ptr<UIView> firstResponder_;
  std::vector<std::string> openedURLs_;
};
