#pragma once
// UITableViewController: a controller whose view is a list, and which is that list's data source
// and delegate. A subclass answers the data source's questions (it has no rows until it does).
// Each time the list comes back into view (a pushed screen was popped, say) the selected row is
// deselected, so the row the user left through does not stay grey.
#include <memory>

#include "platform/uikit/UITableView.h"
#include "platform/uikit/UIViewController.h"

class UITableViewController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
 public:
  static objc::Class* cls();
  // -init: the plain style.
  explicit UITableViewController(objc::Class* isa = UITableViewController::cls());
  // initWithStyle:. Has effect only before the view is loaded.
  std::shared_ptr<UITableViewController> initWithStyle(UITableViewStyle style);

  // The view, made on first use (tableView.style is the controller's style).
  std::shared_ptr<UITableView> tableView();
  UITableViewStyle tableViewStyle() const { return style_; }

  bool clearsSelectionOnViewWillAppear() const { return clearsSelectionOnViewWillAppear_; }
  void setClearsSelectionOnViewWillAppear(bool clears) { clearsSelectionOnViewWillAppear_ = clears; }

  // No rows until a subclass says otherwise; a subclass that gives rows gives cells too.
  int numberOfRowsInSection(UITableView* tableView, int section) override { return 0; }
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;

 protected:
  void loadView() override;
  void viewWillAppear(bool animated) override;

 private:
  UITableViewStyle style_ = UITableViewStylePlain;
  bool clearsSelectionOnViewWillAppear_ = true;
};
