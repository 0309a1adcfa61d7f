#pragma once
// PSListItemsController: the choices of a link-list row, one row per `validTitles` entry, the
// current value checked. A tap writes the chosen value through the row's specifier (its target's
// setter) and moves the checkmark; the screen stays, and the row shows the new choice when the
// list it came from is shown again.
#include <memory>

#include "platform/preferences/PSListController.h"

class PSListItemsController : public PSListController {
 public:
  static objc::Class* cls();
  explicit PSListItemsController(objc::Class* isa = PSListItemsController::cls());

  // The screen's title is the row's name.
  void setSpecifier(std::shared_ptr<PSSpecifier> specifier) override;
  // A group, then one PSListItemCell row per choice (its `value` property the choice's value).
  PSSpecifierList specifiers() override;
  // Each showing of a choice checks it when it is the value the row's getter reads now.
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;

 protected:
  void didSelectSpecifier(PSSpecifier* specifier, const NSIndexPath& indexPath) override;
};
