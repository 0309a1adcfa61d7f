#include "platform/uikit/UITableView.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UITableViewMetrics.h"
#include "platform/uikit/UITableViewSectionTitleView.h"

using namespace uitableview;

OBJC_DEFINE_CLASS(UITableView, UIScrollView)

std::shared_ptr<UITableView> UITableView::alloc() { return std::make_shared<UITableView>(); }

UITableView::UITableView(objc::Class* isa) : UIScrollView(isa) { setBackgroundColor(UIColor::whiteColor()); }

std::shared_ptr<UITableView> UITableView::initWithFrame(const CGRect& frame, UITableViewStyle style) {
  switch (style) {
    case UITableViewStylePlain:
    case UITableViewStyleGrouped:
    case UITableViewStyleInsetGrouped: style_ = style; break;
    default:
      NSLog("UITableView: unknown style {}; using the plain style", int(style));
      style_ = UITableViewStylePlain;
  }
  setBackgroundColor(style_ == UITableViewStylePlain ? UIColor::whiteColor() : UIColor::systemGroupedBackgroundColor());
  setFrame(frame);
  reloadData();
  return std::static_pointer_cast<UITableView>(shared_from_this());
}

void UITableView::setDataSource(const std::shared_ptr<UITableViewDataSource>& dataSource) {
  dataSource_ = dataSource;
  reloadData();
}

void UITableView::setDelegate(const std::shared_ptr<UITableViewDelegate>& delegate) {
  delegate_ = delegate;
  reloadData();
}

void UITableView::setRowHeight(double height) {
  rowHeight_ = std::isfinite(height) && height >= 0 ? height : 44;
  reloadData();
}

void UITableView::setSeparatorStyle(UITableViewCellSeparatorStyle style) {
  separatorStyle_ = style == UITableViewCellSeparatorStyleNone ? style : UITableViewCellSeparatorStyleSingleLine;
  setNeedsLayout();
}

double UITableView::groupMargin() const {
  if (style_ != UITableViewStyleInsetGrouped) return 0;
  return bounds().width() >= kWideListWidth ? kWideMargin : kNarrowMargin;
}

CGRect UITableView::groupFrame() const {
  double margin = groupMargin();
  return CGRectMake(margin, 0, std::max(0.0, bounds().width() - 2 * margin), 0);
}

// ---- Cells ----

void UITableView::registerClass(objc::Class* cellClass, const std::string& reuseIdentifier) {
  if (!cellClass) {
    registeredClasses_.erase(reuseIdentifier);
    return;
  }
  if (!cellClass->isSubclassOf(UITableViewCell::cls())) {
    NSLog("UITableView: {} is no kind of UITableViewCell; not registered for {}", cellClass->name(), reuseIdentifier);
    return;
  }
  registeredClasses_[reuseIdentifier] = cellClass;
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(const std::string& reuseIdentifier) {
  auto it = reuseQueues_.find(reuseIdentifier);
  if (it == reuseQueues_.end() || it->second.empty()) return nullptr;
  auto cell = std::move(it->second.back());
  it->second.pop_back();
  cell->prepareForReuse();
  return cell;
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(const std::string& reuseIdentifier,
                                                                                const NSIndexPath& indexPath) {
  if (auto cell = dequeueReusableCellWithIdentifier(reuseIdentifier)) return cell;
  auto it = registeredClasses_.find(reuseIdentifier);
  if (it == registeredClasses_.end()) {
    NSLog("UITableView: unable to dequeue a cell with identifier {} for row {}: no class is registered for it",
          reuseIdentifier, indexPath.description());
    return nullptr;
  }
  auto cell = std::dynamic_pointer_cast<UITableViewCell>(objc::class_createInstance(it->second));
  if (!cell) {
    NSLog("UITableView: the class {} registered for {} made no cell", it->second->name(), reuseIdentifier);
    return nullptr;
  }
  cell->initWithStyle(UITableViewCellStyleDefault, reuseIdentifier);
  return cell;
}

void UITableView::enqueue(std::shared_ptr<UITableViewCell> cell) {
  if (!cell || cell->reuseIdentifier().empty()) return;
  auto& queue = reuseQueues_[cell->reuseIdentifier()];
  if (queue.size() >= kMaxQueuedCells || std::find(queue.begin(), queue.end(), cell) != queue.end()) return;
  queue.push_back(std::move(cell));
}

std::shared_ptr<UITableViewCell> UITableView::makeCell(const NSIndexPath& indexPath) {
  auto source = dataSource();
  std::shared_ptr<UITableViewCell> cell = source ? source->cellForRowAtIndexPath(this, indexPath) : nullptr;
  if (cell) {
    // A data source that keeps its own cells may hand back one that waits in a queue, or one
    // already showing another row; either would end up in two places.
    auto queue = reuseQueues_.find(cell->reuseIdentifier());
    if (queue != reuseQueues_.end()) std::erase(queue->second, cell);
    auto shown = indexPathForCell(cell.get());
    if (shown && *shown != indexPath) {
      NSLog("UITableView: the data source gave the cell of row {} for row {} too", shown->description(),
            indexPath.description());
      cell = nullptr;
    }
  } else {
    NSLog("UITableView: the data source gave no cell for row {}", indexPath.description());
  }
  if (!cell) cell = UITableViewCell::alloc()->initWithStyle(UITableViewCellStyleDefault, "");
  return cell;
}

// ---- Data ----

void UITableView::reloadData() {
  selected_.reset();
  swiped_.reset();
  needsReload_ = true;
  setNeedsLayout();
  if (inLayout_) return;
  for (auto& [indexPath, cell] : std::exchange(visible_, {})) {
    cell->removeFromSuperview();
    enqueue(cell);
  }
  for (auto* views : {&headerViews_, &footerViews_})
    for (auto& [section, supplementary] : std::exchange(*views, {})) supplementary.view->removeFromSuperview();
}

void UITableView::ensureGeometry() {
  // A reload asked for during layout waits; the rows being placed keep the geometry they have.
  if (inLayout_ && geometryWidth_ >= 0) return;
  if (needsReload_) {
    if (!visible_.empty() || !headerViews_.empty() || !footerViews_.empty()) reloadData();
    needsReload_ = false;
    computeGeometry();
  } else if (bounds().width() != geometryWidth_) {
    computeGeometry();
  }
}

void UITableView::computeGeometry() {
  geometryWidth_ = bounds().width();
  sections_.clear();
  auto source = dataSource();
  int count = source ? source->numberOfSectionsInTableView(this) : 0;
  if (count < 0 || count > kMaxSections) {
    NSLog("UITableView: the data source says {} sections; showing {}", count, std::clamp(count, 0, kMaxSections));
    count = std::clamp(count, 0, kMaxSections);
  }
  auto delegate = this->delegate();
  double groupWidth = groupFrame().width();
  double y = 0;
  for (int s = 0; s < count; ++s) {
    SectionGeometry section;
    section.top = y;
    section.headerTitle = source->titleForHeaderInSection(this, s);
    section.footerTitle = source->titleForFooterInSection(this, s);
    section.headerHeight = headerHeightFor(s, section.headerTitle, groupWidth);
    int rows = source->numberOfRowsInSection(this, s);
    if (rows < 0 || rows > kMaxRowsPerSection) {
      NSLog("UITableView: the data source says {} rows in section {}; showing {}", rows, s,
            std::clamp(rows, 0, kMaxRowsPerSection));
      rows = std::clamp(rows, 0, kMaxRowsPerSection);
    }
    y += section.headerHeight;
    section.rowTops.reserve(std::size_t(rows));
    section.rowHeights.reserve(std::size_t(rows));
    for (int r = 0; r < rows; ++r) {
      double h = delegate ? delegate->heightForRowAtIndexPath(this, NSIndexPath::indexPathForRow(r, s))
                          : UITableViewAutomaticDimension;
      if (!std::isfinite(h) || h < 0) h = rowHeight_;
      section.rowTops.push_back(y);
      section.rowHeights.push_back(h);
      y += h;
    }
    section.footerHeight = footerHeightFor(s, section.footerTitle, groupWidth);
    y += section.footerHeight;
    sections_.push_back(std::move(section));
  }
  if (style_ != UITableViewStylePlain && count > 0) y += kGroupSpacing;
  contentHeight_ = y;
  setContentSize(CGSize{bounds().width(), y});
}

double UITableView::headerHeightFor(int section, const std::string& title, double groupWidth) {
  if (auto delegate = this->delegate()) {
    double h = delegate->heightForHeaderInSection(this, section);
    if (std::isfinite(h) && h >= 0) return h;
  }
  bool grouped = style_ != UITableViewStylePlain;
  if (title.empty()) return grouped ? kGroupSpacing : 0;
  if (!grouped) return kPlainHeaderHeight;
  return kHeaderTitleTop + UITableViewSectionTitleView::textHeight(title, true, groupWidth - 2 * kTitleInset) +
         kHeaderTitleBottom;
}

double UITableView::footerHeightFor(int section, const std::string& title, double groupWidth) {
  if (auto delegate = this->delegate()) {
    double h = delegate->heightForFooterInSection(this, section);
    if (std::isfinite(h) && h >= 0) return h;
  }
  if (title.empty()) return 0;
  return kFooterTitleTop + UITableViewSectionTitleView::textHeight(title, false, groupWidth - 2 * kTitleInset) +
         kFooterTitleBottom;
}

int UITableView::numberOfSections() {
  ensureGeometry();
  return int(sections_.size());
}

int UITableView::numberOfRowsInSection(int section) {
  ensureGeometry();
  if (section < 0 || section >= int(sections_.size())) return 0;
  return int(sections_[std::size_t(section)].rowTops.size());
}

bool UITableView::validIndexPath(const NSIndexPath& indexPath) {
  return indexPath.row >= 0 && indexPath.row < numberOfRowsInSection(indexPath.section);
}

namespace {

// Row counts before and after a change, checked the way the change says they moved.
void checkUpdate(const char* what, const std::vector<int>& before, const std::vector<int>& after,
                 const std::vector<NSIndexPath>& indexPaths, int sign) {
  if (before.size() != after.size()) return;
  std::vector<int> expected = before;
  for (const auto& ip : indexPaths)
    if (ip.section >= 0 && ip.section < int(expected.size())) expected[std::size_t(ip.section)] += sign;
  for (std::size_t s = 0; s < expected.size(); ++s)
    if (expected[s] != after[s])
      NSLog("UITableView: invalid update: after {} rows, section {} has {} rows where {} were expected", what, s,
            after[s], expected[s]);
}

}  // namespace

void UITableView::deleteRowsAtIndexPaths(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation) {
  reloadCheckingRowCounts("deleting", indexPaths, -1);
}

void UITableView::insertRowsAtIndexPaths(const std::vector<NSIndexPath>& indexPaths, UITableViewRowAnimation) {
  reloadCheckingRowCounts("inserting", indexPaths, +1);
}

void UITableView::reloadCheckingRowCounts(const char* change, const std::vector<NSIndexPath>& indexPaths, int delta) {
  std::vector<int> before;
  if (!needsReload_)
    for (const auto& s : sections_) before.push_back(int(s.rowTops.size()));
  reloadData();
  std::vector<int> after;
  for (int s = 0; s < numberOfSections(); ++s) after.push_back(numberOfRowsInSection(s));
  if (!before.empty()) checkUpdate(change, before, after, indexPaths, delta);
}

void UITableView::reloadRowsAtIndexPaths(const std::vector<NSIndexPath>&, UITableViewRowAnimation) { reloadData(); }

// ---- Rows on screen ----

std::shared_ptr<UITableViewCell> UITableView::cellForRowAtIndexPath(const NSIndexPath& indexPath) {
  auto it = visible_.find(indexPath);
  return it == visible_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<UITableViewCell>> UITableView::visibleCells() {
  std::vector<std::shared_ptr<UITableViewCell>> cells;
  for (const auto& [indexPath, cell] : visible_) cells.push_back(cell);
  return cells;
}

std::vector<NSIndexPath> UITableView::indexPathsForVisibleRows() {
  std::vector<NSIndexPath> paths;
  for (const auto& [indexPath, cell] : visible_) paths.push_back(indexPath);
  return paths;
}

std::optional<NSIndexPath> UITableView::indexPathForCell(const UITableViewCell* cell) const {
  for (const auto& [indexPath, shown] : visible_)
    if (shown.get() == cell) return indexPath;
  return std::nullopt;
}

// ---- Geometry ----

std::optional<NSIndexPath> UITableView::indexPathForRowAtPoint(const CGPoint& point) {
  ensureGeometry();
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    const auto& section = sections_[s];
    if (point.y < section.rowsTop() || point.y >= section.rowsBottom()) continue;
    auto it = std::upper_bound(section.rowTops.begin(), section.rowTops.end(), point.y);
    if (it == section.rowTops.begin()) continue;
    auto row = std::size_t(it - section.rowTops.begin() - 1);
    // Zero-high rows share their top with the next one; the point lies in the last of them that has height.
    while (row > 0 && section.rowHeights[row] <= 0) --row;
    if (section.rowHeights[row] <= 0) continue;
    return NSIndexPath::indexPathForRow(int(row), int(s));
  }
  return std::nullopt;
}

CGRect UITableView::rectForRowAtIndexPath(const NSIndexPath& indexPath) {
  if (!validIndexPath(indexPath)) return CGRect{};
  const auto& section = sections_[std::size_t(indexPath.section)];
  CGRect group = groupFrame();
  return CGRectMake(group.minX(), section.rowTops[std::size_t(indexPath.row)], group.width(),
                    section.rowHeights[std::size_t(indexPath.row)]);
}

CGRect UITableView::rectForSection(int section) {
  ensureGeometry();
  if (section < 0 || section >= int(sections_.size())) return CGRect{};
  const auto& s = sections_[std::size_t(section)];
  return CGRectMake(0, s.top, bounds().width(), s.bottom() - s.top);
}

CGRect UITableView::rectForHeaderInSection(int section) {
  ensureGeometry();
  if (section < 0 || section >= int(sections_.size())) return CGRect{};
  const auto& s = sections_[std::size_t(section)];
  return CGRectMake(0, s.top, bounds().width(), s.headerHeight);
}

CGRect UITableView::rectForFooterInSection(int section) {
  ensureGeometry();
  if (section < 0 || section >= int(sections_.size())) return CGRect{};
  const auto& s = sections_[std::size_t(section)];
  return CGRectMake(0, s.rowsBottom(), bounds().width(), s.footerHeight);
}

void UITableView::scrollToRowAtIndexPath(const NSIndexPath& indexPath, UITableViewScrollPosition position, bool animated) {
  if (!validIndexPath(indexPath)) {
    NSLog("UITableView: cannot scroll to row {}, which does not exist", indexPath.description());
    return;
  }
  CGRect row = rectForRowAtIndexPath(indexPath);
  double height = bounds().height();
  switch (position) {
    case UITableViewScrollPositionTop: setContentOffset(CGPoint{contentOffset().x, row.minY()}, animated); break;
    case UITableViewScrollPositionMiddle:
      setContentOffset(CGPoint{contentOffset().x, row.midY() - height / 2}, animated);
      break;
    case UITableViewScrollPositionBottom: setContentOffset(CGPoint{contentOffset().x, row.maxY() - height}, animated); break;
    default: scrollRectToVisible(row, animated);
  }
}
