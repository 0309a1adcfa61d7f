#include "platform/uikit/UIControl.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"

objc::Class* UIControl::cls() {
  static objc::Class* c = objc::objc_allocateClassPair(UIView::cls(), "UIControl");
  return c;
}

UIControl::UIControl(objc::Class* isa) : UIView(isa) {}

void UIControl::addTarget(const std::shared_ptr<objc::Object>& target, objc::SEL action, UIControlEvents events) {
  if (!target || !action) return;
  registrations_.push_back(Registration{target, action, nullptr, events});
}

void UIControl::addHandler(Handler handler, UIControlEvents events) {
  if (!handler) return;
  registrations_.push_back(Registration{{}, nullptr, std::move(handler), events});
}

void UIControl::removeAllTargetsAndHandlers() { registrations_.clear(); }

void UIControl::sendActionsForControlEvents(UIControlEvents events) {
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
  sendActionsForControlEvents(UIControlEventTouchUpInside);
  return true;
}

UIAccessibilityTraits UIControl::accessibilityTraits() const {
  UIAccessibilityTraits traits = explicitAccessibilityTraits().value_or(UIAccessibilityTraitNone);
  return enabled_ ? traits : traits | UIAccessibilityTraitNotEnabled;
}
