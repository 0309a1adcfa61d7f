#pragma once
// PSEditableTableCell: a PSEditTextCell (or PSSecureEditTextCell) row, the title at the left and a
// text field filling the rest. The value is a string; what the user typed is handed to the
// specifier's setter when editing ends (the field resigns, or return is pressed), and only when
// it changed. The specifier's `placeholder` shows while the field is empty.
#include <memory>

#include "platform/preferences/PSTableCell.h"

class UITextField;

class PSEditableTableCell : public PSTableCell {
 public:
  static objc::Class* cls();
  explicit PSEditableTableCell(objc::Class* isa = PSEditableTableCell::cls());

  objc::Object* initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                              PSSpecifier* specifier) override;
  void refreshCellContentsWithSpecifier(PSSpecifier* specifier) override;
  void setValue(PSValue value) override;
  void setCellEnabled(bool enabled) override;
  const std::shared_ptr<UITextField>& textField() const { return field_; }
  // Starts editing: the field becomes the first responder.
  void beginEditing();

  void layoutSubviews() override;
  std::string accessibilityValue() const override;
  UIAccessibilityTraits accessibilityTraits() const override;
  bool accessibilityActivate() override;

 private:
  void editingEnded();
  std::shared_ptr<UITextField> field_;
};
