#include "platform/uikit/UIButton.h"

#include <algorithm>
#include <cmath>

#include "platform/uikit/TextDrawing.h"

objc::Class* UIButton::cls() {
  static objc::Class* c = objc::objc_allocateClassPair(UIControl::cls(), "UIButton");
  return c;
}

std::shared_ptr<UIButton> UIButton::buttonWithType(UIButtonType type) {
  auto button = std::make_shared<UIButton>();
  button->type_ = type;
  if (type == UIButtonTypeCustom) button->titleColor_ = UIColor::whiteColor();
  return button;
}

UIButton::UIButton(objc::Class* isa) : UIControl(isa) {}

CGSize UIButton::sizeThatFits(const CGSize&) const {
  // The platform's minimum touch target is 44 points high.
  return CGSize{std::ceil(platform::textWidth(title_, font_)) + 16, std::max(44.0, platform::lineHeight(font_))};
}

void UIButton::draw(cairo_t* cr) {
  if (title_.empty()) return;
  CGRect b = bounds();
  std::string line = platform::truncateToWidth(title_, font_, b.width());
  double w = platform::textWidth(line, font_);
  double top = (b.height() - platform::lineHeight(font_)) / 2;
  UIColor color = titleColor_;
  if (!isEnabled()) color.alpha *= 0.35;
  platform::drawTextLine(cr, line, font_, color, (b.width() - w) / 2, top + platform::fontAscent(font_));
}
