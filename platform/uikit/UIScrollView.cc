#include "platform/uikit/UIScrollView.h"

#include <algorithm>
#include <cmath>

#include "platform/uikit/UITouchDelivery.h"

objc::Class* UIScrollView::cls() {
  static objc::Class* c = [] {
    objc::Class* k = objc::objc_allocateClassPair(UIView::cls(), "UIScrollView");
    k->setAllocator(&objc::allocateInstance<UIScrollView>);
    return k;
  }();
  return c;
}

std::shared_ptr<UIScrollView> UIScrollView::alloc() { return std::make_shared<UIScrollView>(); }

std::shared_ptr<UIScrollView> UIScrollView::initWithFrame(const CGRect& frame) {
  return std::static_pointer_cast<UIScrollView>(UIView::initWithFrame(frame));
}

UIScrollView::UIScrollView(objc::Class* isa) : UIView(isa) {
  // What is scrolled out of the view must not show around it.
  setClipsToBounds(true);
}

void UIScrollView::setContentSize(const CGSize& size) {
  auto usable = [](double v) { return std::isfinite(v) && v > 0 ? v : 0.0; };
  contentSize_ = CGSize{usable(size.width), usable(size.height)};
  reclamp();
}

void UIScrollView::setContentInset(const UIEdgeInsets& insets) {
  auto usable = [](double v) { return std::isfinite(v) ? v : 0.0; };
  contentInset_ = UIEdgeInsetsMake(usable(insets.top), usable(insets.left), usable(insets.bottom), usable(insets.right));
  reclamp();
}

CGPoint UIScrollView::minimumContentOffset() const { return CGPoint{-contentInset_.left, -contentInset_.top}; }

CGPoint UIScrollView::maximumContentOffset() const {
  CGPoint min = minimumContentOffset();
  CGSize size = bounds().size;
  return CGPoint{std::max(min.x, contentSize_.width + contentInset_.right - size.width),
                 std::max(min.y, contentSize_.height + contentInset_.bottom - size.height)};
}

CGPoint UIScrollView::clampedOffset(CGPoint offset) const {
  CGPoint min = minimumContentOffset(), max = maximumContentOffset();
  return CGPoint{std::clamp(offset.x, min.x, max.x), std::clamp(offset.y, min.y, max.y)};
}

void UIScrollView::setContentOffset(const CGPoint& offset, bool) {
  CGPoint current = contentOffset();
  CGPoint wanted{std::isfinite(offset.x) ? offset.x : current.x, std::isfinite(offset.y) ? offset.y : current.y};
  CGPoint next = clampedOffset(wanted);
  if (next == current) return;
  setBoundsOrigin(next);
  setNeedsLayout();
  didScroll();
}

void UIScrollView::reclamp() {
  CGPoint current = contentOffset();
  if (clampedOffset(current) != current) setContentOffset(current, false);
}

void UIScrollView::setFrame(const CGRect& frame) {
  UIView::setFrame(frame);
  reclamp();
}

void UIScrollView::scrollRectToVisible(const CGRect& rect, bool animated) {
  CGPoint offset = contentOffset();
  CGSize size = bounds().size;
  auto axis = [](double start, double length, double visibleStart, double visibleLength) {
    if (length >= visibleLength || start < visibleStart) return start;
    if (start + length > visibleStart + visibleLength) return start + length - visibleLength;
    return visibleStart;
  };
  setContentOffset(CGPoint{axis(rect.minX(), rect.width(), offset.x, size.width),
                           axis(rect.minY(), rect.height(), offset.y, size.height)},
                   animated);
}

bool UIScrollView::handlePan(const CGPoint&, const CGPoint& translation) {
  if (!scrollEnabled_) return false;
  CGPoint offset = contentOffset();
  double dx = std::isfinite(translation.x) ? translation.x : 0, dy = std::isfinite(translation.y) ? translation.y : 0;
  setContentOffset(CGPoint{offset.x - dx, offset.y - dy}, false);
  return true;
}

namespace platform {

bool dragAtPoint(const CGPoint& screenPoint, const CGPoint& translation) {
  ScreenHit hit = hitTestScreen(screenPoint);
  for (UIView* v = hit.view.get(); v; v = v->superview()) {
    auto* scroll = dynamic_cast<UIScrollView*>(v);
    if (!scroll) continue;
    auto keep = scroll->weak_from_this().lock();
    CGPoint local = scroll->convertPointFromView(hit.point, hit.view.get());
    if (scroll->handlePan(local, translation)) return true;
  }
  return false;
}

}  // namespace platform
