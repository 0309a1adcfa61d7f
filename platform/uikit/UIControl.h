#pragma once
// UIControl: a view that reports events to targets (an object and a selector, sent through the
// runtime) and to handlers (closures). Targets are held weakly, as on the device; handlers are
// owned by the control.
#include <functional>
#include <memory>
#include <vector>

#include "platform/uikit/UIView.h"

enum UIControlEvents : unsigned {
  UIControlEventTouchUpInside = 1u << 6,
  UIControlEventValueChanged = 1u << 12,
};

class UIControl : public UIView {
 public:
  using Handler = std::function<void(UIControl* sender)>;

  static objc::Class* cls();
  explicit UIControl(objc::Class* isa = UIControl::cls());

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }

  // The action's implementation has the signature `void (objc::Object* self, objc::SEL, objc::Object* sender)`.
  void addTarget(const std::shared_ptr<objc::Object>& target, objc::SEL action, UIControlEvents events);
  void addHandler(Handler handler, UIControlEvents events);
  void removeAllTargetsAndHandlers();

  // Sends the actions registered for any of the events, in the order they were added; a disabled
  // control sends nothing. A target that does not answer its selector is logged and skipped.
  void sendActionsForControlEvents(UIControlEvents events);

  // A tap on an enabled control sends its touch-up-inside actions; a disabled one passes the tap on.
  bool handleTap(const CGPoint& point) override;
  // A disabled control says so.
  UIAccessibilityTraits accessibilityTraits() const override;

 private:
  struct Registration {
    std::weak_ptr<objc::Object> target;
    objc::SEL action = nullptr;
    Handler handler;
    unsigned events = 0;
  };
  bool enabled_ = true;
  std::vector<Registration> registrations_;
};
