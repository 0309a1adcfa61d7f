#include <algorithm>
#include <set>

#include "platform/uikit/UITableView.h"
#include "platform/uikit/UITableViewMetrics.h"
#include "platform/uikit/UITableViewSectionTitleView.h"

using namespace uitableview;

// ---- Layout ----

void UITableView::setFrame(const CGRect& frame) {
  UIScrollView::setFrame(frame);
  if (bounds().width() != geometryWidth_) setNeedsLayout();
}

void UITableView::didScroll() {
  hideDeleteConfirmation();
  setNeedsLayout();
}

void UITableView::layoutSubviews() {
  UIScrollView::layoutSubviews();
  auto keep = weak_from_this().lock();
  ensureGeometry();
  inLayout_ = true;
  layoutVisibleRows();
  layoutSupplementaryViews();
  inLayout_ = false;
  // The data source reloaded while its cells were being made: the next pass shows the new rows.
  if (needsReload_) setNeedsLayout();
}

void UITableView::placeCell(UITableViewCell& cell, const NSIndexPath& indexPath) {
  int rows = numberOfRowsInSection(indexPath.section);
  UITableViewCellPlacement placement;
  placement.cornerRadius = style_ == UITableViewStyleInsetGrouped ? kInsetCornerRadius : 0;
  placement.firstInSection = indexPath.row == 0;
  placement.lastInSection = indexPath.row == rows - 1;
  placement.separator = separatorStyle_ != UITableViewCellSeparatorStyleNone &&
                        (!placement.lastInSection || style_ == UITableViewStylePlain);
  if (!(cell.placement() == placement)) cell.setPlacement(placement);
  cell.setFrame(rectForRowAtIndexPath(indexPath));
  bool selected = selected_ == indexPath;
  if (cell.isSelected() != selected) cell.setSelected(selected, false);
  std::string deleteTitle;
  if (swiped_ == indexPath)
    if (auto delegate = this->delegate())
      deleteTitle = delegate->titleForDeleteConfirmationButtonForRowAtIndexPath(this, indexPath);
  if (swiped_ == indexPath && deleteTitle.empty()) deleteTitle = "Delete";
  cell.setDeleteConfirmationTitle(deleteTitle);
}

void UITableView::layoutVisibleRows() {
  double top = contentOffset().y, bottom = top + bounds().height();
  std::vector<NSIndexPath> wanted;
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    const auto& section = sections_[s];
    if (section.rowsBottom() <= top || section.rowsTop() >= bottom) continue;
    auto first = std::upper_bound(section.rowTops.begin(), section.rowTops.end(), top);
    std::size_t row = first == section.rowTops.begin() ? 0 : std::size_t(first - section.rowTops.begin() - 1);
    for (; row < section.rowTops.size() && section.rowTops[row] < bottom; ++row)
      if (section.rowTops[row] + section.rowHeights[row] > top)
        wanted.push_back(NSIndexPath::indexPathForRow(int(row), int(s)));
  }
  std::set<NSIndexPath> wantedSet(wanted.begin(), wanted.end());
  for (auto it = visible_.begin(); it != visible_.end();) {
    if (wantedSet.count(it->first)) {
      ++it;
      continue;
    }
    auto cell = it->second;
    it = visible_.erase(it);
    cell->removeFromSuperview();
    enqueue(cell);
  }
  auto delegate = this->delegate();
  for (const auto& indexPath : wanted) {
    auto it = visible_.find(indexPath);
    if (it != visible_.end()) {
      placeCell(*it->second, indexPath);
      continue;
    }
    auto cell = makeCell(indexPath);
    visible_[indexPath] = cell;
    placeCell(*cell, indexPath);
    addSubview(cell);
    if (delegate) delegate->willDisplayCell(this, cell.get(), indexPath);
  }
  // Later rows lie over earlier ones, whatever order they came into view in, so that a cell taller
  // than its row is covered by the rows below it the same way every time.
  for (const auto& indexPath : wanted)
    if (auto it = visible_.find(indexPath); it != visible_.end()) bringSubviewToFront(it->second.get());
}

void UITableView::layoutSupplementaryViews() {
  double top = contentOffset().y, bottom = top + bounds().height();
  auto delegate = this->delegate();
  CGRect group = groupFrame();
  auto update = [&](std::map<int, SupplementaryView>& views, int s, const CGRect& rect, const std::string& title,
                    bool header) {
    bool inView = rect.height() > 0 && rect.maxY() > top && rect.minY() < bottom;
    auto it = views.find(s);
    if (!inView) {
      if (it != views.end()) {
        it->second.view->removeFromSuperview();
        views.erase(it);
      }
      return;
    }
    if (it == views.end()) {
      SupplementaryView made;
      if (delegate) made.view = header ? delegate->viewForHeaderInSection(this, s) : delegate->viewForFooterInSection(this, s);
      made.fromDelegate = made.view != nullptr;
      if (!made.view && !title.empty())
        made.view = std::make_shared<UITableViewSectionTitleView>(title, header, style_ != UITableViewStylePlain);
      if (!made.view) return;
      it = views.emplace(s, std::move(made)).first;
    }
    it->second.view->setFrame(rect);
    if (auto* titleView = dynamic_cast<UITableViewSectionTitleView*>(it->second.view.get()))
      titleView->setTextInsets(group.minX() + kTitleInset, group.minX() + kTitleInset);
    if (it->second.view->superview() != this) addSubview(it->second.view);
    bringSubviewToFront(it->second.view.get());
  };
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    update(headerViews_, int(s), rectForHeaderInSection(int(s)), sections_[s].headerTitle, true);
    update(footerViews_, int(s), rectForFooterInSection(int(s)), sections_[s].footerTitle, false);
  }
  for (auto* views : {&headerViews_, &footerViews_})
    std::erase_if(*views, [&](auto& entry) {
      if (entry.first < int(sections_.size())) return false;
      entry.second.view->removeFromSuperview();
      return true;
    });
}
