#include "platform/uikit/UIScrollView.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/CADisplayLink.h"
#include "platform/uikit/UITouchDelivery.h"

namespace {

// Slower than this (points per millisecond), a flicked view has stopped.
constexpr double kStopSpeed = 0.02;
// A frame later than this is taken as this long: a host that stalled does not throw the list away.
constexpr double kLongestFrame = 0.1;

double orZero(double v) { return std::isfinite(v) ? v : 0; }

}  // namespace

OBJC_DEFINE_CLASS(UIScrollView, UIView)

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

void UIScrollView::setDecelerationRate(double rate) {
  if (!(rate > 0 && rate < 1)) {
    NSLog("UIScrollView: ignoring the deceleration rate {}, which is not between 0 and 1", rate);
    return;
  }
  decelerationRate_ = rate;
}

void UIScrollView::stopDecelerating() {
  if (!deceleration_) return;
  deceleration_->invalidate();
  deceleration_.reset();
}

bool UIScrollView::scrollByWheel(const CGPoint& delta) {
  if (!scrollEnabled_) return false;
  stopDecelerating();
  CGPoint before = contentOffset();
  setContentOffset(CGPoint{before.x + orZero(delta.x), before.y + orZero(delta.y)});
  return contentOffset() != before;
}

bool UIScrollView::panBegan(const CGPoint&, const CGPoint&) {
  if (!scrollEnabled_) return false;
  stopDecelerating();
  dragging_ = true;
  dragStartOffset_ = contentOffset();
  return true;
}

void UIScrollView::panMoved(const CGPoint& translation) {
  if (!dragging_) return;
  setContentOffset(CGPoint{dragStartOffset_.x - orZero(translation.x), dragStartOffset_.y - orZero(translation.y)});
}

void UIScrollView::panEnded(const CGPoint& translation, const CGPoint& velocity) {
  if (!dragging_) return;
  panMoved(translation);
  dragging_ = false;
  // The content goes on the way the finger went: the offset the other way.
  velocity_ = CGPoint{-orZero(velocity.x) / 1000, -orZero(velocity.y) / 1000};
  if (std::hypot(velocity_.x, velocity_.y) < kStopSpeed) return;
  lastFrame_ = 0;
  std::weak_ptr<UIScrollView> weak = std::static_pointer_cast<UIScrollView>(shared_from_this());
  deceleration_ = CADisplayLink::displayLinkWithTarget([weak](CADisplayLink& link) {
    if (auto self = weak.lock()) self->decelerate(link.timestamp());
    else link.invalidate();
  });
  deceleration_->addToMainRunLoop();
}

void UIScrollView::panCancelled() { dragging_ = false; }

void UIScrollView::decelerate(double timestamp) {
  // The first frame comes one frame after the finger lifted.
  double seconds = lastFrame_ > 0 ? std::clamp(timestamp - lastFrame_, 0.0, kLongestFrame) : CADisplayLink::kFrameDuration;
  lastFrame_ = timestamp;
  // Speed falls by the rate each millisecond; the distance is its integral over the frame.
  double ms = seconds * 1000, keep = std::pow(decelerationRate_, ms), travel = (keep - 1) / std::log(decelerationRate_);
  CGPoint before = contentOffset();
  CGPoint wanted{before.x + velocity_.x * travel, before.y + velocity_.y * travel};
  setContentOffset(wanted);
  CGPoint now = contentOffset();
  // An end reached stops that direction.
  velocity_ = CGPoint{now.x == wanted.x ? velocity_.x * keep : 0, now.y == wanted.y ? velocity_.y * keep : 0};
  if (std::hypot(velocity_.x, velocity_.y) < kStopSpeed) stopDecelerating();
}

namespace platform {

bool dragAtPoint(const CGPoint& screenPoint, const CGPoint& translation) {
  if (std::hypot(orZero(translation.x), orZero(translation.y)) < platform::kTouchSlop) return false;
  for (const auto& [view, location] : viewsUnderTouch(hitTestScreen(screenPoint)))
    if (view->panBegan(location, translation)) {
      view->panMoved(translation);
      view->panEnded(translation, CGPoint{0, 0});
      return true;
    }
  return false;
}

bool scrollWheelAtPoint(const CGPoint& screenPoint, const CGPoint& delta) {
  ScreenHit hit = hitTestScreen(screenPoint);
  for (UIView* v = hit.view.get(); v; v = v->superview())
    if (auto* scroll = dynamic_cast<UIScrollView*>(v)) {
      auto keep = scroll->weak_from_this().lock();
      // A list at its end hands the wheel on to the one around it.
      if (scroll->scrollByWheel(delta)) return true;
    }
  return false;
}

}  // namespace platform
