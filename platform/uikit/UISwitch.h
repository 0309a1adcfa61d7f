#pragma once
// UISwitch: the on/off control of a settings row, always 51 x 31 points. On: a green track with
// the white knob at the right; off: a light grey track with the knob at the left. A tap flips it
// and sends value-changed; setOn sends nothing, as on the device.
#include "platform/uikit/UIControl.h"

class UISwitch : public UIControl {
 public:
  static constexpr double kWidth = 51;
  static constexpr double kHeight = 31;

  static objc::Class* cls();
  static std::shared_ptr<UISwitch> alloc();
  // The switch keeps its own size whatever the frame asks; only the origin is taken.
  std::shared_ptr<UISwitch> initWithFrame(const CGRect& frame);
  explicit UISwitch(objc::Class* isa = UISwitch::cls());

  bool isOn() const { return on_; }
  // setOn:animated:; there is no animation here, the knob is where it ends at once.
  void setOn(bool on, bool animated = false) { on_ = on; }
  // The track's colour when on; the system green unless set.
  const UIColor& onTintColor() const { return onTintColor_; }
  void setOnTintColor(const UIColor& color) { onTintColor_ = color; }

  void setFrame(const CGRect& frame) override;
  CGSize sizeThatFits(const CGSize& size) const override { return CGSize{kWidth, kHeight}; }
  void draw(cairo_t* cr) override;

  // Flips and sends value-changed (a disabled switch passes the tap on).
  bool handleTap(const CGPoint& point) override;
  // An element whose value is "on" or "off".
  bool isAccessibilityElement() const override { return explicitIsAccessibilityElement().value_or(true); }
  std::string accessibilityValue() const override;
  UIAccessibilityTraits accessibilityTraits() const override {
    return UIControl::accessibilityTraits() | UIAccessibilityTraitToggleButton;
  }

 private:
  bool on_ = false;
  UIColor onTintColor_ = UIColor::systemGreenColor();
};
