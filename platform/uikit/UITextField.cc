#include "platform/uikit/UITextField.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/TextDrawing.h"

namespace {

constexpr double kRoundedInset = 7;
constexpr double kLineInset = 4;
constexpr double kRoundedCornerRadius = 5;
constexpr double kRoundedVerticalPadding = 7;
constexpr double kCaretWidth = 2;

// The byte length of the last UTF-8 character of a non-empty text.
std::size_t lastCharacterLength(const std::string& text) {
  std::size_t i = text.size() - 1;
  while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
  return text.size() - i;
}

}  // namespace

OBJC_DEFINE_CLASS(UITextField, UIControl)

std::shared_ptr<UITextField> UITextField::alloc() { return std::make_shared<UITextField>(); }

std::shared_ptr<UITextField> UITextField::initWithFrame(const CGRect& frame) {
  return std::static_pointer_cast<UITextField>(UIView::initWithFrame(frame));
}

UITextField::UITextField(objc::Class* isa) : UIControl(isa) {}

void UITextField::setEnabled(bool enabled) {
  if (!enabled) resignFirstResponder();
  UIControl::setEnabled(enabled);
}

bool UITextField::canBecomeFirstResponder() const { return isEnabled() && !isHidden(); }

bool UITextField::becomeFirstResponder() {
  bool was = isFirstResponder();
  if (!UIControl::becomeFirstResponder()) return false;
  if (!was) sendActionsForControlEvents(UIControlEventEditingDidBegin);
  return true;
}

bool UITextField::resignFirstResponder() {
  bool was = isFirstResponder();
  if (!UIControl::resignFirstResponder()) return false;
  if (was) sendActionsForControlEvents(UIControlEventEditingDidEnd);
  return true;
}

void UITextField::insertText(std::string_view text) {
  auto keep = weak_from_this().lock();
  std::size_t lineFeed = text.find('\n');
  std::string_view typed = text.substr(0, lineFeed);
  if (!typed.empty()) {
    text_ += platform::sanitizeUTF8(typed);
    sendActionsForControlEvents(UIControlEventEditingChanged);
  }
  if (lineFeed == std::string_view::npos) return;
  sendActionsForControlEvents(UIControlEventEditingDidEndOnExit);
  resignFirstResponder();
}

void UITextField::deleteBackward() {
  if (text_.empty()) return;
  text_.erase(text_.size() - lastCharacterLength(text_));
  sendActionsForControlEvents(UIControlEventEditingChanged);
}

bool UITextField::handleTap(const CGPoint&) { return isEnabled() && becomeFirstResponder(); }

double UITextField::horizontalInset() const {
  switch (borderStyle_) {
    case UITextBorderStyleRoundedRect: return kRoundedInset;
    case UITextBorderStyleLine: return kLineInset;
    default: return 0;
  }
}

CGSize UITextField::sizeThatFits(const CGSize&) const {
  double width = std::max(platform::textWidth(text_, font_), platform::textWidth(placeholder_, font_));
  double padding = borderStyle_ == UITextBorderStyleRoundedRect ? kRoundedVerticalPadding : kLineInset / 2;
  return CGSize{std::ceil(width + 2 * horizontalInset() + kCaretWidth),
                std::ceil(platform::lineHeight(font_) + 2 * padding)};
}

void UITextField::draw(cairo_t* cr) {
  CGRect b = bounds();
  if (borderStyle_ == UITextBorderStyleRoundedRect) {
    platform::setSourceColor(cr, UIColor::whiteColor());
    platform::addRoundedRect(cr, b, kRoundedCornerRadius);
    cairo_fill(cr);
    platform::setSourceColor(cr, UIColor::systemGray4Color());
    cairo_set_line_width(cr, 1);
    platform::addRoundedRect(cr, CGRectInset(b, 0.5, 0.5), kRoundedCornerRadius);
    cairo_stroke(cr);
  } else if (borderStyle_ == UITextBorderStyleLine) {
    platform::setSourceColor(cr, UIColor::systemGrayColor());
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, std::max(0.0, b.width() - 1), std::max(0.0, b.height() - 1));
    cairo_stroke(cr);
  }

  double inset = horizontalInset();
  double room = std::max(0.0, b.width() - 2 * inset - kCaretWidth);
  bool showsPlaceholder = text_.empty();
  std::string line = platform::truncateToWidth(showsPlaceholder ? placeholder_ : text_, font_, room);
  double width = line.empty() ? 0 : platform::textWidth(line, font_);
  double x = textAlignment_ == NSTextAlignmentCenter  ? inset + (room - width) / 2
             : textAlignment_ == NSTextAlignmentRight ? inset + room - width
                                                      : inset;
  double top = (b.height() - platform::lineHeight(font_)) / 2;
  if (!line.empty())
    platform::drawTextLine(cr, line, font_, showsPlaceholder ? UIColor::placeholderTextColor() : textColor_, x,
                           top + platform::fontAscent(font_));
  if (isFirstResponder()) {
    // The caret stands after the text, or at the start of an empty field.
    double caretX = showsPlaceholder ? x : x + width;
    if (showsPlaceholder && textAlignment_ == NSTextAlignmentCenter) caretX = inset + room / 2;
    if (showsPlaceholder && textAlignment_ == NSTextAlignmentRight) caretX = inset + room;
    platform::setSourceColor(cr, tintColor());
    cairo_rectangle(cr, caretX, top, kCaretWidth, platform::lineHeight(font_));
    cairo_fill(cr);
  }
}
