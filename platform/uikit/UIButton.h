#pragma once
// UIButton: a title drawn centred in the button, in the tint colour for a system button. A tap is
// the touch-up-inside event.
#include <string>

#include "platform/uikit/UIControl.h"
#include "platform/uikit/UIFont.h"

enum UIButtonType { UIButtonTypeCustom = 0, UIButtonTypeSystem = 1 };

class UIButton : public UIControl {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UIButton> buttonWithType(UIButtonType type);
  explicit UIButton(objc::Class* isa = UIButton::cls());

  UIButtonType buttonType() const { return type_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  const UIColor& titleColor() const { return titleColor_; }
  void setTitleColor(const UIColor& color) { titleColor_ = color; }
  const UIFont& font() const { return font_; }
  void setFont(const UIFont& font) { font_ = font; }

  // What a finger lifting inside the button does: the touch-up-inside actions.
  void tap() { sendActionsForControlEvents(UIControlEventTouchUpInside); }

  CGSize sizeThatFits(const CGSize& size) const override;
  void draw(cairo_t* cr) override;

  // A button is an element that reads its title.
  bool isAccessibilityElement() const override { return explicitIsAccessibilityElement().value_or(true); }
  std::string accessibilityLabel() const override { return explicitAccessibilityLabel().value_or(title_); }
  UIAccessibilityTraits accessibilityTraits() const override {
    return UIControl::accessibilityTraits() | UIAccessibilityTraitButton;
  }

 private:
  UIButtonType type_ = UIButtonTypeCustom;
  std::string title_;
  UIColor titleColor_ = UIColor::systemBlueColor();
  UIFont font_ = UIFont::systemFontOfSize(17);
};
