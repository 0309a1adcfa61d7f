#include "platform/uikit/UISwitch.h"

#include <numbers>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/Drawing.h"

namespace {

constexpr double kKnobInset = 2;
constexpr double kOffOutline = 1.5;
// The off track is a light grey outline around a white inside; the knob sits above it.
constexpr UIColor kOffTrack = UIColor::colorWithRed(229 / 255.0, 229 / 255.0, 234 / 255.0);
constexpr UIColor kKnobShadow = UIColor::colorWithWhite(0, 0.12);
// Dimmed as the platform dims a disabled switch.
constexpr double kDisabledAlpha = 0.5;

}  // namespace

OBJC_DEFINE_CLASS(UISwitch, UIControl)

std::shared_ptr<UISwitch> UISwitch::alloc() { return std::make_shared<UISwitch>(); }

std::shared_ptr<UISwitch> UISwitch::initWithFrame(const CGRect& frame) {
  setFrame(frame);
  return std::static_pointer_cast<UISwitch>(shared_from_this());
}

UISwitch::UISwitch(objc::Class* isa) : UIControl(isa) { UIControl::setFrame(CGRectMake(0, 0, kWidth, kHeight)); }

void UISwitch::setFrame(const CGRect& frame) { UIControl::setFrame(CGRect{frame.origin, {kWidth, kHeight}}); }

bool UISwitch::handleTap(const CGPoint&) {
  if (!isEnabled()) return false;
  auto keep = weak_from_this().lock();
  on_ = !on_;
  sendActionsForControlEvents(UIControlEventValueChanged);
  return true;
}

std::string UISwitch::accessibilityValue() const {
  return explicitAccessibilityValue().value_or(on_ ? "on" : "off");
}

void UISwitch::draw(cairo_t* cr) {
  const CGRect track = CGRectMake(0, 0, kWidth, kHeight);
  const double radius = kHeight / 2;
  bool dim = !isEnabled();
  if (dim) cairo_push_group(cr);

  if (on_) {
    platform::setSourceColor(cr, onTintColor_);
    platform::addRoundedRect(cr, track, radius);
    cairo_fill(cr);
  } else {
    platform::setSourceColor(cr, kOffTrack);
    platform::addRoundedRect(cr, track, radius);
    cairo_fill(cr);
    platform::setSourceColor(cr, UIColor::whiteColor());
    platform::addRoundedRect(cr, CGRectInset(track, kOffOutline, kOffOutline), radius - kOffOutline);
    cairo_fill(cr);
  }

  const double knob = kHeight - 2 * kKnobInset;
  const double cx = on_ ? kWidth - kKnobInset - knob / 2 : kKnobInset + knob / 2;
  const double cy = kHeight / 2;
  platform::setSourceColor(cr, kKnobShadow);
  cairo_arc(cr, cx, cy + 1.5, knob / 2 + 0.5, 0, 2 * std::numbers::pi);
  cairo_fill(cr);
  platform::setSourceColor(cr, UIColor::whiteColor());
  cairo_arc(cr, cx, cy, knob / 2, 0, 2 * std::numbers::pi);
  cairo_fill(cr);

  if (dim) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, kDisabledAlpha);
  }
}
