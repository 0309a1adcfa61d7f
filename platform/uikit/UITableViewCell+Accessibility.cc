// What a finger and a screen reader do with a row: a tap selects it through its list, and the row
// reads as one element (its text, its detail or its control's state, its accessory).
#include "platform/uikit/UIControl.h"
#include "platform/uikit/UITableView.h"
#include "platform/uikit/UITableViewCell.h"
#include "platform/uikit/UITouchDelivery.h"

namespace {

bool isUsableControl(const UIView* view) {
  auto* control = dynamic_cast<const UIControl*>(view);
  return control && control->isEnabled() && !control->isHidden() && control->isUserInteractionEnabled();
}

// The first enabled control inside the view (depth first), for a row that works as its control.
UIControl* findControl(UIView* view) {
  if (!view || view->isHidden()) return nullptr;
  if (isUsableControl(view)) return static_cast<UIControl*>(view);
  for (const auto& sub : view->subviews())
    if (UIControl* found = findControl(sub.get())) return found;
  return nullptr;
}

UIControl* rowControl(UITableViewCell& cell) {
  if (UIControl* control = findControl(cell.accessoryView().get())) return control;
  return findControl(cell.contentView().get());
}

}  // namespace

// ---- Touches ----

bool UITableViewCell::handleTap(const CGPoint&) {
  UITableView* table = tableView();
  if (!table) return false;
  auto indexPath = table->indexPathForCell(this);
  return indexPath && table->tapRowAtIndexPath(*indexPath);
}

// ---- Accessibility ----

bool UITableViewCell::isAccessibilityElement() const {
  if (const auto& explicitValue = explicitIsAccessibilityElement()) return *explicitValue;
  auto& self = const_cast<UITableViewCell&>(*this);
  return !accessibilityLabel().empty() || !accessibilityValue().empty() || rowControl(self);
}

std::string UITableViewCell::accessibilityLabel() const {
  if (const auto& label = explicitAccessibilityLabel()) return *label;
  if (textLabel_ && !textLabel_->text().empty()) return textLabel_->text();
  // A custom cell: what its parts say, in reading order, the way a reader runs them together.
  auto& self = const_cast<UITableViewCell&>(*this);
  std::string joined;
  for (const auto& element : self.accessibilityElementsOfSubviews()) {
    if (element.label.empty() || (element.traits & UIAccessibilityTraitButton)) continue;
    if (!joined.empty()) joined += ", ";
    joined += element.label;
  }
  return joined;
}

std::string UITableViewCell::accessibilityValue() const {
  if (const auto& value = explicitAccessibilityValue()) return *value;
  if (detailTextLabel_ && !detailTextLabel_->text().empty()) return detailTextLabel_->text();
  if (UIControl* control = rowControl(const_cast<UITableViewCell&>(*this))) return control->accessibilityValue();
  return {};
}

UIAccessibilityTraits UITableViewCell::accessibilityTraits() const {
  if (const auto& traits = explicitAccessibilityTraits()) return *traits;
  UIAccessibilityTraits traits = UIAccessibilityTraitNone;
  if (UIControl* control = rowControl(const_cast<UITableViewCell&>(*this)))
    traits |= control->accessibilityTraits() & ~UIAccessibilityTraitNotEnabled;
  else if (selectionStyle_ != UITableViewCellSelectionStyleNone || accessoryType_ == UITableViewCellAccessoryDisclosureIndicator)
    traits |= UIAccessibilityTraitButton;
  if (accessoryType_ == UITableViewCellAccessoryCheckmark || selected_) traits |= UIAccessibilityTraitSelected;
  return traits;
}

bool UITableViewCell::accessibilityActivate() {
  if (UIControl* control = rowControl(*this)) {
    CGRect b = control->bounds();
    return platform::deliverTap(control, CGPoint{b.midX(), b.midY()}) != nullptr;
  }
  CGRect b = bounds();
  return platform::deliverTap(this, CGPoint{b.midX(), b.midY()}) != nullptr;
}
