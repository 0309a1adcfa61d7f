#pragma once
// The Settings app's first screen: one row per installed pane (see PaneLoader.h), with its icon.
// Tapping a row loads the pane afresh and pushes its root screen, as the phone's Settings does.
#include <memory>
#include <string>
#include <vector>

#include "device/settings/PaneLoader.h"
#include "platform/preferences/PSListController.h"

class SettingsListController : public PSListController {
 public:
  static objc::Class* cls();
  explicit SettingsListController(objc::Class* isa = SettingsListController::cls());

  objc::Object* init() override;
  PSSpecifierList specifiers() override;
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;

  // Pushes the pane whose label (or bundle name) is `name`; false (logged) when none is installed
  // under that name or it cannot be loaded.
  bool openPane(const std::string& name);

 protected:
  void didSelectSpecifier(PSSpecifier* specifier, const NSIndexPath& indexPath) override;

 private:
  bool openPaneEntry(const PaneEntry& pane);
  std::vector<PaneEntry> panes_;  // as the rows were last built, index for index
};
