#include "platform/preferences/PSEditableTableCell.h"

#include <algorithm>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UITextField.h"

namespace {
constexpr double kSideInset = 16;
constexpr double kTitleGap = 12;
constexpr double kMinimumFieldShare = 0.45;
}  // namespace

OBJC_DEFINE_CLASS(PSEditableTableCell, PSTableCell)

PSEditableTableCell::PSEditableTableCell(objc::Class* isa) : PSTableCell(isa) {}

objc::Object* PSEditableTableCell::initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                                                 PSSpecifier* specifier) {
  field_ = UITextField::alloc();
  std::weak_ptr<PSEditableTableCell> weak = std::static_pointer_cast<PSEditableTableCell>(shared_from_this());
  field_->addHandler(
      [weak](UIControl*) {
        if (auto cell = weak.lock()) cell->editingEnded();
      },
      static_cast<UIControlEvents>(UIControlEventEditingDidEnd | UIControlEventEditingDidEndOnExit));
  contentView()->addSubview(field_);
  setSelectionStyle(UITableViewCellSelectionStyleNone);
  return PSTableCell::initWithStyle(style, std::move(reuseIdentifier), specifier);
}

void PSEditableTableCell::refreshCellContentsWithSpecifier(PSSpecifier* specifier) {
  if (specifier && field_) field_->setPlaceholder(specifier->stringPropertyForKey(PSPlaceholderKey));
  // Text being typed is the user's until editing ends; a refresh must not put the stored value over it.
  if (field_ && field_->isEditing()) {
    if (specifier) setTitle(specifier->name());
    return;
  }
  PSTableCell::refreshCellContentsWithSpecifier(specifier);
}

void PSEditableTableCell::setValue(PSValue value) {
  PSTableCell::setValue(value);
  if (field_) field_->setText(value ? value->description() : std::string());
}

void PSEditableTableCell::setCellEnabled(bool enabled) {
  PSTableCell::setCellEnabled(enabled);
  setSelectionStyle(UITableViewCellSelectionStyleNone);
  if (field_) field_->setEnabled(enabled);
}

void PSEditableTableCell::beginEditing() {
  if (field_ && cellEnabled()) field_->becomeFirstResponder();
}

void PSEditableTableCell::editingEnded() {
  // Keep this cell alive: the setter may reload the list, which lets go of its cells.
  auto keep = shared_from_this();
  std::string typed = field_->text();
  // Nothing typed over what the row showed is no change, whatever type the stored value has.
  const PSValue& shown = value();
  if (shown ? shown->description() == typed : typed.empty()) return;
  PSTableCell::setValue(platform::Value(typed));
  if (auto spec = specifier()) spec->performSetterWithValue(platform::Value(typed));
}

void PSEditableTableCell::layoutSubviews() {
  PSTableCell::layoutSubviews();
  if (!field_) return;
  CGRect b = contentView()->bounds();
  double left = kSideInset;
  if (UILabel* label = existingTextLabel(); label && !label->text().empty()) {
    double titleWidth = std::min(platform::textWidth(label->text(), label->font()), b.width() * (1 - kMinimumFieldShare));
    label->setFrame(CGRectMake(kSideInset, label->frame().minY(), titleWidth, label->frame().height()));
    left = kSideInset + titleWidth + kTitleGap;
  }
  field_->setFrame(CGRectMake(left, 0, std::max(0.0, b.width() - left - kSideInset), b.height()));
}

std::string PSEditableTableCell::accessibilityValue() const { return field_ ? field_->text() : std::string(); }

UIAccessibilityTraits PSEditableTableCell::accessibilityTraits() const {
  return PSTableCell::accessibilityTraits() | UIAccessibilityTraitTextField;
}

bool PSEditableTableCell::accessibilityActivate() {
  if (!field_ || !cellEnabled()) return false;
  return field_->becomeFirstResponder();
}
