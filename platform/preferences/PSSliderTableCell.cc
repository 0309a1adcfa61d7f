#include "platform/preferences/PSSliderTableCell.h"

#include <cmath>

#include <fmt/format.h>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UISlider.h"

namespace {
constexpr double kSliderSideInset = 16;
constexpr double kValueWidth = 44;

double numberProperty(const PSSpecifier& specifier, const char* key, double fallback) {
  const platform::Value* v = specifier.propertyForKey(key);
  return v && v->isNumber() && std::isfinite(v->doubleValue()) ? v->doubleValue() : fallback;
}
}  // namespace

OBJC_DEFINE_CLASS(PSSliderTableCell, PSTableCell)

PSSliderTableCell::PSSliderTableCell(objc::Class* isa) : PSTableCell(isa) {}

objc::Object* PSSliderTableCell::initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                                               PSSpecifier* specifier) {
  slider_ = UISlider::alloc();
  std::weak_ptr<PSSliderTableCell> weak = std::static_pointer_cast<PSSliderTableCell>(shared_from_this());
  slider_->addHandler(
      [weak](UIControl*) {
        if (auto cell = weak.lock()) cell->sliderChanged();
      },
      UIControlEventValueChanged);
  valueLabel_ = UILabel::alloc();
  valueLabel_->setTextAlignment(NSTextAlignmentRight);
  valueLabel_->setTextColor(UIColor::secondaryLabelColor());
  valueLabel_->setHidden(true);
  contentView()->addSubview(slider_);
  contentView()->addSubview(valueLabel_);
  setSelectionStyle(UITableViewCellSelectionStyleNone);
  return PSTableCell::initWithStyle(style, std::move(reuseIdentifier), specifier);
}

void PSSliderTableCell::refreshCellContentsWithSpecifier(PSSpecifier* specifier) {
  if (specifier && slider_) {
    double minimum = numberProperty(*specifier, PSControlMinimumKey, 0);
    double maximum = numberProperty(*specifier, PSControlMaximumKey, 1);
    if (maximum < minimum) std::swap(minimum, maximum);
    slider_->setMinimumValue(minimum);
    slider_->setMaximumValue(maximum);
    const platform::Value* show = specifier->propertyForKey("showValue");
    valueLabel_->setHidden(!show || !show->boolValue());
    slider_->setAccessibilityLabel(specifier->name());
  }
  PSTableCell::refreshCellContentsWithSpecifier(specifier);
  // A slider row is the slider; its name is what a screen reader says for it.
  if (existingTextLabel()) existingTextLabel()->setHidden(true);
}

void PSSliderTableCell::setValue(PSValue value) {
  PSTableCell::setValue(value);
  if (!slider_) return;
  slider_->setValue(value && value->isNumber() ? value->doubleValue() : slider_->minimumValue());
  valueLabel_->setText(accessibilityValue());
}

void PSSliderTableCell::setCellEnabled(bool enabled) {
  PSTableCell::setCellEnabled(enabled);
  setSelectionStyle(UITableViewCellSelectionStyleNone);
  if (slider_) slider_->setEnabled(enabled);
}

void PSSliderTableCell::sliderChanged() {
  // Keep this cell alive: the setter may reload the list, which lets go of its cells.
  auto keep = shared_from_this();
  double value = slider_->value();
  valueLabel_->setText(accessibilityValue());
  PSTableCell::setValue(platform::Value(value));
  if (auto spec = specifier()) spec->performSetterWithValue(platform::Value(value));
}

void PSSliderTableCell::layoutSubviews() {
  PSTableCell::layoutSubviews();
  if (!slider_) return;
  CGRect b = contentView()->bounds();
  double right = valueLabel_->isHidden() ? kSliderSideInset : kSliderSideInset + kValueWidth;
  double height = slider_->sizeThatFits(b.size).height;
  slider_->setFrame(CGRectMake(kSliderSideInset, (b.height() - height) / 2, std::max(0.0, b.width() - kSliderSideInset - right), height));
  valueLabel_->setFrame(CGRectMake(b.width() - kSliderSideInset - kValueWidth + 8, 0, kValueWidth - 8, b.height()));
}

std::string PSSliderTableCell::accessibilityValue() const {
  return slider_ ? fmt::format("{:g}", slider_->value()) : std::string();
}
