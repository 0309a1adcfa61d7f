#pragma once
// UILabel: text in one font and colour, aligned in the label's width and centred in its height.
// With numberOfLines other than 1 the text wraps at the label's width; line feeds always start a
// new line. Text that does not fit ends in an ellipsis.
#include <string>
#include <vector>

#include "platform/uikit/UIFont.h"
#include "platform/uikit/UIKitDefines.h"
#include "platform/uikit/UIView.h"

class UILabel : public UIView {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UILabel> alloc();
  std::shared_ptr<UILabel> initWithFrame(const CGRect& frame);
  explicit UILabel(objc::Class* isa = UILabel::cls());

  const std::string& text() const { return text_; }
  // A new text or font asks the superview to lay out again, as what holds a label may place it
  // by its text (a list row's detail, say).
  void setText(std::string text);
  const UIFont& font() const { return font_; }
  void setFont(const UIFont& font);
  const UIColor& textColor() const { return textColor_; }
  void setTextColor(const UIColor& color) { textColor_ = color; }
  NSTextAlignment textAlignment() const { return textAlignment_; }
  void setTextAlignment(NSTextAlignment alignment) { textAlignment_ = alignment; }
  // 0: as many lines as the text needs.
  int numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(int lines) { numberOfLines_ = lines < 0 ? 0 : lines; }

  // The lines as drawn in a label of this width and height (a height of zero or less: unlimited).
  std::vector<std::string> linesForSize(const CGSize& size) const;
  // Width: the widest line (wrapped within the given width when the label has several lines,
  // the whole text for one line); height: the lines' height. sizeToFit takes this for the frame.
  CGSize sizeThatFits(const CGSize& size) const override;
  void draw(cairo_t* cr) override;

  // A label with text is an element of static text that reads its text.
  bool isAccessibilityElement() const override;
  std::string accessibilityLabel() const override;
  UIAccessibilityTraits accessibilityTraits() const override;

 private:
  std::string text_;
  UIFont font_ = UIFont::systemFontOfSize(17);
  UIColor textColor_ = UIColor::labelColor();
  NSTextAlignment textAlignment_ = NSTextAlignmentLeft;
  int numberOfLines_ = 1;
};
