#pragma once
// PSTableCell: the row of a settings list for one specifier. It shows the specifier's name as its
// title and, for value rows, the value its target's getter reads; a kind of row that edits its
// value (a switch, a text field, a slider, segments) is a subclass that hands a change to the
// specifier's setter at once.
//
// The kinds this class draws itself:
//   PSGroupCell, PSDefaultCell, PSStaticTextCell   the title; static text is not selectable
//   PSTitleValueCell                                the title, the value in grey at the right
//   PSLinkListCell                                  the title, the current value's (short) title in
//                                                   grey, a chevron
//   PSLinkCell                                      the title and a chevron
//   PSButtonCell                                    the title in the tint colour
//   PSListItemCell                                  a choice of a link list; checked when chosen
//
// Runtime selectors, for cells a pane makes or replaces:
//   initWithStyle:reuseIdentifier:specifier:
//       objc::Object* (objc::Object* self, objc::SEL, UITableViewCellStyle style,
//                      std::string reuseIdentifier, PSSpecifier* specifier)        -> self or nullptr
//   refreshCellContentsWithSpecifier:   void (objc::Object* self, objc::SEL, PSSpecifier* specifier)
//   setValue:                           void (objc::Object* self, objc::SEL, PSValue value)
#include <memory>
#include <string>

#include "platform/preferences/PSSpecifier.h"
#include "platform/uikit/UITableViewCell.h"

class PSTableCell : public UITableViewCell {
 public:
  static objc::Class* cls();
  explicit PSTableCell(objc::Class* isa = PSTableCell::cls());

  // The style and reuse identifier a list gives a row of this kind.
  static UITableViewCellStyle cellStyleForType(PSCellType type);
  static std::string reuseIdentifierForType(PSCellType type);
  // The class a list makes for a row of this kind when the row names no cellClass.
  static objc::Class* cellClassForType(PSCellType type);

  using UITableViewCell::initWithStyle;
  // Sets up the cell for the specifier (its kind, title and value); returns this cell.
  virtual objc::Object* initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                                      PSSpecifier* specifier);

  // Held weakly: the list holds its specifiers, and a cell may outlive a reload.
  std::shared_ptr<PSSpecifier> specifier() const { return specifier_.lock(); }
  void setSpecifier(PSSpecifier* specifier);
  PSCellType type() const { return type_; }

  // Reads the specifier afresh: title, enabled state, and (for a value row) the value through
  // the target's getter. The list sends it each time the row is shown.
  virtual void refreshCellContentsWithSpecifier(PSSpecifier* specifier);
  // Shows a value; nothing shows the kind's empty state (an off switch, an empty field).
  virtual void setValue(PSValue value);
  const PSValue& value() const { return value_; }

  // The title shown; the specifier's name by default.
  void setTitle(const std::string& title);
  std::string title() const;
  // A disabled row shows its title in grey, takes no selection and its control takes no touch.
  bool cellEnabled() const { return enabled_; }
  virtual void setCellEnabled(bool enabled);
  // For a list item: whether it shows the checkmark.
  void setChecked(bool checked);
  bool isChecked() const { return accessoryType() == UITableViewCellAccessoryCheckmark; }

  void layoutSubviews() override;
  UIAccessibilityTraits accessibilityTraits() const override;

 protected:
  // The text a value row shows at its right for a value: the choice's title for a link list,
  // the value itself for a title-value row; empty for no value.
  std::string displayTextForValue(const PSValue& value) const;

 private:
  void applyKind();

  std::weak_ptr<PSSpecifier> specifier_;
  PSCellType type_ = PSDefaultCell;
  PSValue value_;
  bool enabled_ = true;
};
