#pragma once
// UITableView: a scrolling list of rows in sections. It asks its data source for the rows and
// its delegate for sizes, and makes cells only for the rows in view (and for the rows someone
// asks about, such as a screen reader listing rows out of sight); a cell that leaves the view
// goes to a reuse queue, from which the data source takes it again for another row.
//
// Looks (points):
//   plain          white; a section title in a 28-high grey band (bold 15), footers in grey 13
//   grouped        light grey (#F2F2F7) around white groups as wide as the list
//   inset grouped  the same, the groups rounded (radius 10) with 16 points of margin at each side,
//                  20 on screens 414 points wide or more
//   In both grouped looks each section starts with a header: 35 high without a title; with one,
//   17 above the title (grey, 13 pt, upper case, wrapped), the title, and 6 under it. A footer
//   title (grey, 13 pt, wrapped) has 6 above and 6 under it; without one there is no footer.
//   After the last section comes 35 more. Titles start 16 inside the group.
//   Separators are hairlines between the rows of a section (not under a grouped section's last
//   row), inset to the row's text.
//
// Interaction: a tap on a row selects it (the previous selection goes) and tells the delegate; a
// finger dragged to the left on an editable row shows its red delete button, and a tap on that
// button commits the deletion through the data source. Any other tap puts the button away.
//
// Coordinates: like any scroll view, the list's own coordinates are content coordinates (row
// rectangles and indexPathForRowAtPoint use them).
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/NSIndexPath.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UITableViewCell.h"
#include "platform/uikit/UITableViewDataSource.h"
#include "platform/uikit/UITableViewDelegate.h"

enum UITableViewStyle {
  UITableViewStylePlain = 0,
  UITableViewStyleGrouped = 1,
  UITableViewStyleInsetGrouped = 2,
};

enum UITableViewScrollPosition {
  UITableViewScrollPositionNone = 0,  // as little as needed
  UITableViewScrollPositionTop = 1,
  UITableViewScrollPositionMiddle = 2,
  UITableViewScrollPositionBottom = 3,
};

// Accepted for the calls that take one; there is no animation on this platform.
enum UITableViewRowAnimation {
  UITableViewRowAnimationFade = 0,
  UITableViewRowAnimationRight = 1,
  UITableViewRowAnimationLeft = 2,
  UITableViewRowAnimationTop = 3,
  UITableViewRowAnimationBottom = 4,
  UITableViewRowAnimationNone = 5,
  UITableViewRowAnimationMiddle = 6,
  UITableViewRowAnimationAutomatic = 100,
};

enum UITableViewCellSeparatorStyle {
  UITableViewCellSeparatorStyleNone = 0,
  UITableViewCellSeparatorStyleSingleLine = 1,
};

class UITableView : public UIScrollView {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UITableView> alloc();
  // initWithFrame:style:.
  std::shared_ptr<UITableView> initWithFrame(const CGRect& frame, UITableViewStyle style);
  explicit UITableView(objc::Class* isa = UITableView::cls());

  UITableViewStyle style() const { return style_; }

  // ---- Data source and delegate (held weakly) ----
  std::shared_ptr<UITableViewDataSource> dataSource() const { return dataSource_.lock(); }
  void setDataSource(const std::shared_ptr<UITableViewDataSource>& dataSource);
  std::shared_ptr<UITableViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<UITableViewDelegate>& delegate);

  // ---- Sizes and looks ----
  // The height of a row the delegate does not size (44).
  double rowHeight() const { return rowHeight_; }
  void setRowHeight(double height);
  UITableViewCellSeparatorStyle separatorStyle() const { return separatorStyle_; }
  void setSeparatorStyle(UITableViewCellSeparatorStyle style);
  // 16 or 20 in the inset-grouped look, else 0: the group's distance from each side.
  double groupMargin() const;

  // ---- Cells ----
  // registerClass:forCellReuseIdentifier:. The class must descend from UITableViewCell; a null
  // class removes the registration.
  void registerClass(objc::Class* cellClass, const std::string& reuseIdentifier);
  // dequeueReusableCellWithIdentifier:. A cell from the queue (prepareForReuse sent), or nullptr.
  std::shared_ptr<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& reuseIdentifier);
  // dequeueReusableCellWithIdentifier:forIndexPath:. From the queue, else a new cell of the
  // registered class (default style); nullptr and a log line when nothing is registered.
  std::shared_ptr<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& reuseIdentifier,
                                                                     const NSIndexPath& indexPath);

  // ---- Data ----
  // Forgets every row, selection and delete button and asks the data source again; the cells on
  // screen go to the reuse queue. During the list's own layout the reload waits for the next one.
  void reloadData();
  int numberOfSections();
  int numberOfRowsInSection(int section);
  // Row changes: the list reloads (a log line when the data source's new count does not match).
  void deleteRowsAtIndexPaths(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation animation);
  void insertRowsAtIndexPaths(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation animation);
  void reloadRowsAtIndexPaths(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation animation);

  // ---- Rows on screen ----
  // The cell of a row in view, else nullptr (no cell is made for it).
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(const NSIndexPath& indexPath);
  std::vector<std::shared_ptr<UITableViewCell>> visibleCells();
  std::vector<NSIndexPath> indexPathsForVisibleRows();
  std::optional<NSIndexPath> indexPathForCell(const UITableViewCell* cell) const;

  // ---- Geometry (content coordinates) ----
  std::optional<NSIndexPath> indexPathForRowAtPoint(const CGPoint& point);
  // An empty rectangle for a row or section that does not exist.
  CGRect rectForRowAtIndexPath(const NSIndexPath& indexPath);
  CGRect rectForSection(int section);
  CGRect rectForHeaderInSection(int section);
  CGRect rectForFooterInSection(int section);
  void scrollToRowAtIndexPath(const NSIndexPath& indexPath, UITableViewScrollPosition position, bool animated);

  // ---- Selection ----
  bool allowsSelection() const { return allowsSelection_; }
  void setAllowsSelection(bool allows);
  bool allowsMultipleSelectionDuringEditing() const { return allowsMultipleSelectionDuringEditing_; }
  void setAllowsMultipleSelectionDuringEditing(bool allows) { allowsMultipleSelectionDuringEditing_ = allows; }
  std::optional<NSIndexPath> indexPathForSelectedRow() const { return selected_; }
  // Selects the row (nullopt: clears the selection) and scrolls as asked; the delegate is not told,
  // as it is not for any selection made in code.
  void selectRowAtIndexPath(std::optional<NSIndexPath> indexPath, bool animated, UITableViewScrollPosition position);
  void deselectRowAtIndexPath(const NSIndexPath& indexPath, bool animated);

  // ---- Swipe to delete ----
  // What a leftward swipe on the row does: shows its delete button when the data source lets the
  // row be edited. False when it does not.
  bool beginSwipeToDeleteAtIndexPath(const NSIndexPath& indexPath);
  std::optional<NSIndexPath> indexPathForDeleteConfirmation() const { return swiped_; }
  void hideDeleteConfirmation();

  // ---- Touches, as cells pass them on ----
  // The user's tap on a row: puts away a delete button if one shows, else selects the row and
  // tells the delegate. True when the tap did something.
  bool tapRowAtIndexPath(const NSIndexPath& indexPath);
  // The user's tap on the delete button of the row: commits the deletion.
  void commitDeleteAtIndexPath(const NSIndexPath& indexPath);

  // ---- UIView and UIScrollView ----
  void layoutSubviews() override;
  void setFrame(const CGRect& frame) override;
  bool handleTap(const CGPoint& point) override;
  // A drag mostly sideways on an editable row moves it aside under the finger, the delete button
  // showing in the space it leaves; lifted at least half the button's width aside (or flicked to
  // the left) it stays open, else it closes. A drag to the right closes the open one the same way;
  // other drags scroll.
  bool panBegan(const CGPoint& location, const CGPoint& translation) override;
  void panMoved(const CGPoint& translation) override;
  void panEnded(const CGPoint& translation, const CGPoint& velocity) override;
  void panCancelled() override;
  // Every section's header, rows and footer, in order, also those out of sight: a row out of
  // sight is described from a cell asked of the data source for the purpose, and activating it
  // scrolls it into view first.
  std::vector<UIAccessibilityElement> accessibilityElements() override;

 protected:
  void didScroll() override;

 private:
  // Reloads after rows were deleted (delta -1) or inserted (+1), and logs when the data source's
  // new counts do not add up.
  void reloadCheckingRowCounts(const char* change, const std::vector<NSIndexPath>& indexPaths, int delta);
  struct SectionGeometry {
    double top = 0;
    double headerHeight = 0;
    std::vector<double> rowTops;
    std::vector<double> rowHeights;
    double footerHeight = 0;
    std::string headerTitle;
    std::string footerTitle;
    double rowsTop() const { return top + headerHeight; }
    double rowsBottom() const { return rowTops.empty() ? rowsTop() : rowTops.back() + rowHeights.back(); }
    double bottom() const { return rowsBottom() + footerHeight; }
  };
  struct SupplementaryView {
    std::shared_ptr<UIView> view;
    bool fromDelegate = false;
  };

  bool validIndexPath(const NSIndexPath& indexPath);
  void ensureGeometry();
  void computeGeometry();
  double headerHeightFor(int section, const std::string& title, double groupWidth);
  double footerHeightFor(int section, const std::string& title, double groupWidth);
  CGRect groupFrame() const;
  std::shared_ptr<UITableViewCell> makeCell(const NSIndexPath& indexPath);
  void enqueue(std::shared_ptr<UITableViewCell> cell);
  void placeCell(UITableViewCell& cell, const NSIndexPath& indexPath);
  void layoutVisibleRows();
  void layoutSupplementaryViews();
  void setCellSelected(const NSIndexPath& indexPath, bool selected, bool animated);
  UIAccessibilityElement rowElement(const NSIndexPath& indexPath);

  UITableViewStyle style_ = UITableViewStylePlain;
  std::weak_ptr<UITableViewDataSource> dataSource_;
  std::weak_ptr<UITableViewDelegate> delegate_;
  double rowHeight_ = 44;
  UITableViewCellSeparatorStyle separatorStyle_ = UITableViewCellSeparatorStyleSingleLine;
  bool allowsSelection_ = true;
  bool allowsMultipleSelectionDuringEditing_ = false;

  std::map<std::string, objc::Class*> registeredClasses_;
  std::map<std::string, std::vector<std::shared_ptr<UITableViewCell>>> reuseQueues_;

  bool needsReload_ = true;
  bool inLayout_ = false;
  double geometryWidth_ = -1;
  std::vector<SectionGeometry> sections_;
  double contentHeight_ = 0;

  std::map<NSIndexPath, std::shared_ptr<UITableViewCell>> visible_;
  std::map<int, SupplementaryView> headerViews_;
  std::map<int, SupplementaryView> footerViews_;
  std::optional<NSIndexPath> selected_;
  std::optional<NSIndexPath> swiped_;
  struct RowSwipe {
    NSIndexPath indexPath;
    double startWidth = 0;  // of the button, when the finger touched down
    double width = 0;
  };
  std::optional<RowSwipe> rowSwipe_;
};
