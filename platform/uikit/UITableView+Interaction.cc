// What a finger and a screen reader do with a list: selection, swipe to delete, and the rows as
// elements (those out of sight included).
#include <algorithm>
#include <cmath>

#include "platform/foundation/NSLog.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UITableView.h"
#include "platform/uikit/UITableViewMetrics.h"
#include "platform/uikit/UITableViewSectionTitleView.h"

using namespace uitableview;

// ---- Selection ----

void UITableView::setAllowsSelection(bool allows) {
  allowsSelection_ = allows;
  if (!allows && selected_) deselectRowAtIndexPath(*selected_, false);
}

void UITableView::setCellSelected(const NSIndexPath& indexPath, bool selected, bool animated) {
  if (auto cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(selected, animated);
}

void UITableView::selectRowAtIndexPath(std::optional<NSIndexPath> indexPath, bool animated,
                                       UITableViewScrollPosition position) {
  if (indexPath && !validIndexPath(*indexPath)) {
    NSLog("UITableView: cannot select row {}, which does not exist", indexPath->description());
    return;
  }
  if (selected_ && selected_ != indexPath) setCellSelected(*selected_, false, animated);
  selected_ = indexPath;
  if (!indexPath) return;
  setCellSelected(*indexPath, true, animated);
  if (position != UITableViewScrollPositionNone) scrollToRowAtIndexPath(*indexPath, position, animated);
}

void UITableView::deselectRowAtIndexPath(const NSIndexPath& indexPath, bool animated) {
  if (selected_ != indexPath) return;
  selected_.reset();
  setCellSelected(indexPath, false, animated);
}

bool UITableView::tapRowAtIndexPath(const NSIndexPath& indexPath) {
  // The delegate may pop the screen that holds this list; the list lives until the tap is done.
  auto keep = weak_from_this().lock();
  if (swiped_) {
    hideDeleteConfirmation();
    return true;
  }
  if (!allowsSelection_ || !validIndexPath(indexPath)) return false;
  auto delegate = this->delegate();
  std::optional<NSIndexPath> previous = selected_;
  if (previous && *previous != indexPath) {
    deselectRowAtIndexPath(*previous, false);
    if (delegate) delegate->didDeselectRowAtIndexPath(this, *previous);
  }
  selected_ = indexPath;
  setCellSelected(indexPath, true, false);
  if (delegate) delegate->didSelectRowAtIndexPath(this, indexPath);
  return true;
}

// ---- Swipe to delete ----

bool UITableView::beginSwipeToDeleteAtIndexPath(const NSIndexPath& indexPath) {
  auto source = dataSource();
  if (!source || !validIndexPath(indexPath) || !source->canEditRowAtIndexPath(this, indexPath)) return false;
  auto delegate = this->delegate();
  UITableViewCellEditingStyle style =
      delegate ? delegate->editingStyleForRowAtIndexPath(this, indexPath) : UITableViewCellEditingStyleDelete;
  if (style != UITableViewCellEditingStyleDelete) return false;
  if (swiped_ && *swiped_ != indexPath) hideDeleteConfirmation();
  swiped_ = indexPath;
  if (auto cell = cellForRowAtIndexPath(indexPath)) {
    placeCell(*cell, indexPath);
    cell->layoutIfNeeded();
  }
  return true;
}

void UITableView::hideDeleteConfirmation() {
  if (!swiped_) return;
  auto cell = cellForRowAtIndexPath(*swiped_);
  swiped_.reset();
  if (cell) cell->setDeleteConfirmationTitle("");
}

void UITableView::commitDeleteAtIndexPath(const NSIndexPath& indexPath) {
  auto keep = weak_from_this().lock();
  if (swiped_ != indexPath) {
    NSLog("UITableView: delete button of row {} tapped, but that row shows none", indexPath.description());
    return;
  }
  hideDeleteConfirmation();
  if (auto source = dataSource()) source->commitEditingStyle(this, UITableViewCellEditingStyleDelete, indexPath);
}

// ---- Touches ----

bool UITableView::handleTap(const CGPoint&) {
  if (!swiped_) return false;
  hideDeleteConfirmation();
  return true;
}

bool UITableView::panBegan(const CGPoint& location, const CGPoint& translation) {
  bool sideways = std::abs(translation.x) > std::abs(translation.y);
  if (!sideways) return UIScrollView::panBegan(location, translation);
  auto indexPath = translation.x < 0 ? indexPathForRowAtPoint(location) : swiped_;
  if (!indexPath) return false;
  double startWidth = 0;
  if (swiped_ == indexPath) {
    if (auto cell = cellForRowAtIndexPath(*indexPath)) startWidth = cell->deleteConfirmationWidth();
  } else if (!beginSwipeToDeleteAtIndexPath(*indexPath)) {
    return false;
  }
  rowSwipe_ = RowSwipe{*indexPath, startWidth, startWidth};
  return true;
}

void UITableView::panMoved(const CGPoint& translation) {
  if (!rowSwipe_) return UIScrollView::panMoved(translation);
  double dx = std::isfinite(translation.x) ? translation.x : 0;
  rowSwipe_->width = std::clamp(rowSwipe_->startWidth - dx, 0.0, bounds().width());
  if (auto cell = cellForRowAtIndexPath(rowSwipe_->indexPath)) {
    cell->setDeleteConfirmationReveal(rowSwipe_->width);
    cell->layoutIfNeeded();
  }
}

void UITableView::panEnded(const CGPoint& translation, const CGPoint& velocity) {
  if (!rowSwipe_) return UIScrollView::panEnded(translation, velocity);
  panMoved(translation);
  RowSwipe swipe = *rowSwipe_;
  rowSwipe_.reset();
  auto cell = cellForRowAtIndexPath(swipe.indexPath);
  double full = cell ? cell->deleteConfirmationWidth() : 0;
  bool open = swipe.width >= full / 2;
  if (velocity.x <= -kSwipeFlickSpeed && swipe.width > 0) open = true;
  if (velocity.x >= kSwipeFlickSpeed) open = false;
  if (!open || !cell || swiped_ != swipe.indexPath) return hideDeleteConfirmation();
  cell->setDeleteConfirmationReveal(std::nullopt);
  cell->layoutIfNeeded();
}

void UITableView::panCancelled() {
  if (!rowSwipe_) return UIScrollView::panCancelled();
  RowSwipe swipe = *rowSwipe_;
  rowSwipe_.reset();
  // Back to how it was when the finger touched down.
  auto cell = cellForRowAtIndexPath(swipe.indexPath);
  if (swipe.startWidth <= 0 || !cell) return hideDeleteConfirmation();
  cell->setDeleteConfirmationReveal(std::nullopt);
}

// ---- Accessibility ----

namespace {

UIAccessibilityElement textElement(const std::string& label, UIAccessibilityTraits traits, const CGRect& frame,
                                   const std::shared_ptr<UIView>& owner) {
  UIAccessibilityElement element;
  element.label = label;
  element.traits = traits;
  element.frame = frame;
  element.view = owner;
  return element;
}

}  // namespace

UIAccessibilityElement UITableView::rowElement(const NSIndexPath& indexPath) {
  auto cell = cellForRowAtIndexPath(indexPath);
  bool borrowed = !cell;
  if (borrowed) {
    // Out of sight: a cell made for the question only, laid out as it would be, then queued for reuse.
    cell = makeCell(indexPath);
    placeCell(*cell, indexPath);
    cell->layoutIfNeeded();
  }
  UIAccessibilityElement element;
  element.label = cell->accessibilityLabel();
  element.value = cell->accessibilityValue();
  element.traits = cell->accessibilityTraits();
  element.frame = convertRectToView(rectForRowAtIndexPath(indexPath), nullptr);
  auto self = std::static_pointer_cast<UITableView>(shared_from_this());
  element.view = borrowed ? std::static_pointer_cast<UIView>(self) : std::static_pointer_cast<UIView>(cell);
  std::weak_ptr<UITableView> weak = self;
  element.activate = [weak, indexPath] {
    auto table = weak.lock();
    if (!table || !table->validIndexPath(indexPath)) return false;
    table->scrollToRowAtIndexPath(indexPath, UITableViewScrollPositionNone, false);
    table->layoutIfNeeded();
    auto shown = table->cellForRowAtIndexPath(indexPath);
    return shown && shown->accessibilityActivate();
  };
  if (borrowed) enqueue(std::move(cell));
  return element;
}

std::vector<UIAccessibilityElement> UITableView::accessibilityElements() {
  if (isHidden() || alpha() <= 0.01) return {};
  layoutIfNeeded();
  auto self = std::static_pointer_cast<UIView>(shared_from_this());
  std::vector<UIAccessibilityElement> elements;
  auto append = [&](std::vector<UIAccessibilityElement> more) {
    elements.insert(elements.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  };
  for (int s = 0; s < int(sections_.size()); ++s) {
    const auto& section = sections_[std::size_t(s)];
    auto header = headerViews_.find(s);
    if (header != headerViews_.end() && header->second.fromDelegate) append(header->second.view->accessibilityElements());
    else if (!section.headerTitle.empty() && section.headerHeight > 0)
      append({textElement(section.headerTitle, UIAccessibilityTraitHeader,
                          convertRectToView(rectForHeaderInSection(s), nullptr), self)});
    for (int r = 0; r < int(section.rowTops.size()); ++r) {
      NSIndexPath indexPath = NSIndexPath::indexPathForRow(r, s);
      auto cell = cellForRowAtIndexPath(indexPath);
      if (cell && !cell->isAccessibilityElement()) {
        // A cell that is no element of its own shows what its parts are.
        append(cell->accessibilityElements());
      } else {
        UIAccessibilityElement row = rowElement(indexPath);
        if (!row.label.empty() || !row.value.empty()) elements.push_back(std::move(row));
      }
      if (cell && cell->showingDeleteConfirmation())
        append({cell->deleteConfirmationButton()->accessibilityElementForView()});
    }
    auto footer = footerViews_.find(s);
    if (footer != footerViews_.end() && footer->second.fromDelegate) append(footer->second.view->accessibilityElements());
    else if (!section.footerTitle.empty() && section.footerHeight > 0)
      append({textElement(section.footerTitle, UIAccessibilityTraitStaticText,
                          convertRectToView(rectForFooterInSection(s), nullptr), self)});
  }
  // Anything else placed in the list by hand.
  for (const auto& sub : std::vector<std::shared_ptr<UIView>>(subviews())) {
    auto* cell = dynamic_cast<UITableViewCell*>(sub.get());
    if ((cell && indexPathForCell(cell)) || dynamic_cast<UITableViewSectionTitleView*>(sub.get())) continue;
    bool supplementary = false;
    for (auto* views : {&headerViews_, &footerViews_})
      for (const auto& [s, view] : *views) supplementary = supplementary || view.view == sub;
    if (!supplementary) append(sub->accessibilityElements());
  }
  return elements;
}
