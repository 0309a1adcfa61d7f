#include "platform/preferences/PSSwitchTableCell.h"

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UISwitch.h"

OBJC_DEFINE_CLASS(PSSwitchTableCell, PSTableCell)

PSSwitchTableCell::PSSwitchTableCell(objc::Class* isa) : PSTableCell(isa) {}

objc::Object* PSSwitchTableCell::initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                                               PSSpecifier* specifier) {
  switch_ = UISwitch::alloc();
  std::weak_ptr<PSSwitchTableCell> weak = std::static_pointer_cast<PSSwitchTableCell>(shared_from_this());
  switch_->addHandler(
      [weak](UIControl*) {
        if (auto cell = weak.lock()) cell->switchChanged();
      },
      UIControlEventValueChanged);
  setAccessoryView(switch_);
  setSelectionStyle(UITableViewCellSelectionStyleNone);
  return PSTableCell::initWithStyle(style, std::move(reuseIdentifier), specifier);
}

void PSSwitchTableCell::setValue(PSValue value) {
  PSTableCell::setValue(value);
  if (switch_) switch_->setOn(value && value->boolValue());
}

void PSSwitchTableCell::setCellEnabled(bool enabled) {
  PSTableCell::setCellEnabled(enabled);
  // The row itself is never selected: only the switch acts.
  setSelectionStyle(UITableViewCellSelectionStyleNone);
  if (switch_) switch_->setEnabled(enabled);
}

void PSSwitchTableCell::switchChanged() {
  // Keep this cell alive: the setter may reload the list, which lets go of its cells.
  auto keep = shared_from_this();
  bool on = switch_->isOn();
  PSTableCell::setValue(platform::Value(on));
  if (auto spec = specifier()) spec->performSetterWithValue(platform::Value(on));
}
