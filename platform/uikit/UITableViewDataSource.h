#pragma once
// What a list asks of whoever owns its rows. The optional questions have answers that fit most
// lists; a data source overrides what it needs. The list holds its data source weakly, as on the
// device: the owner keeps it alive (a list's controller usually is its data source).
#include <memory>
#include <string>

#include "platform/uikit/NSIndexPath.h"
#include "platform/uikit/UITableViewCell.h"

class UITableView;

class UITableViewDataSource {
 public:
  virtual ~UITableViewDataSource() = default;

  // numberOfSectionsInTableView:. One by default; a negative count counts as none.
  virtual int numberOfSectionsInTableView(UITableView* tableView) { return 1; }
  // tableView:numberOfRowsInSection:. A negative count counts as none.
  virtual int numberOfRowsInSection(UITableView* tableView, int section) = 0;
  // tableView:cellForRowAtIndexPath:. Usually a cell from the list's reuse queue
  // (dequeueReusableCellWithIdentifier) with its content set. A null cell is logged and the row
  // shows empty.
  virtual std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* tableView,
                                                                 const NSIndexPath& indexPath) = 0;

  // tableView:titleForHeaderInSection: / titleForFooterInSection:. Empty: no title.
  virtual std::string titleForHeaderInSection(UITableView* tableView, int section) { return {}; }
  virtual std::string titleForFooterInSection(UITableView* tableView, int section) { return {}; }

  // tableView:canEditRowAtIndexPath:. Only rows said to be editable can be swiped to delete.
  virtual bool canEditRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) { return false; }
  // tableView:commitEditingStyle:forRowAtIndexPath:. The user confirmed the edit (tapped the
  // delete button); the data source changes its rows and tells the list (deleteRowsAtIndexPaths
  // or reloadData).
  virtual void commitEditingStyle(UITableView* tableView, UITableViewCellEditingStyle editingStyle,
                                  const NSIndexPath& indexPath) {}
};
