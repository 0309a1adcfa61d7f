#pragma once
// UISlider: a value between a minimum and a maximum, shown as a thumb on a track that is filled in
// the tint colour up to the thumb. A finger lifted on the track puts the thumb (and the value)
// there and sends value-changed; setting the value in code sends nothing. Values stay within the
// bounds whatever is set.
#include <memory>

#include "platform/uikit/UIControl.h"

class UISlider : public UIControl {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UISlider> alloc();
  explicit UISlider(objc::Class* isa = UISlider::cls());

  double value() const { return value_; }
  void setValue(double value, bool animated = false);
  double minimumValue() const { return minimum_; }
  double maximumValue() const { return maximum_; }
  // A minimum above the maximum moves the maximum up to it (and the reverse); the value follows.
  void setMinimumValue(double minimum);
  void setMaximumValue(double maximum);

  // The thumb's centre for a value, and the value at a point, in the control's coordinates.
  double thumbCenterXForValue(double value) const;
  double valueForPoint(const CGPoint& point) const;

  CGSize sizeThatFits(const CGSize& size) const override;
  void draw(cairo_t* cr) override;
  bool handleTap(const CGPoint& point) override;
  // An adjustable element whose value is the position in percent, as a screen reader says it.
  bool isAccessibilityElement() const override { return explicitIsAccessibilityElement().value_or(true); }
  std::string accessibilityValue() const override;
  UIAccessibilityTraits accessibilityTraits() const override;

 private:
  double value_ = 0;
  double minimum_ = 0;
  double maximum_ = 1;
};
