#include "platform/uikit/UISlider.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/Drawing.h"

namespace {
constexpr double kThumbDiameter = 28;
constexpr double kTrackHeight = 4;
constexpr double kSliderHeight = 34;
constexpr UIColor kSliderTrackColor = UIColor::colorWithRed(120 / 255.0, 120 / 255.0, 128 / 255.0, 0.2);
constexpr UIColor kThumbEdge = UIColor::colorWithRed(0, 0, 0, 0.12);

double finiteOr(double v, double fallback) { return std::isfinite(v) ? v : fallback; }
}  // namespace

OBJC_DEFINE_CLASS(UISlider, UIControl)

std::shared_ptr<UISlider> UISlider::alloc() { return std::make_shared<UISlider>(); }

UISlider::UISlider(objc::Class* isa) : UIControl(isa) {}

void UISlider::setValue(double value, bool) { value_ = std::clamp(finiteOr(value, minimum_), minimum_, maximum_); }

void UISlider::setMinimumValue(double minimum) {
  minimum_ = finiteOr(minimum, 0);
  maximum_ = std::max(maximum_, minimum_);
  setValue(value_);
}

void UISlider::setMaximumValue(double maximum) {
  maximum_ = finiteOr(maximum, 1);
  minimum_ = std::min(minimum_, maximum_);
  setValue(value_);
}

double UISlider::thumbCenterXForValue(double value) const {
  double travel = std::max(0.0, bounds().width() - kThumbDiameter);
  double span = maximum_ - minimum_;
  double fraction = span > 0 ? (std::clamp(value, minimum_, maximum_) - minimum_) / span : 0;
  return kThumbDiameter / 2 + travel * fraction;
}

double UISlider::valueForPoint(const CGPoint& point) const {
  double travel = bounds().width() - kThumbDiameter;
  if (travel <= 0) return minimum_;
  double fraction = std::clamp((point.x - kThumbDiameter / 2) / travel, 0.0, 1.0);
  return minimum_ + fraction * (maximum_ - minimum_);
}

CGSize UISlider::sizeThatFits(const CGSize& size) const {
  return CGSize{std::max(size.width, kThumbDiameter * 4), kSliderHeight};
}

void UISlider::draw(cairo_t* cr) {
  CGRect b = bounds();
  double midY = b.midY();
  double thumbX = thumbCenterXForValue(value_);
  CGRect track = CGRectMake(kThumbDiameter / 2, midY - kTrackHeight / 2, std::max(0.0, b.width() - kThumbDiameter),
                            kTrackHeight);
  UIColor fill = tintColor();
  if (!isEnabled()) fill.alpha *= 0.35;
  platform::setSourceColor(cr, kSliderTrackColor);
  platform::addRoundedRect(cr, track, kTrackHeight / 2);
  cairo_fill(cr);
  platform::setSourceColor(cr, fill);
  platform::addRoundedRect(cr, CGRectMake(track.minX(), track.minY(), thumbX - track.minX(), kTrackHeight),
                           kTrackHeight / 2);
  cairo_fill(cr);
  cairo_new_sub_path(cr);
  cairo_arc(cr, thumbX, midY, kThumbDiameter / 2, 0, 2 * M_PI);
  platform::setSourceColor(cr, UIColor::whiteColor());
  cairo_fill_preserve(cr);
  platform::setSourceColor(cr, kThumbEdge);
  cairo_set_line_width(cr, 0.5);
  cairo_stroke(cr);
}

bool UISlider::handleTap(const CGPoint& point) {
  if (!isEnabled()) return false;
  setValue(valueForPoint(point));
  sendActionsForControlEvents(UIControlEventValueChanged);
  return true;
}

std::string UISlider::accessibilityValue() const {
  if (auto v = explicitAccessibilityValue()) return *v;
  double span = maximum_ - minimum_;
  double percent = span > 0 ? (value_ - minimum_) / span * 100 : 0;
  return fmt::format("{}%", std::lround(percent));
}

UIAccessibilityTraits UISlider::accessibilityTraits() const {
  return UIControl::accessibilityTraits() | UIAccessibilityTraitAdjustable;
}
