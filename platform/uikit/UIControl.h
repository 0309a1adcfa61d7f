#pragma once
// UIControl: a view that reports events to targets (an object and a selector, sent through the
// runtime) and to handlers (closures). Targets are held weakly, as on the device; handlers are
// owned by the control. A control has a state (enabled, selected, highlighted) that its drawing
// and its description to a reader follow.
#include <functional>
#include <memory>
#include <vector>

#include "platform/uikit/UIView.h"

enum UIControlEvents : unsigned {
  UIControlEventTouchDown = 1u << 0,
  UIControlEventTouchUpInside = 1u << 6,
  UIControlEventValueChanged = 1u << 12,
  UIControlEventPrimaryActionTriggered = 1u << 13,
  UIControlEventEditingDidBegin = 1u << 16,
  UIControlEventEditingChanged = 1u << 17,
  UIControlEventEditingDidEnd = 1u << 18,
  // The return key ended the editing.
  UIControlEventEditingDidEndOnExit = 1u << 19,
  UIControlEventAllEditingEvents = 0xFu << 16,
  UIControlEventAllEvents = 0xFFFFFFFFu,
};

// Bits; Normal is none of them.
enum UIControlState : unsigned {
  UIControlStateNormal = 0,
  UIControlStateHighlighted = 1u << 0,
  UIControlStateDisabled = 1u << 1,
  UIControlStateSelected = 1u << 2,
};

class UIControl : public UIView {
 public:
  using Handler = std::function<void(UIControl* sender)>;

  static objc::Class* cls();
  explicit UIControl(objc::Class* isa = UIControl::cls());

  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool enabled) { enabled_ = enabled; }
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected) { selected_ = selected; }
  // While a finger is down on the control.
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted) { highlighted_ = highlighted; }
  // The state bits as they stand now.
  unsigned state() const;

  // The action's implementation has the signature `void (objc::Object* self, objc::SEL, objc::Object* sender)`.
  void addTarget(const std::shared_ptr<objc::Object>& target, objc::SEL action, unsigned events);
  void addHandler(Handler handler, unsigned events);
  void removeAllTargetsAndHandlers();
  // Whether anything listens for any of the events.
  bool hasActionsForControlEvents(unsigned events) const;

  // Sends the actions registered for any of the events, in the order they were added; a disabled
  // control sends nothing. A target that does not answer its selector is logged and skipped.
  void sendActionsForControlEvents(unsigned events);

  // A tap on an enabled control: touch-down, then touch-up-inside with the control highlighted
  // in between. A disabled control passes the tap on.
  bool handleTap(const CGPoint& point) override;
  // A disabled control says so, a selected one too.
  UIAccessibilityTraits accessibilityTraits() const override;

 private:
  struct Registration {
    std::weak_ptr<objc::Object> target;
    objc::SEL action = nullptr;
    Handler handler;
    unsigned events = 0;
  };
  bool enabled_ = true;
  bool selected_ = false;
  bool highlighted_ = false;
  std::vector<Registration> registrations_;
};
