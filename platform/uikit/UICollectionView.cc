#include "platform/uikit/UICollectionView.h"

#include <algorithm>
#include <set>
#include <utility>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"

namespace {

// Cells are made for half a screen above and below the visible bounds, so a short scroll shows
// cells that are already filled (their pictures may arrive in a later main-queue task).
constexpr double kBandMargin = 0.5;
// A reuse queue keeps no more cells than a few screens' worth.
constexpr std::size_t kMaxQueuedCells = 64;

bool meets(const CGRect& a, double top, double bottom) { return a.maxY() > top && a.minY() < bottom; }

}  // namespace

OBJC_DEFINE_CLASS(UICollectionView, UIScrollView)

std::shared_ptr<UICollectionView> UICollectionView::alloc() { return std::make_shared<UICollectionView>(); }

UICollectionView::UICollectionView(objc::Class* isa) : UIScrollView(isa) {
  layout_ = UICollectionViewFlowLayout::create();
  setBackgroundColor(UIColor::systemBackgroundColor());
}

std::shared_ptr<UICollectionView> UICollectionView::initWithFrame(const CGRect& frame,
                                                                  std::shared_ptr<UICollectionViewFlowLayout> layout) {
  setCollectionViewLayout(std::move(layout));
  setFrame(frame);
  return std::static_pointer_cast<UICollectionView>(shared_from_this());
}

void UICollectionView::setCollectionViewLayout(std::shared_ptr<UICollectionViewFlowLayout> layout) {
  if (!layout) {
    NSLog("UICollectionView: no layout given; using a default flow layout");
    layout = UICollectionViewFlowLayout::create();
  }
  layout_ = std::move(layout);
  reloadData();
}

void UICollectionView::setDataSource(const std::shared_ptr<UICollectionViewDataSource>& dataSource) {
  dataSource_ = dataSource;
  reloadData();
}

void UICollectionView::setDelegate(const std::shared_ptr<UICollectionViewDelegate>& delegate) {
  delegate_ = delegate;
  reloadData();
}

// ---- Cells ----

void UICollectionView::registerClass(objc::Class* cellClass, const std::string& reuseIdentifier) {
  if (!cellClass) {
    registrations_.erase(reuseIdentifier);
    return;
  }
  if (!cellClass->isSubclassOf(UICollectionViewCell::cls())) {
    NSLog("UICollectionView: {} is no kind of UICollectionViewCell; not registered for {}", cellClass->name(),
          reuseIdentifier);
    return;
  }
  registrations_[reuseIdentifier] = Registration{cellClass, nullptr};
}

void UICollectionView::registerClass(CellFactory factory, const std::string& reuseIdentifier) {
  if (!factory) {
    registrations_.erase(reuseIdentifier);
    return;
  }
  registrations_[reuseIdentifier] = Registration{nullptr, std::move(factory)};
}

std::shared_ptr<UICollectionViewCell> UICollectionView::dequeueReusableCellWithReuseIdentifier(
    const std::string& reuseIdentifier, const NSIndexPath& indexPath) {
  if (auto it = reuseQueues_.find(reuseIdentifier); it != reuseQueues_.end() && !it->second.empty()) {
    auto cell = std::move(it->second.back());
    it->second.pop_back();
    cell->prepareForReuse();
    return cell;
  }
  std::shared_ptr<UICollectionViewCell> cell;
  auto it = registrations_.find(reuseIdentifier);
  if (it == registrations_.end()) {
    NSLog("UICollectionView: unable to dequeue a cell with identifier {} for item {}: no class is registered for it",
          reuseIdentifier, indexPath.description());
  } else {
    cell = it->second.factory ? it->second.factory()
                              : std::dynamic_pointer_cast<UICollectionViewCell>(
                                    objc::class_createInstance(it->second.cellClass));
    if (!cell)
      NSLog("UICollectionView: what is registered for {} made no cell", reuseIdentifier);
  }
  if (!cell) return UICollectionViewCell::alloc()->initWithFrame(frameForItemAtIndexPath(indexPath));
  cell->reuseIdentifier_ = reuseIdentifier;
  cell->setFrame(frameForItemAtIndexPath(indexPath));
  return cell;
}

void UICollectionView::enqueue(std::shared_ptr<UICollectionViewCell> cell) {
  if (!cell || cell->reuseIdentifier().empty()) return;
  auto& queue = reuseQueues_[cell->reuseIdentifier()];
  if (queue.size() >= kMaxQueuedCells || std::find(queue.begin(), queue.end(), cell) != queue.end()) return;
  queue.push_back(std::move(cell));
}

std::shared_ptr<UICollectionViewCell> UICollectionView::makeCell(const NSIndexPath& indexPath) {
  auto source = dataSource();
  std::shared_ptr<UICollectionViewCell> cell = source ? source->cellForItemAtIndexPath(this, indexPath) : nullptr;
  if (cell) {
    // A data source that keeps its own cells may hand back one that waits in a queue or one
    // already showing another item; either would end up in two places.
    if (auto queue = reuseQueues_.find(cell->reuseIdentifier()); queue != reuseQueues_.end())
      std::erase(queue->second, cell);
    auto shown = indexPathForCell(cell.get());
    if (shown && *shown != indexPath) {
      NSLog("UICollectionView: the data source gave the cell of item {} for item {} too", shown->description(),
            indexPath.description());
      cell = nullptr;
    }
  } else {
    NSLog("UICollectionView: the data source gave no cell for item {}", indexPath.description());
  }
  if (!cell) cell = UICollectionViewCell::alloc();
  return cell;
}

// ---- Data ----

void UICollectionView::reloadData() {
  selected_.reset();
  needsReload_ = true;
  setNeedsLayout();
  if (inLayout_) return;
  for (auto& [indexPath, cell] : std::exchange(made_, {})) {
    cell->removeFromSuperview();
    enqueue(cell);
  }
}

void UICollectionView::ensureGeometry() {
  if (inLayout_ && geometryWidth_ >= 0) return;
  if (!needsReload_ && bounds().width() == geometryWidth_) return;
  if (needsReload_ && !made_.empty()) reloadData();
  needsReload_ = false;
  auto source = dataSource();
  auto delegate = this->delegate();
  std::vector<std::vector<CGSize>> sizes;
  int sections = source ? std::max(0, source->numberOfSectionsInCollectionView(this)) : 0;
  for (int s = 0; s < sections; ++s) {
    auto& section = sizes.emplace_back(std::max(0, source->numberOfItemsInSection(this, s)));
    for (std::size_t i = 0; i < section.size(); ++i)
      section[i] = delegate ? delegate->sizeForItemAtIndexPath(this, layout_.get(),
                                                               NSIndexPath::indexPathForRow(int(i), s))
                            : layout_->itemSize();
  }
  geometryWidth_ = bounds().width();
  geometry_ = layout_->layout(geometryWidth_, sizes);
  setContentSize(CGSize{geometryWidth_, geometry_.contentHeight});
}

int UICollectionView::numberOfSections() {
  ensureGeometry();
  return int(geometry_.frames.size());
}

int UICollectionView::numberOfItemsInSection(int section) {
  ensureGeometry();
  return section >= 0 && section < int(geometry_.frames.size()) ? int(geometry_.frames[section].size()) : 0;
}

bool UICollectionView::validIndexPath(const NSIndexPath& indexPath) const {
  return indexPath.section >= 0 && indexPath.section < int(geometry_.frames.size()) && indexPath.row >= 0 &&
         indexPath.row < int(geometry_.frames[indexPath.section].size());
}

// ---- Layout ----

void UICollectionView::setFrame(const CGRect& frame) {
  UIScrollView::setFrame(frame);
  if (bounds().width() != geometryWidth_) setNeedsLayout();
}

void UICollectionView::didScroll() { setNeedsLayout(); }

void UICollectionView::layoutSubviews() {
  UIScrollView::layoutSubviews();
  auto keep = weak_from_this().lock();
  ensureGeometry();
  inLayout_ = true;
  layoutVisibleItems();
  inLayout_ = false;
  if (needsReload_) setNeedsLayout();
}

void UICollectionView::layoutVisibleItems() {
  double height = bounds().height();
  double top = contentOffset().y - kBandMargin * height, bottom = contentOffset().y + (1 + kBandMargin) * height;
  std::vector<NSIndexPath> wanted;
  for (std::size_t s = 0; s < geometry_.frames.size(); ++s)
    for (std::size_t i = 0; i < geometry_.frames[s].size(); ++i)
      if (meets(geometry_.frames[s][i], top, bottom)) wanted.push_back(NSIndexPath::indexPathForRow(int(i), int(s)));
  std::set<NSIndexPath> wantedSet(wanted.begin(), wanted.end());
  for (auto it = made_.begin(); it != made_.end();) {
    if (wantedSet.count(it->first)) {
      ++it;
      continue;
    }
    auto cell = it->second;
    it = made_.erase(it);
    cell->removeFromSuperview();
    enqueue(cell);
  }
  auto delegate = this->delegate();
  for (const auto& indexPath : wanted) {
    CGRect frame = geometry_.frames[indexPath.section][indexPath.row];
    if (auto it = made_.find(indexPath); it != made_.end()) {
      if (!(it->second->frame() == frame)) it->second->setFrame(frame);
      continue;
    }
    auto cell = makeCell(indexPath);
    made_[indexPath] = cell;
    cell->setFrame(frame);
    bool selected = selected_ == indexPath;
    if (cell->isSelected() != selected) cell->setSelected(selected);
    addSubview(cell);
    if (delegate) delegate->willDisplayCell(this, cell.get(), indexPath);
  }
}

// ---- Items on screen ----

std::shared_ptr<UICollectionViewCell> UICollectionView::cellForItemAtIndexPath(const NSIndexPath& indexPath) {
  layoutIfNeeded();
  auto it = made_.find(indexPath);
  return it == made_.end() ? nullptr : it->second;
}

std::vector<NSIndexPath> UICollectionView::indexPathsForVisibleItems() {
  layoutIfNeeded();
  double top = contentOffset().y, bottom = top + bounds().height();
  std::vector<NSIndexPath> paths;
  for (const auto& [indexPath, cell] : made_)
    if (meets(cell->frame(), top, bottom)) paths.push_back(indexPath);
  return paths;
}

std::vector<std::shared_ptr<UICollectionViewCell>> UICollectionView::visibleCells() {
  std::vector<std::shared_ptr<UICollectionViewCell>> cells;
  for (const auto& indexPath : indexPathsForVisibleItems()) cells.push_back(made_[indexPath]);
  return cells;
}

std::optional<NSIndexPath> UICollectionView::indexPathForCell(const UICollectionViewCell* cell) const {
  for (const auto& [indexPath, made] : made_)
    if (made.get() == cell) return indexPath;
  return std::nullopt;
}

std::vector<UIAccessibilityElement> UICollectionView::accessibilityElements() {
  std::vector<UIAccessibilityElement> elements;
  for (const auto& cell : visibleCells())
    if (!cell->isHidden()) {
      auto inner = cell->accessibilityElements();
      elements.insert(elements.end(), inner.begin(), inner.end());
    }
  return elements;
}

// ---- Geometry ----

std::optional<NSIndexPath> UICollectionView::indexPathForItemAtPoint(const CGPoint& point) {
  ensureGeometry();
  for (std::size_t s = 0; s < geometry_.frames.size(); ++s)
    for (std::size_t i = 0; i < geometry_.frames[s].size(); ++i)
      if (CGRectContainsPoint(geometry_.frames[s][i], point)) return NSIndexPath::indexPathForRow(int(i), int(s));
  return std::nullopt;
}

CGRect UICollectionView::frameForItemAtIndexPath(const NSIndexPath& indexPath) {
  ensureGeometry();
  return validIndexPath(indexPath) ? geometry_.frames[indexPath.section][indexPath.row] : CGRect{};
}

bool UICollectionView::scrollToItemAtIndexPath(const NSIndexPath& indexPath, unsigned scrollPosition, bool animated) {
  ensureGeometry();
  if (!validIndexPath(indexPath)) {
    NSLog("UICollectionView: cannot scroll to item {}, which does not exist", indexPath.description());
    return false;
  }
  CGRect frame = geometry_.frames[indexPath.section][indexPath.row];
  double height = bounds().height(), x = contentOffset().x;
  if (scrollPosition & UICollectionViewScrollPositionTop)
    setContentOffset(CGPoint{x, frame.minY()}, animated);
  else if (scrollPosition & UICollectionViewScrollPositionCenteredVertically)
    setContentOffset(CGPoint{x, frame.midY() - height / 2}, animated);
  else if (scrollPosition & UICollectionViewScrollPositionBottom)
    setContentOffset(CGPoint{x, frame.maxY() - height}, animated);
  else
    scrollRectToVisible(frame, animated);
  layoutIfNeeded();
  return true;
}

// ---- Selection ----

std::vector<NSIndexPath> UICollectionView::indexPathsForSelectedItems() const {
  return selected_ ? std::vector<NSIndexPath>{*selected_} : std::vector<NSIndexPath>{};
}

void UICollectionView::setCellSelected(const NSIndexPath& indexPath, bool selected) {
  if (auto it = made_.find(indexPath); it != made_.end()) it->second->setSelected(selected);
}

void UICollectionView::selectItemAtIndexPath(std::optional<NSIndexPath> indexPath, bool animated,
                                             unsigned scrollPosition) {
  ensureGeometry();
  if (indexPath && !validIndexPath(*indexPath)) {
    NSLog("UICollectionView: cannot select item {}, which does not exist", indexPath->description());
    return;
  }
  if (selected_ && selected_ != indexPath) setCellSelected(*selected_, false);
  selected_ = indexPath;
  if (!indexPath) return;
  setCellSelected(*indexPath, true);
  if (scrollPosition != UICollectionViewScrollPositionNone) scrollToItemAtIndexPath(*indexPath, scrollPosition, animated);
}

void UICollectionView::deselectItemAtIndexPath(const NSIndexPath& indexPath, bool) {
  if (selected_ != indexPath) return;
  selected_.reset();
  setCellSelected(indexPath, false);
}

bool UICollectionView::tapItemAtIndexPath(const NSIndexPath& indexPath) {
  // The delegate may pop the screen that holds this grid; the grid lives until the tap is done.
  auto keep = weak_from_this().lock();
  ensureGeometry();
  if (!allowsSelection_ || !validIndexPath(indexPath)) return false;
  auto delegate = this->delegate();
  std::optional<NSIndexPath> previous = selected_;
  if (previous && *previous != indexPath) {
    deselectItemAtIndexPath(*previous, false);
    if (delegate) delegate->didDeselectItemAtIndexPath(this, *previous);
  }
  selected_ = indexPath;
  setCellSelected(indexPath, true);
  if (delegate) delegate->didSelectItemAtIndexPath(this, indexPath);
  return true;
}

bool UICollectionView::handleTap(const CGPoint&) { return false; }
