#pragma once
// UIAlertAction: one button of an alert, its style and the handler run when it is tapped.
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/runtime/Runtime.h"

enum UIAlertActionStyle {
  UIAlertActionStyleDefault = 0,
  UIAlertActionStyleCancel = 1,
  UIAlertActionStyleDestructive = 2,
};

class UIAlertAction : public objc::Object {
 public:
  using Handler = std::function<void(UIAlertAction* action)>;

  static objc::Class* cls();
  // A null handler is allowed: the tap then only dismisses the alert.
  static std::shared_ptr<UIAlertAction> actionWithTitle(std::string title, UIAlertActionStyle style,
                                                        Handler handler);
  explicit UIAlertAction(objc::Class* isa = UIAlertAction::cls());

  const std::string& title() const { return title_; }
  UIAlertActionStyle style() const { return style_; }
  bool isEnabled() const { return enabled_; }
  // The alert showing the action redraws its button at once.
  void setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (changed_) changed_();
  }
  bool hasHandler() const { return static_cast<bool>(handler_); }
  // Hands the handler over and leaves none behind; the alert does this once it is dismissed.
  Handler takeHandler() { return std::exchange(handler_, nullptr); }

 private:
  std::string title_;
  UIAlertActionStyle style_ = UIAlertActionStyleDefault;
  bool enabled_ = true;
  Handler handler_;
  // Set by the alert the action is added to.
  std::function<void()> changed_;
  friend class UIAlertController;
};
