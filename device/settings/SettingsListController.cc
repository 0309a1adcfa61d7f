#include "device/settings/SettingsListController.h"

#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIImageView.h"
#include "platform/uikit/UINavigationController.h"

OBJC_DEFINE_CLASS(SettingsListController, PSListController)

SettingsListController::SettingsListController(objc::Class* isa) : PSListController(isa) {}

objc::Object* SettingsListController::init() {
  PSListController::init();
  setTitle("Settings");
  return this;
}

PSSpecifierList SettingsListController::specifiers() {
  if (_specifiers) return *_specifiers;
  panes_ = installedPanes();
  PSSpecifierList rows{PSSpecifier::emptyGroupSpecifier()};
  for (const PaneEntry& pane : panes_) {
    auto row = PSSpecifier::preferenceSpecifierNamed(pane.label, this, nullptr, nullptr, nullptr, PSLinkCell);
    row->setIdentifier(pane.bundle.empty() ? pane.label : pane.bundle);
    rows.push_back(row);
  }
  _specifiers = rows;
  return rows;
}

std::shared_ptr<UITableViewCell> SettingsListController::cellForRowAtIndexPath(UITableView* tableView,
                                                                               const NSIndexPath& indexPath) {
  auto cell = PSListController::cellForRowAtIndexPath(tableView, indexPath);
  auto specifier = specifierAtIndexPath(indexPath);
  if (!cell || !specifier) return cell;
  for (const PaneEntry& pane : panes_) {
    if (pane.label != specifier->name()) continue;
    if (auto icon = paneIcon(pane)) cell->imageView()->setImage(icon);
    break;
  }
  return cell;
}

void SettingsListController::didSelectSpecifier(PSSpecifier* specifier, const NSIndexPath& indexPath) {
  for (const PaneEntry& pane : panes_) {
    if (pane.label == specifier->name()) {
      openPaneEntry(pane);
      table()->deselectRowAtIndexPath(indexPath, true);
      return;
    }
  }
  PSListController::didSelectSpecifier(specifier, indexPath);
}

bool SettingsListController::openPane(const std::string& name) {
  specifiers();
  for (const PaneEntry& pane : panes_)
    if (pane.label == name || pane.bundle == name) return openPaneEntry(pane);
  NSLog("Settings: no pane named \"{}\" is installed", name);
  return false;
}

bool SettingsListController::openPaneEntry(const PaneEntry& pane) {
  auto controller = loadPane(pane);
  if (!controller) return false;
  pushController(controller, true);
  return true;
}
