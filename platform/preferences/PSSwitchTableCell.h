#pragma once
// PSSwitchTableCell: a PSSwitchCell row, a switch at its right. Its value is a bool; turning the
// switch hands the new bool to the specifier's setter at once. Any non-bool value shows as its
// truth (a number other than 0, a string that reads as one).
#include <memory>

#include "platform/preferences/PSTableCell.h"

class UISwitch;

class PSSwitchTableCell : public PSTableCell {
 public:
  static objc::Class* cls();
  explicit PSSwitchTableCell(objc::Class* isa = PSSwitchTableCell::cls());

  objc::Object* initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                              PSSpecifier* specifier) override;
  void setValue(PSValue value) override;
  void setCellEnabled(bool enabled) override;
  const std::shared_ptr<UISwitch>& control() const { return switch_; }

 private:
  void switchChanged();
  std::shared_ptr<UISwitch> switch_;
};
