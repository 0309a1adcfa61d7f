// The list's side of PSListController: sections from group rows, cells for specifiers, row
// heights, and what a tap on each kind of row does.
#include <cmath>

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/preferences/PSEditableTableCell.h"
#include "platform/preferences/PSListController.h"
#include "platform/preferences/PSListItemsController.h"
#include "platform/preferences/PreferencesTableCustomView.h"
#include "platform/uikit/UINavigationController.h"

namespace {

std::string rowName(const PSSpecifier* specifier) {
  return specifier->name().empty() ? specifier->description() : "\"" + specifier->name() + "\"";
}

}  // namespace

// ---- The screen ----

void PSListController::loadView() {
  table_ = UITableView::alloc()->initWithFrame(CGRect{}, UITableViewStyleInsetGrouped);
  table_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  auto self = std::static_pointer_cast<PSListController>(shared_from_this());
  table_->setDataSource(self);
  table_->setDelegate(self);
  setView(table_);
}

std::shared_ptr<UITableView> PSListController::table() {
  view();
  return table_;
}

void PSListController::viewWillAppear(bool animated) {
  PSViewController::viewWillAppear(animated);
  loadedSpecifiers();
  if (table_)
    if (auto selected = table_->indexPathForSelectedRow()) table_->deselectRowAtIndexPath(*selected, animated);
  // A pushed screen may have changed a value this list shows (a link list's choice).
  auto cells = cells_;
  for (const auto& [specifier, cell] : cells) refreshCell(const_cast<PSSpecifier*>(specifier), cell.get());
}

void PSListController::refreshCell(PSSpecifier* specifier, UITableViewCell* cell) {
  // A pane's own cell draws what it wants and reads its specifier only when it wishes.
  if (!cell || !specifier->stringPropertyForKey(PSCellClassKey).empty()) return;
  if (cell->isa()->lookup(objc::sel("refreshCellContentsWithSpecifier:")))
    objc::msgSend<void, PSSpecifier*>(cell, objc::sel("refreshCellContentsWithSpecifier:"), specifier);
}

void PSListController::pushController(const std::shared_ptr<UIViewController>& controller, bool animated) {
  if (!controller) return;
  auto navigation = navigationController();
  if (!navigation) {
    NSLog("Preferences: {} is in no navigation controller; {} is not shown", isa()->name(), controller->isa()->name());
    return;
  }
  if (auto screen = std::dynamic_pointer_cast<PSViewController>(controller); screen && !screen->parentController())
    screen->setParentController(std::static_pointer_cast<UIViewController>(shared_from_this()));
  navigation->pushViewController(controller, animated);
}

// ---- Sections ----

const std::vector<PSListController::Section>& PSListController::sections() {
  if (!sections_) rebuildSections();
  return *sections_;
}

void PSListController::rebuildSections() {
  std::vector<Section> built;
  for (const auto& specifier : loadedSpecifiers()) {
    if (specifier->cellType() == PSGroupCell) {
      built.push_back(Section{specifier, {}});
      continue;
    }
    if (built.empty()) built.push_back(Section{});
    built.back().rows.push_back(specifier);
  }
  sections_ = std::move(built);
}

std::optional<NSIndexPath> PSListController::indexPathForSpecifier(const PSSpecifier* specifier) {
  const auto& all = sections();
  for (int s = 0; s < int(all.size()); ++s)
    for (int r = 0; r < int(all[std::size_t(s)].rows.size()); ++r)
      if (all[std::size_t(s)].rows[std::size_t(r)].get() == specifier) return NSIndexPath::indexPathForRow(r, s);
  return std::nullopt;
}

std::shared_ptr<PSSpecifier> PSListController::specifierAtIndexPath(const NSIndexPath& indexPath) {
  const auto& all = sections();
  if (indexPath.section < 0 || indexPath.section >= int(all.size())) return nullptr;
  const auto& rows = all[std::size_t(indexPath.section)].rows;
  if (indexPath.row < 0 || indexPath.row >= int(rows.size())) return nullptr;
  return rows[std::size_t(indexPath.row)];
}

int PSListController::numberOfSectionsInTableView(UITableView*) { return int(sections().size()); }

int PSListController::numberOfRowsInSection(UITableView*, int section) {
  const auto& all = sections();
  return section >= 0 && section < int(all.size()) ? int(all[std::size_t(section)].rows.size()) : 0;
}

std::string PSListController::titleForHeaderInSection(UITableView*, int section) {
  const auto& all = sections();
  if (section < 0 || section >= int(all.size()) || !all[std::size_t(section)].group) return {};
  return all[std::size_t(section)].group->name();
}

std::string PSListController::titleForFooterInSection(UITableView*, int section) {
  const auto& all = sections();
  if (section < 0 || section >= int(all.size()) || !all[std::size_t(section)].group) return {};
  return all[std::size_t(section)].group->stringPropertyForKey(PSFooterTextGroupKey);
}

// ---- Cells ----

std::shared_ptr<UITableViewCell> PSListController::cachedCellForSpecifier(const PSSpecifier* specifier) {
  if (!specifier || !indexOfSpecifier(specifier)) return nullptr;
  auto it = cells_.find(specifier);
  if (it != cells_.end()) return it->second;
  auto cell = makeCell(const_cast<PSSpecifier*>(specifier));
  cells_[specifier] = cell;
  return cell;
}

std::shared_ptr<UITableViewCell> PSListController::makeCell(PSSpecifier* specifier) {
  std::string className = specifier->stringPropertyForKey(PSCellClassKey);
  if (!className.empty())
    if (auto custom = makeCustomCell(specifier, className)) return custom;
  PSCellType type = specifier->cellType();
  objc::id made = objc::class_createInstance(PSTableCell::cellClassForType(type));
  objc::msgSend<objc::Object*, UITableViewCellStyle, std::string, PSSpecifier*>(
      made.get(), objc::sel("initWithStyle:reuseIdentifier:specifier:"), PSTableCell::cellStyleForType(type),
      PSTableCell::reuseIdentifierForType(type), specifier);
  return std::static_pointer_cast<UITableViewCell>(made);
}

std::shared_ptr<UITableViewCell> PSListController::makeCustomCell(PSSpecifier* specifier, const std::string& className) {
  objc::Class* cellClass = objc::objc_getClass(className);
  if (!cellClass) {
    NSLog("Preferences: the cell class {} of {} does not exist; a plain row is shown", className, rowName(specifier));
    return nullptr;
  }
  if (!cellClass->isSubclassOf(UITableViewCell::cls())) {
    NSLog("Preferences: {} of {} is no table cell; a plain row is shown", className, rowName(specifier));
    return nullptr;
  }
  objc::id made = objc::class_createInstance(cellClass);
  auto cell = std::dynamic_pointer_cast<UITableViewCell>(made);
  if (!cell) {
    NSLog("Preferences: {} makes no table cell; a plain row is shown for {}", className, rowName(specifier));
    return nullptr;
  }
  objc::Object* ready = nullptr;
  try {
    if (cellClass->lookup(PSInitWithSpecifierSelector()))
      ready = objc::msgSend<objc::Object*, PSSpecifier*>(cell.get(), PSInitWithSpecifierSelector(), specifier);
    else if (cellClass->lookup(objc::sel("initWithStyle:reuseIdentifier:specifier:")))
      ready = objc::msgSend<objc::Object*, UITableViewCellStyle, std::string, PSSpecifier*>(
          cell.get(), objc::sel("initWithStyle:reuseIdentifier:specifier:"), UITableViewCellStyleDefault, className,
          specifier);
    else
      ready = cell->initWithStyle(UITableViewCellStyleDefault, className).get();
  } catch (const platform::NSException& e) {
    NSLog("Preferences: {} raised while making the row {}: {}", className, rowName(specifier), e.reason());
    return nullptr;
  }
  if (ready != cell.get()) {
    NSLog("Preferences: {} refused the row {}; a plain row is shown", className, rowName(specifier));
    return nullptr;
  }
  return cell;
}

std::shared_ptr<UITableViewCell> PSListController::cellForRowAtIndexPath(UITableView*, const NSIndexPath& indexPath) {
  auto specifier = specifierAtIndexPath(indexPath);
  if (!specifier) return nullptr;
  auto cell = cachedCellForSpecifier(specifier.get());
  // Values are never kept: each showing of the row reads its value afresh.
  refreshCell(specifier.get(), cell.get());
  return cell;
}

void PSListController::reloadSpecifier(PSSpecifier* specifier) {
  auto it = specifier ? cells_.find(specifier) : cells_.end();
  if (it != cells_.end()) refreshCell(specifier, it->second.get());
}

void PSListController::reloadSpecifierID(const std::string& identifier) {
  if (auto specifier = specifierForID(identifier)) reloadSpecifier(specifier.get());
}

double PSListController::heightForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) {
  auto specifier = specifierAtIndexPath(indexPath);
  if (!specifier) return UITableViewAutomaticDimension;
  auto cell = cachedCellForSpecifier(specifier.get());
  if (cell && cell->isa()->lookup(PSPreferredHeightForWidthSelector())) {
    double width = tableView ? tableView->bounds().width() : 0;
    double height = objc::msgSend<double, double>(cell.get(), PSPreferredHeightForWidthSelector(), width);
    if (std::isfinite(height) && height >= 0) return height;
    NSLog("Preferences: {} asked for a row height of {} for {}; the standard height is used", cell->isa()->name(),
          height, rowName(specifier.get()));
    return UITableViewAutomaticDimension;
  }
  if (const platform::Value* height = specifier->propertyForKey(PSTableCellHeightKey);
      height && height->isNumber() && std::isfinite(height->doubleValue()) && height->doubleValue() >= 0)
    return height->doubleValue();
  return UITableViewAutomaticDimension;
}

// ---- Taps ----

void PSListController::didSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) {
  auto specifier = specifierAtIndexPath(indexPath);
  if (!specifier) return;
  auto cell = std::dynamic_pointer_cast<PSTableCell>(cachedCellForSpecifier(specifier.get()));
  if (cell && !cell->cellEnabled()) {
    tableView->deselectRowAtIndexPath(indexPath, true);
    return;
  }
  didSelectSpecifier(specifier.get(), indexPath);
}

void PSListController::didSelectSpecifier(PSSpecifier* specifier, const NSIndexPath& indexPath) {
  // Keep the specifier alive: an action may reload the list and drop it.
  auto keep = std::static_pointer_cast<PSSpecifier>(specifier->shared_from_this());
  switch (specifier->cellType()) {
    case PSLinkCell:
      openLink(specifier);
      break;
    case PSLinkListCell:
      openChoices(specifier);
      break;
    case PSButtonCell:
      if (table_) table_->deselectRowAtIndexPath(indexPath, true);
      performButtonAction(specifier);
      return;
    case PSEditTextCell:
    case PSSecureEditTextCell:
      if (table_) table_->deselectRowAtIndexPath(indexPath, true);
      if (auto cell = std::dynamic_pointer_cast<PSEditableTableCell>(cachedCellForSpecifier(specifier)))
        cell->beginEditing();
      return;
    default:
      if (table_) table_->deselectRowAtIndexPath(indexPath, true);
      return;
  }
  // A link that opened nothing leaves its row unselected.
  if (table_ && navigationController() && navigationController()->topViewController().get() == this)
    table_->deselectRowAtIndexPath(indexPath, true);
}

void PSListController::performButtonAction(PSSpecifier* specifier) {
  if (!specifier) return;
  objc::SEL action = specifier->action();
  auto target = specifier->target();
  if (!action || !target) {
    NSLog("Preferences: the row {} has no {}; nothing done", rowName(specifier), action ? "target" : "action");
    return;
  }
  if (!target->isa()->lookup(action)) {
    NSLog("Preferences: {} does not answer {}; the row {} does nothing", target->isa()->name(), action->name,
          rowName(specifier));
    return;
  }
  try {
    if (!action->name.empty() && action->name.back() == ':')
      objc::msgSend<void, PSSpecifier*>(target.get(), action, specifier);
    else
      objc::msgSend<void>(target.get(), action);
  } catch (const platform::NSException& e) {
    NSLog("Preferences: {} of {} raised: {}", action->name, target->isa()->name(), e.reason());
  }
}

void PSListController::openLink(PSSpecifier* specifier) {
  std::string detailName = specifier->stringPropertyForKey(PSDetailControllerClassKey);
  objc::Class* detail = specifier->detailControllerClass();
  if (!detail && !detailName.empty()) detail = objc::objc_getClass(detailName);
  if (!detail) {
    if (!detailName.empty()) {
      NSLog("Preferences: the class {} that {} opens does not exist; nothing opened", detailName, rowName(specifier));
      return;
    }
    if (specifier->action()) return performButtonAction(specifier);
    NSLog("Preferences: the row {} names no screen to open", rowName(specifier));
    return;
  }
  auto controller = std::dynamic_pointer_cast<UIViewController>(objc::class_createInstance(detail));
  if (!controller) {
    NSLog("Preferences: {} that {} opens is no view controller; nothing opened", detail->name(), rowName(specifier));
    return;
  }
  objc::Object* ready = nullptr;
  try {
    ready = objc::msgSend<objc::Object*>(controller.get(), objc::sel("init"));
  } catch (const platform::NSException& e) {
    NSLog("Preferences: {} raised in init: {}", detail->name(), e.reason());
  }
  if (ready != controller.get()) {
    NSLog("Preferences: {} that {} opens refused to start; nothing opened", detail->name(), rowName(specifier));
    return;
  }
  auto self = std::static_pointer_cast<UIViewController>(shared_from_this());
  if (auto screen = std::dynamic_pointer_cast<PSViewController>(controller)) {
    screen->setParentController(self);
    screen->setSpecifier(std::static_pointer_cast<PSSpecifier>(specifier->shared_from_this()));
  }
  if (auto list = std::dynamic_pointer_cast<PSListController>(controller); list && list->bundlePath_.empty())
    list->bundlePath_ = bundlePath();
  if (controller->title().empty()) controller->setTitle(specifier->name());
  pushController(controller, true);
}

void PSListController::openChoices(PSSpecifier* specifier) {
  objc::Class* detail = specifier->detailControllerClass();
  if (!detail || !detail->isSubclassOf(PSListItemsController::cls())) detail = PSListItemsController::cls();
  auto choices = std::dynamic_pointer_cast<PSListItemsController>(objc::class_createInstance(detail));
  if (!choices) {
    NSLog("Preferences: {} makes no list of choices; {} opens nothing", detail->name(), rowName(specifier));
    return;
  }
  objc::msgSend<objc::Object*>(choices.get(), objc::sel("init"));
  choices->setParentController(std::static_pointer_cast<UIViewController>(shared_from_this()));
  choices->setBundlePath(bundlePath());
  choices->setSpecifier(std::static_pointer_cast<PSSpecifier>(specifier->shared_from_this()));
  pushController(choices, true);
}
