#pragma once
// What a list tells, and the optional questions it asks about sizes and headers. Every method has
// a default, so a delegate overrides only what it needs. Held weakly by the list, like its data
// source.
#include <memory>
#include <string>

#include "platform/uikit/NSIndexPath.h"
#include "platform/uikit/UITableViewCell.h"

class UITableView;

// A height that the list works out itself (a header's from its title, a row's from rowHeight).
inline constexpr double UITableViewAutomaticDimension = -1;

class UITableViewDelegate {
 public:
  virtual ~UITableViewDelegate() = default;

  // tableView:heightForRowAtIndexPath:. Automatic: the list's rowHeight (44 by default).
  virtual double heightForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) {
    return UITableViewAutomaticDimension;
  }
  // tableView:heightForHeaderInSection: / heightForFooterInSection:. Automatic: worked out from
  // the header view or title (see UITableView.h). Zero hides the header or footer.
  virtual double heightForHeaderInSection(UITableView* tableView, int section) { return UITableViewAutomaticDimension; }
  virtual double heightForFooterInSection(UITableView* tableView, int section) { return UITableViewAutomaticDimension; }
  // tableView:viewForHeaderInSection: / viewForFooterInSection:. A view shown in place of the
  // title, sized to the header's rectangle; nullptr shows the title.
  virtual std::shared_ptr<UIView> viewForHeaderInSection(UITableView* tableView, int section) { return nullptr; }
  virtual std::shared_ptr<UIView> viewForFooterInSection(UITableView* tableView, int section) { return nullptr; }

  // tableView:willDisplayCell:forRowAtIndexPath:. Sent each time a row comes into view, after
  // the cell is placed and before it is first drawn there.
  virtual void willDisplayCell(UITableView* tableView, UITableViewCell* cell, const NSIndexPath& indexPath) {}

  // tableView:didSelectRowAtIndexPath:. The user tapped the row, which is now selected.
  virtual void didSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) {}
  // tableView:didDeselectRowAtIndexPath:. The user's tap on another row took the selection away.
  virtual void didDeselectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) {}

  // tableView:editingStyleForRowAtIndexPath:. What a swipe offers on an editable row.
  virtual UITableViewCellEditingStyle editingStyleForRowAtIndexPath(UITableView* tableView,
                                                                    const NSIndexPath& indexPath) {
    return UITableViewCellEditingStyleDelete;
  }
  // tableView:titleForDeleteConfirmationButtonForRowAtIndexPath:.
  virtual std::string titleForDeleteConfirmationButtonForRowAtIndexPath(UITableView* tableView,
                                                                        const NSIndexPath& indexPath) {
    return "Delete";
  }
};
