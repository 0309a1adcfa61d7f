#include "platform/uikit/UIButton.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/TextDrawing.h"

namespace {

// A system button fades to this while a finger is on it.
constexpr double kHighlightedAlpha = 0.2;
// Space around the title when a button sizes itself.
constexpr double kContentPadding = 8;
// The platform's minimum touch target.
constexpr double kMinimumHeight = 44;

}  // namespace

OBJC_DEFINE_CLASS(UIButton, UIControl)

std::shared_ptr<UIButton> UIButton::buttonWithType(UIButtonType type) {
  auto button = std::make_shared<UIButton>();
  button->type_ = type == UIButtonTypeSystem ? UIButtonTypeSystem : UIButtonTypeCustom;
  return button;
}

UIButton::UIButton(objc::Class* isa) : UIControl(isa) {}

template <typename T>
std::optional<T> UIButton::lookup(const std::map<unsigned, T>& table, unsigned state) {
  if (auto it = table.find(state); it != table.end()) return it->second;
  if (auto it = table.find(UIControlStateNormal); it != table.end()) return it->second;
  return std::nullopt;
}

void UIButton::setTitle(std::string title, unsigned state) { titles_[state] = std::move(title); }

std::string UIButton::titleForState(unsigned state) const { return lookup(titles_, state).value_or(""); }

void UIButton::setTitleColor(const UIColor& color, unsigned state) { titleColors_[state] = color; }

UIColor UIButton::titleColorForState(unsigned state) const {
  if (auto it = titleColors_.find(state); it != titleColors_.end()) return it->second;
  auto normal = titleColors_.find(UIControlStateNormal);
  bool system = type_ == UIButtonTypeSystem;
  UIColor base = normal != titleColors_.end() ? normal->second : system ? tintColor() : UIColor::whiteColor();
  if (!system) return base;
  if (state & UIControlStateDisabled) return UIColor::tertiaryLabelColor();
  if (state & UIControlStateHighlighted) return base.colorWithAlphaComponent(base.alpha * kHighlightedAlpha);
  return base;
}

void UIButton::setImage(std::shared_ptr<UIImage> image, unsigned state) {
  if (image) images_[state] = std::move(image);
  else images_.erase(state);
}

std::shared_ptr<UIImage> UIButton::imageForState(unsigned state) const {
  return lookup(images_, state).value_or(nullptr);
}

std::string UIButton::accessibilityLabel() const { return explicitAccessibilityLabel().value_or(currentTitle()); }

CGSize UIButton::sizeThatFits(const CGSize&) const {
  auto image = currentImage();
  double imageWidth = image ? image->width() : 0, imageHeight = image ? image->height() : 0;
  double width = std::ceil(platform::textWidth(currentTitle(), font_) + imageWidth) + 2 * kContentPadding;
  return CGSize{width, std::max({kMinimumHeight, platform::lineHeight(font_), imageHeight})};
}

void UIButton::draw(cairo_t* cr) {
  CGRect b = bounds();
  std::string title = currentTitle();
  auto image = currentImage();
  UIColor color = currentTitleColor();
  double imageWidth = image ? std::min(image->width(), b.width()) : 0;
  std::string line = title.empty() ? "" : platform::truncateToWidth(title, font_, std::max(0.0, b.width() - imageWidth));
  double textWidth = line.empty() ? 0 : platform::textWidth(line, font_);
  double x = (b.width() - imageWidth - textWidth) / 2;
  if (image) {
    // System buttons tint their pictures unless told to keep them as they are.
    auto mode = image->renderingMode();
    bool tinted = mode == UIImageRenderingModeAlwaysTemplate ||
                  (mode == UIImageRenderingModeAutomatic && type_ == UIButtonTypeSystem);
    CGRect slot = CGRectMake(x, (b.height() - image->height()) / 2, imageWidth, image->height());
    platform::drawImageInRect(cr, image.get(), slot, UIViewContentModeScaleAspectFit, tinted ? &color : nullptr);
    x += imageWidth;
  }
  if (line.empty()) return;
  double top = (b.height() - platform::lineHeight(font_)) / 2;
  platform::drawTextLine(cr, line, font_, color, x, top + platform::fontAscent(font_));
}
