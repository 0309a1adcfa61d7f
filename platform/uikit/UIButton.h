#pragma once
// UIButton: a title (and an optional image before it) drawn centred in the button. Title, title
// colour and image are set per control state; a state without its own shows the normal state's.
// A system button draws its title in the tint colour unless given a colour, fades it while
// highlighted and greys it while disabled. A tap is the touch-up-inside event.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/image/UIImage.h"
#include "platform/uikit/UIControl.h"
#include "platform/uikit/UIFont.h"

enum UIButtonType { UIButtonTypeCustom = 0, UIButtonTypeSystem = 1 };

class UIButton : public UIControl {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UIButton> buttonWithType(UIButtonType type);
  explicit UIButton(objc::Class* isa = UIButton::cls());

  UIButtonType buttonType() const { return type_; }

  // setTitle:forState: and titleForState: (the normal state's title when the state has none).
  void setTitle(std::string title, unsigned state);
  std::string titleForState(unsigned state) const;
  void setTitleColor(const UIColor& color, unsigned state);
  UIColor titleColorForState(unsigned state) const;
  // A template image is drawn in the title's colour.
  void setImage(std::shared_ptr<UIImage> image, unsigned state);
  std::shared_ptr<UIImage> imageForState(unsigned state) const;
  // What the button shows in its present state.
  std::string currentTitle() const { return titleForState(state()); }
  UIColor currentTitleColor() const { return titleColorForState(state()); }
  std::shared_ptr<UIImage> currentImage() const { return imageForState(state()); }

  // The normal state's, for callers that know one state only.
  std::string title() const { return titleForState(UIControlStateNormal); }
  void setTitle(std::string title) { setTitle(std::move(title), UIControlStateNormal); }
  UIColor titleColor() const { return titleColorForState(UIControlStateNormal); }
  void setTitleColor(const UIColor& color) { setTitleColor(color, UIControlStateNormal); }

  const UIFont& font() const { return font_; }
  void setFont(const UIFont& font) { font_ = font; }

  // What a finger lifting inside the button does: the touch-up-inside actions.
  void tap() { handleTap(CGPoint{frame().width() / 2, frame().height() / 2}); }

  CGSize sizeThatFits(const CGSize& size) const override;
  void draw(cairo_t* cr) override;

  // A button is an element that reads its present title.
  bool isAccessibilityElement() const override { return explicitIsAccessibilityElement().value_or(true); }
  std::string accessibilityLabel() const override;
  UIAccessibilityTraits accessibilityTraits() const override {
    return UIControl::accessibilityTraits() | UIAccessibilityTraitButton;
  }

 private:
  template <typename T>
  static std::optional<T> lookup(const std::map<unsigned, T>& table, unsigned state);

  UIButtonType type_ = UIButtonTypeCustom;
  std::map<unsigned, std::string> titles_;
  std::map<unsigned, UIColor> titleColors_;
  std::map<unsigned, std::shared_ptr<UIImage>> images_;
  UIFont font_ = UIFont::systemFontOfSize(17);
};
