#include "platform/uikit/UIControl.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"

OBJC_DEFINE_CLASS(UIControl, UIView)

UIControl::UIControl(objc::Class* isa) : UIView(isa) {}

unsigned UIControl::state() const {
  unsigned s = UIControlStateNormal;
  if (highlighted_) s |= UIControlStateHighlighted;
  if (!enabled_) s |= UIControlStateDisabled;
  if (selected_) s |= UIControlStateSelected;
  return s;
}

void UIControl::addTarget(const std::shared_ptr<objc::Object>& target, objc::SEL action, unsigned events) {
  if (!target || !action) return;
  registrations_.push_back(Registration{target, action, nullptr, events});
}

void UIControl::addHandler(Handler handler, unsigned events) {
  if (!handler) return;
  registrations_.push_back(Registration{{}, nullptr, std::move(handler), events});
}

void UIControl::removeAllTargetsAndHandlers() { registrations_.clear(); }

bool UIControl::hasActionsForControlEvents(unsigned events) const {
  for (const auto& r : registrations_)
    if ((r.events & events) && (r.handler || !r.target.expired())) return true;
  return false;
}

void UIControl::sendActionsForControlEvents(unsigned events) {
  if (!enabled_) return;
  // An action may remove registrations or release this control; work from a copy and a reference.
  auto keep = weak_from_this().lock();
  auto registrations = registrations_;
  for (auto& r : registrations) {
    if (!(r.events & events)) continue;
    if (r.handler) {
      r.handler(this);
      continue;
    }
    auto target = r.target.lock();
    if (!target) continue;
    try {
      objc::msgSend<void, objc::Object*>(target.get(), r.action, this);
    } catch (const platform::NSException& e) {
      NSLog("UIControl: action {} not sent: {}", r.action->name, e.reason());
    }
  }
}

bool UIControl::handleTap(const CGPoint&) {
  if (!enabled_) return false;
  auto keep = weak_from_this().lock();
  setHighlighted(true);
  sendActionsForControlEvents(UIControlEventTouchDown);
  setHighlighted(false);
  sendActionsForControlEvents(UIControlEventTouchUpInside);
  return true;
}

UIAccessibilityTraits UIControl::accessibilityTraits() const {
  UIAccessibilityTraits traits = explicitAccessibilityTraits().value_or(UIAccessibilityTraitNone);
  if (!enabled_) traits |= UIAccessibilityTraitNotEnabled;
  if (selected_) traits |= UIAccessibilityTraitSelected;
  return traits;
}
