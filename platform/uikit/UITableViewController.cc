#include "platform/uikit/UITableViewController.h"

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIScreen.h"

OBJC_DEFINE_CLASS(UITableViewController, UIViewController)

UITableViewController::UITableViewController(objc::Class* isa) : UIViewController(isa) {}

std::shared_ptr<UITableViewController> UITableViewController::initWithStyle(UITableViewStyle style) {
  if (isViewLoaded()) NSLog("UITableViewController: style set after the list was made; it keeps its style");
  else style_ = style;
  return std::static_pointer_cast<UITableViewController>(shared_from_this());
}

std::shared_ptr<UITableView> UITableViewController::tableView() {
  return std::dynamic_pointer_cast<UITableView>(view());
}

void UITableViewController::loadView() {
  auto table = UITableView::alloc()->initWithFrame(UIScreen::mainScreen().bounds(), style_);
  table->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  auto self = std::static_pointer_cast<UITableViewController>(shared_from_this());
  table->setDataSource(self);
  table->setDelegate(self);
  setView(table);
}

void UITableViewController::viewWillAppear(bool animated) {
  UIViewController::viewWillAppear(animated);
  if (!clearsSelectionOnViewWillAppear_) return;
  auto table = tableView();
  if (auto selected = table ? table->indexPathForSelectedRow() : std::nullopt) table->deselectRowAtIndexPath(*selected, animated);
}

std::shared_ptr<UITableViewCell> UITableViewController::cellForRowAtIndexPath(UITableView*, const NSIndexPath&) {
  return nullptr;
}
