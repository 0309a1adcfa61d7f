#pragma once
// UICollectionView: a scrolling grid of items in sections, placed by a flow layout (see
// UICollectionViewFlowLayout.h). It asks its data source for the items and its delegate for their
// sizes, and makes cells only for the items in view and a margin of half a screen above and below
// it; a cell that leaves that band goes to the reuse queue of its identifier, and the data source
// takes it again (prepareForReuse sent) for another item. A grid of hundreds of items therefore
// holds a few dozen cells at most.
//
// Item frames are worked out for all items (they are small numbers); cells, with their pictures,
// only for the band in view. The layout is worked out again after reloadData and when the width
// changes.
//
// Interaction: a tap on an item selects it (the previous selection goes) and tells the delegate;
// a finger's drag scrolls. Coordinates are content coordinates, as for any scroll view.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/NSIndexPath.h"
#include "platform/uikit/UICollectionViewCell.h"
#include "platform/uikit/UICollectionViewDataSource.h"
#include "platform/uikit/UICollectionViewDelegate.h"
#include "platform/uikit/UICollectionViewFlowLayout.h"
#include "platform/uikit/UIScrollView.h"

enum UICollectionViewScrollPosition : unsigned {
  UICollectionViewScrollPositionNone = 0,  // as little as needed
  UICollectionViewScrollPositionTop = 1u << 0,
  UICollectionViewScrollPositionCenteredVertically = 1u << 1,
  UICollectionViewScrollPositionBottom = 1u << 2,
};

class UICollectionView : public UIScrollView {
 public:
  using CellFactory = std::function<std::shared_ptr<UICollectionViewCell>()>;

  static objc::Class* cls();
  static std::shared_ptr<UICollectionView> alloc();
  // initWithFrame:collectionViewLayout:. A null layout is replaced by a default flow layout (logged).
  std::shared_ptr<UICollectionView> initWithFrame(const CGRect& frame,
                                                  std::shared_ptr<UICollectionViewFlowLayout> layout);
  explicit UICollectionView(objc::Class* isa = UICollectionView::cls());

  const std::shared_ptr<UICollectionViewFlowLayout>& collectionViewLayout() const { return layout_; }
  void setCollectionViewLayout(std::shared_ptr<UICollectionViewFlowLayout> layout);

  // ---- Data source and delegate (held weakly) ----
  std::shared_ptr<UICollectionViewDataSource> dataSource() const { return dataSource_.lock(); }
  void setDataSource(const std::shared_ptr<UICollectionViewDataSource>& dataSource);
  std::shared_ptr<UICollectionViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<UICollectionViewDelegate>& delegate);

  // ---- Cells ----
  // registerClass:forCellWithReuseIdentifier:. Cells of the identifier are made with
  // class_createInstance, so the class (UICollectionViewCell or a subclass) needs an allocator
  // that makes the C++ type. A null class removes the registration.
  void registerClass(objc::Class* cellClass, const std::string& reuseIdentifier);
  // The same with a function that makes a cell, for cell types not registered with the runtime.
  void registerClass(CellFactory factory, const std::string& reuseIdentifier);
  // The usual case: cells of type T, made by its default constructor.
  template <typename T>
  void registerClass(const std::string& reuseIdentifier) {
    registerClass(CellFactory([] { return std::make_shared<T>(); }), reuseIdentifier);
  }
  // dequeueReusableCellWithReuseIdentifier:forIndexPath:. A cell from the queue (prepareForReuse
  // sent), else a new one of the registered class with the item's frame. Nothing registered
  // under the identifier, or a class that makes no cell: logged, and a plain empty cell is handed
  // out so the grid stays whole.
  std::shared_ptr<UICollectionViewCell> dequeueReusableCellWithReuseIdentifier(const std::string& reuseIdentifier,
                                                                               const NSIndexPath& indexPath);

  // ---- Data ----
  // Forgets the items and the selection and asks the data source again at the next layout; the
  // cells go to the reuse queues. During the grid's own layout the reload waits for the next one.
  void reloadData();
  int numberOfSections();
  int numberOfItemsInSection(int section);

  // ---- Items on screen ----
  // The cell of an item in the band of made cells, else nullptr (no cell is made for it).
  std::shared_ptr<UICollectionViewCell> cellForItemAtIndexPath(const NSIndexPath& indexPath);
  // The cells whose frames meet the visible bounds, in index-path order.
  std::vector<std::shared_ptr<UICollectionViewCell>> visibleCells();
  std::vector<NSIndexPath> indexPathsForVisibleItems();
  std::optional<NSIndexPath> indexPathForCell(const UICollectionViewCell* cell) const;

  // ---- Geometry (content coordinates) ----
  // The item under the point; nothing between items.
  std::optional<NSIndexPath> indexPathForItemAtPoint(const CGPoint& point);
  // The item's frame; an empty rectangle for an item that does not exist.
  CGRect frameForItemAtIndexPath(const NSIndexPath& indexPath);
  // Scrolls the item into view as asked (none: as little as needed). False for an unknown item.
  bool scrollToItemAtIndexPath(const NSIndexPath& indexPath, unsigned scrollPosition, bool animated);

  // ---- Selection ----
  bool allowsSelection() const { return allowsSelection_; }
  void setAllowsSelection(bool allows) { allowsSelection_ = allows; }
  // The selected items (at most one: there is no multiple selection).
  std::vector<NSIndexPath> indexPathsForSelectedItems() const;
  // In code: the delegate is not told.
  void selectItemAtIndexPath(std::optional<NSIndexPath> indexPath, bool animated, unsigned scrollPosition);
  void deselectItemAtIndexPath(const NSIndexPath& indexPath, bool animated);
  // The user's tap on an item, as its cell passes it on: selects it and tells the delegate
  // (didDeselect for the previous one first). False for an unknown item or when selection is off.
  bool tapItemAtIndexPath(const NSIndexPath& indexPath);

  // ---- UIView and UIScrollView ----
  void layoutSubviews() override;
  void setFrame(const CGRect& frame) override;
  // A tap between items does nothing.
  bool handleTap(const CGPoint& point) override;
  // The cells in sight, each as the element it describes (see UICollectionViewCell).
  std::vector<UIAccessibilityElement> accessibilityElements() override;

 protected:
  void didScroll() override;

 private:
  struct Registration {
    objc::Class* cellClass = nullptr;
    CellFactory factory;
  };
  void ensureGeometry();
  bool validIndexPath(const NSIndexPath& indexPath) const;
  void layoutVisibleItems();
  void enqueue(std::shared_ptr<UICollectionViewCell> cell);
  std::shared_ptr<UICollectionViewCell> makeCell(const NSIndexPath& indexPath);
  void setCellSelected(const NSIndexPath& indexPath, bool selected);

  std::shared_ptr<UICollectionViewFlowLayout> layout_;
  std::weak_ptr<UICollectionViewDataSource> dataSource_;
  std::weak_ptr<UICollectionViewDelegate> delegate_;
  bool allowsSelection_ = true;

  std::map<std::string, Registration> registrations_;
  std::map<std::string, std::vector<std::shared_ptr<UICollectionViewCell>>> reuseQueues_;

  bool needsReload_ = true;
  bool inLayout_ = false;
  double geometryWidth_ = -1;
  UICollectionViewFlowLayout::Geometry geometry_;

  std::map<NSIndexPath, std::shared_ptr<UICollectionViewCell>> made_;
  std::optional<NSIndexPath> selected_;
};
