#pragma once
// PSSegmentTableCell: a PSSegmentCell row, its choices (`validTitles`, or `shortTitles` when
// given) side by side in a segmented control filling the row. The value is one of `validValues`;
// choosing a segment hands that value, as it is, to the specifier's setter.
#include <memory>

#include "platform/preferences/PSTableCell.h"

class UISegmentedControl;

class PSSegmentTableCell : public PSTableCell {
 public:
  static objc::Class* cls();
  explicit PSSegmentTableCell(objc::Class* isa = PSSegmentTableCell::cls());

  objc::Object* initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                              PSSpecifier* specifier) override;
  void refreshCellContentsWithSpecifier(PSSpecifier* specifier) override;
  void setValue(PSValue value) override;
  void setCellEnabled(bool enabled) override;
  const std::shared_ptr<UISegmentedControl>& control() const { return control_; }

  void layoutSubviews() override;
  // The segments are the row: a reader meets each of them (the chosen one selected), not the row.
  bool isAccessibilityElement() const override { return false; }

 private:
  void segmentChanged();
  std::shared_ptr<UISegmentedControl> control_;
};
