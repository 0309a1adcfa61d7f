#include "platform/preferences/PSListItemsController.h"

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"

namespace {
constexpr const char* kChoiceValueKey = "value";
}  // namespace

OBJC_DEFINE_CLASS(PSListItemsController, PSListController)

PSListItemsController::PSListItemsController(objc::Class* isa) : PSListController(isa) {}

void PSListItemsController::setSpecifier(std::shared_ptr<PSSpecifier> specifier) {
  if (specifier) setTitle(specifier->name());
  PSListController::setSpecifier(std::move(specifier));
  reloadSpecifiers();
}

PSSpecifierList PSListItemsController::specifiers() {
  if (_specifiers) return *_specifiers;
  PSSpecifierList rows;
  if (const auto& row = specifier()) {
    rows.push_back(PSSpecifier::emptyGroupSpecifier());
    const auto& values = row->values();
    if (values.empty()) NSLog("Preferences: \"{}\" has no validValues; its list of choices is empty", row->name());
    for (std::size_t i = 0; i < values.size(); ++i) {
      std::string title = i < row->titles().size() ? row->titles()[i] : values[i].description();
      auto choice = PSSpecifier::preferenceSpecifierNamed(title, this, nullptr, nullptr, nullptr, PSListItemCell);
      choice->setProperty(values[i], kChoiceValueKey);
      rows.push_back(std::move(choice));
    }
  }
  _specifiers = rows;
  return rows;
}

std::shared_ptr<UITableViewCell> PSListItemsController::cellForRowAtIndexPath(UITableView* tableView,
                                                                              const NSIndexPath& indexPath) {
  auto cell = PSListController::cellForRowAtIndexPath(tableView, indexPath);
  auto choice = specifierAtIndexPath(indexPath);
  auto row = specifier();
  if (auto item = std::dynamic_pointer_cast<PSTableCell>(cell); item && choice && row) {
    PSValue current = row->performGetter();
    const platform::Value* value = choice->propertyForKey(kChoiceValueKey);
    item->setChecked(current && value && PSValuesEqual(*current, *value));
  }
  return cell;
}

void PSListItemsController::didSelectSpecifier(PSSpecifier* choice, const NSIndexPath& indexPath) {
  if (auto list = table()) list->deselectRowAtIndexPath(indexPath, true);
  auto row = specifier();
  const platform::Value* value = choice->propertyForKey(kChoiceValueKey);
  if (!row || !value) return;
  // Keep the choice: the setter may make the list it came from reload.
  auto keep = std::static_pointer_cast<PSSpecifier>(choice->shared_from_this());
  row->performSetterWithValue(*value);
  for (const auto& other : loadedSpecifiers())
    if (auto cell = std::dynamic_pointer_cast<PSTableCell>(cachedCellForSpecifier(other.get())))
      if (other->cellType() == PSListItemCell) cell->setChecked(other.get() == choice);
}
