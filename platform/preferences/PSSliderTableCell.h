#pragma once
// PSSliderTableCell: a PSSliderCell row, a slider between the specifier's `min` and `max` (0 and
// 1 when missing) filling the row, with the value at its right when `showValue` is set. The value
// is a real; moving the slider hands the new real to the specifier's setter.
#include <memory>

#include "platform/preferences/PSTableCell.h"

class UILabel;
class UISlider;

class PSSliderTableCell : public PSTableCell {
 public:
  static objc::Class* cls();
  explicit PSSliderTableCell(objc::Class* isa = PSSliderTableCell::cls());

  objc::Object* initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                              PSSpecifier* specifier) override;
  void refreshCellContentsWithSpecifier(PSSpecifier* specifier) override;
  void setValue(PSValue value) override;
  void setCellEnabled(bool enabled) override;
  const std::shared_ptr<UISlider>& control() const { return slider_; }

  void layoutSubviews() override;
  // The row's name, and the value as the row shows it.
  std::string accessibilityLabel() const override { return title(); }
  std::string accessibilityValue() const override;

 private:
  void sliderChanged();
  std::shared_ptr<UISlider> slider_;
  std::shared_ptr<UILabel> valueLabel_;
};
