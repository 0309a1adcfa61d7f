#pragma once
// UITextField: one line of editable text. It edits while it is the application's first responder:
// a tap makes it so (editing-did-begin); typed characters change its text (editing-changed each);
// the return key sends editing-did-end-on-exit and ends the editing; leaving first responder
// sends editing-did-end. Setting the text from code sends nothing, as on the device.
#include <string>
#include <string_view>

#include "platform/uikit/UIControl.h"
#include "platform/uikit/UIFont.h"
#include "platform/uikit/UIKitDefines.h"

enum UITextBorderStyle {
  UITextBorderStyleNone = 0,
  UITextBorderStyleLine = 1,
  UITextBorderStyleRoundedRect = 3,
};

class UITextField : public UIControl {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UITextField> alloc();
  std::shared_ptr<UITextField> initWithFrame(const CGRect& frame);
  explicit UITextField(objc::Class* isa = UITextField::cls());

  const std::string& text() const { return text_; }
  void setText(std::string text) { text_ = std::move(text); }
  // Shown in grey while the text is empty.
  const std::string& placeholder() const { return placeholder_; }
  void setPlaceholder(std::string placeholder) { placeholder_ = std::move(placeholder); }
  const UIFont& font() const { return font_; }
  void setFont(const UIFont& font) { font_ = font; }
  const UIColor& textColor() const { return textColor_; }
  void setTextColor(const UIColor& color) { textColor_ = color; }
  NSTextAlignment textAlignment() const { return textAlignment_; }
  void setTextAlignment(NSTextAlignment alignment) { textAlignment_ = alignment; }
  UITextBorderStyle borderStyle() const { return borderStyle_; }
  void setBorderStyle(UITextBorderStyle style) { borderStyle_ = style; }
  bool isEditing() const { return isFirstResponder(); }

  // An enabled, visible field can edit; disabling one that is editing ends the editing.
  void setEnabled(bool enabled) override;
  bool canBecomeFirstResponder() const override;
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;

  // The keyboard's side (insertText: and deleteBackward): what a key press does. A line feed is
  // the return key. Both send editing-changed when the text changed.
  void insertText(std::string_view text);
  void deleteBackward();

  // A tap starts editing.
  bool handleTap(const CGPoint& point) override;
  CGSize sizeThatFits(const CGSize& size) const override;
  void draw(cairo_t* cr) override;

  // An element labelled by its placeholder, its value the text.
  bool isAccessibilityElement() const override { return explicitIsAccessibilityElement().value_or(true); }
  std::string accessibilityLabel() const override { return explicitAccessibilityLabel().value_or(placeholder_); }
  std::string accessibilityValue() const override { return explicitAccessibilityValue().value_or(text_); }
  UIAccessibilityTraits accessibilityTraits() const override {
    return UIControl::accessibilityTraits() | UIAccessibilityTraitTextField;
  }

 private:
  double horizontalInset() const;

  std::string text_;
  std::string placeholder_;
  UIFont font_ = UIFont::systemFontOfSize(17);
  UIColor textColor_ = UIColor::labelColor();
  NSTextAlignment textAlignment_ = NSTextAlignmentLeft;
  UITextBorderStyle borderStyle_ = UITextBorderStyleNone;
};
