#include "platform/preferences/PSTableCell.h"

#include "platform/foundation/NSLog.h"
#include "platform/preferences/PSEditableTableCell.h"
#include "platform/preferences/PSSegmentTableCell.h"
#include "platform/preferences/PSSliderTableCell.h"
#include "platform/preferences/PSSwitchTableCell.h"
#include "platform/runtime/RuntimeClass.h"

namespace {

objc::Object* initWithStyleImp(objc::Object* self, objc::SEL, UITableViewCellStyle style, std::string reuseIdentifier,
                               PSSpecifier* specifier) {
  return static_cast<PSTableCell*>(self)->initWithStyle(style, std::move(reuseIdentifier), specifier);
}

void refreshImp(objc::Object* self, objc::SEL, PSSpecifier* specifier) {
  static_cast<PSTableCell*>(self)->refreshCellContentsWithSpecifier(specifier);
}

void setValueImp(objc::Object* self, objc::SEL, PSValue value) {
  static_cast<PSTableCell*>(self)->setValue(std::move(value));
}

}  // namespace

OBJC_DEFINE_CLASS(PSTableCell, UITableViewCell,
                  objc::method("initWithStyle:reuseIdentifier:specifier:", &initWithStyleImp),
                  objc::method("refreshCellContentsWithSpecifier:", &refreshImp),
                  objc::method("setValue:", &setValueImp))

PSTableCell::PSTableCell(objc::Class* isa) : UITableViewCell(isa) {}

UITableViewCellStyle PSTableCell::cellStyleForType(PSCellType type) {
  return type == PSLinkListCell || type == PSTitleValueCell ? UITableViewCellStyleValue1 : UITableViewCellStyleDefault;
}

std::string PSTableCell::reuseIdentifierForType(PSCellType type) { return PSCellTypeName(type); }

objc::Class* PSTableCell::cellClassForType(PSCellType type) {
  switch (type) {
    case PSSwitchCell: return PSSwitchTableCell::cls();
    case PSEditTextCell:
    case PSSecureEditTextCell: return PSEditableTableCell::cls();
    case PSSegmentCell: return PSSegmentTableCell::cls();
    case PSSliderCell: return PSSliderTableCell::cls();
    default: return PSTableCell::cls();
  }
}

objc::Object* PSTableCell::initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                                         PSSpecifier* specifier) {
  UITableViewCell::initWithStyle(style, std::move(reuseIdentifier));
  if (specifier) type_ = specifier->cellType();
  applyKind();
  if (specifier) refreshCellContentsWithSpecifier(specifier);
  return this;
}

void PSTableCell::setSpecifier(PSSpecifier* specifier) {
  specifier_ = specifier ? std::static_pointer_cast<PSSpecifier>(specifier->shared_from_this())
                         : std::shared_ptr<PSSpecifier>();
}

void PSTableCell::applyKind() {
  switch (type_) {
    case PSGroupCell:
    case PSStaticTextCell:
    case PSTitleValueCell:
      setSelectionStyle(UITableViewCellSelectionStyleNone);
      break;
    case PSLinkCell:
    case PSLinkListCell:
      setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
      break;
    default:
      break;
  }
}

void PSTableCell::refreshCellContentsWithSpecifier(PSSpecifier* specifier) {
  if (!specifier) return;
  setSpecifier(specifier);
  setTitle(specifier->name());
  const platform::Value* enabled = specifier->propertyForKey(PSEnabledKey);
  setCellEnabled(!enabled || enabled->boolValue());
  if (PSCellTypeHoldsValue(type_)) setValue(specifier->performGetter());
}

void PSTableCell::setValue(PSValue value) {
  value_ = std::move(value);
  if (type_ == PSLinkListCell || type_ == PSTitleValueCell)
    if (auto detail = detailTextLabel()) detail->setText(displayTextForValue(value_));
  setNeedsLayout();
}

std::string PSTableCell::displayTextForValue(const PSValue& value) const {
  if (!value) return {};
  if (type_ != PSLinkListCell) return value->description();
  auto spec = specifier();
  if (!spec) return {};
  auto index = spec->indexOfValue(*value);
  if (!index) return {};
  if (*index < spec->shortTitles().size() && !spec->shortTitles()[*index].empty()) return spec->shortTitles()[*index];
  return *index < spec->titles().size() ? spec->titles()[*index] : std::string();
}

void PSTableCell::setTitle(const std::string& title) {
  // A custom row that draws its own content has no title; making the label would put an empty
  // line over it and hide its own labels from a screen reader.
  if (title.empty() && !existingTextLabel()) return;
  textLabel()->setText(title);
  setNeedsLayout();
}

std::string PSTableCell::title() const { return existingTextLabel() ? existingTextLabel()->text() : std::string(); }

void PSTableCell::setCellEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) setSelectionStyle(UITableViewCellSelectionStyleNone);
  else if (type_ != PSGroupCell && type_ != PSStaticTextCell && type_ != PSTitleValueCell)
    setSelectionStyle(UITableViewCellSelectionStyleDefault);
  setNeedsLayout();
}

void PSTableCell::setChecked(bool checked) {
  setAccessoryType(checked ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone);
}

void PSTableCell::layoutSubviews() {
  UITableViewCell::layoutSubviews();
  if (UILabel* label = existingTextLabel()) {
    if (!enabled_) label->setTextColor(UIColor::secondaryLabelColor());
    else if (type_ == PSButtonCell) label->setTextColor(tintColor());
    else label->setTextColor(UIColor::labelColor());
  }
}

UIAccessibilityTraits PSTableCell::accessibilityTraits() const {
  UIAccessibilityTraits traits = UITableViewCell::accessibilityTraits();
  if (type_ == PSButtonCell || type_ == PSLinkCell || type_ == PSLinkListCell) traits |= UIAccessibilityTraitButton;
  if (type_ == PSStaticTextCell || type_ == PSTitleValueCell) traits |= UIAccessibilityTraitStaticText;
  if (!enabled_) traits |= UIAccessibilityTraitNotEnabled;
  return traits;
}
