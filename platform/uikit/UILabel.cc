#include "platform/uikit/UILabel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/TextDrawing.h"

OBJC_DEFINE_CLASS(UILabel, UIView)

std::shared_ptr<UILabel> UILabel::alloc() { return std::make_shared<UILabel>(); }

std::shared_ptr<UILabel> UILabel::initWithFrame(const CGRect& frame) {
  return std::static_pointer_cast<UILabel>(UIView::initWithFrame(frame));
}

UILabel::UILabel(objc::Class* isa) : UIView(isa) { setUserInteractionEnabled(false); }

void UILabel::setText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  if (UIView* parent = superview()) parent->setNeedsLayout();
}

void UILabel::setFont(const UIFont& font) {
  if (font == font_) return;
  font_ = font;
  if (UIView* parent = superview()) parent->setNeedsLayout();
}

bool UILabel::isAccessibilityElement() const { return explicitIsAccessibilityElement().value_or(!text_.empty()); }

std::string UILabel::accessibilityLabel() const { return explicitAccessibilityLabel().value_or(text_); }

UIAccessibilityTraits UILabel::accessibilityTraits() const {
  return explicitAccessibilityTraits().value_or(UIAccessibilityTraitStaticText);
}

std::vector<std::string> UILabel::linesForSize(const CGSize& size) const {
  if (text_.empty()) return {};
  double width = size.width > 0 ? size.width : std::numeric_limits<double>::infinity();
  bool wraps = numberOfLines_ != 1 && std::isfinite(width);
  std::vector<std::string> lines = platform::wrapText(text_, font_, wraps ? width : 0);

  std::size_t limit = numberOfLines_ > 0 ? std::size_t(numberOfLines_) : lines.size();
  if (size.height > 0) {
    auto fitting = std::size_t(std::floor(size.height / platform::lineHeight(font_) + 0.01));
    limit = std::min(limit, std::max<std::size_t>(fitting, 1));
  }
  bool cut = lines.size() > limit;
  if (cut) lines.resize(limit);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    bool last = i + 1 == lines.size();
    // The last shown line of a cut text says so even when it fits.
    std::string line = last && cut ? lines[i] + " \xE2\x80\xA6" : lines[i];
    if (std::isfinite(width)) line = platform::truncateToWidth(line, font_, width);
    lines[i] = std::move(line);
  }
  return lines;
}

CGSize UILabel::sizeThatFits(const CGSize& size) const {
  // One line is as wide as its text, whatever the space offered; more lines wrap within it.
  auto lines = linesForSize(CGSize{numberOfLines_ == 1 ? 0 : size.width, 0});
  double widest = 0;
  for (const auto& line : lines) widest = std::max(widest, platform::textWidth(line, font_));
  return CGSize{std::ceil(widest), lines.size() * platform::lineHeight(font_)};
}

void UILabel::draw(cairo_t* cr) {
  CGRect b = bounds();
  auto lines = linesForSize(b.size);
  if (lines.empty()) return;
  double step = platform::lineHeight(font_);
  double top = (b.height() - step * lines.size()) / 2;
  double ascent = platform::fontAscent(font_);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    double w = platform::textWidth(lines[i], font_);
    double x = textAlignment_ == NSTextAlignmentCenter  ? (b.width() - w) / 2
               : textAlignment_ == NSTextAlignmentRight ? b.width() - w
                                                        : 0;
    platform::drawTextLine(cr, lines[i], font_, textColor_, x, top + i * step + ascent);
  }
}
