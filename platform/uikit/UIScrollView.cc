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
// How hard content pulled past an end resists the finger (UIKit's constant).
constexpr double kStretchResistance = 0.55;
// The spring that brings content past an end back onto it, critically damped (per second): it
// is home in about half a second and never swings across the end.
constexpr double kSpring = 15;
// Nearer than this to its end (points), content springing back is there.
constexpr double kSpringRest = 0.5;
// A flick runs past an end at most this fast (points per second), so that a hard one does not
// throw the content off the screen.
constexpr double kFastestPastAnEnd = 3000;

double orZero(double v) { return std::isfinite(v) ? v : 0; }

// How far content pulled `beyond` points past an end shows past it, in a view `length` long:
// each further point shows less, and never the whole view.
double stretched(double beyond, double length) {
  return length > 0 ? beyond * kStretchResistance * length / (beyond * kStretchResistance + length) : 0;
}

// The pull that shows content `shown` points past an end: for a finger that catches it there.
double pullFor(double shown, double length) {
  if (!(length > 0)) return 0;
  shown = std::min(shown, 0.99 * length);
  return shown * length / (kStretchResistance * (length - shown));
}

// One axis of content moving on its own, over a frame of `seconds`: inside its range it slows by
// `rate` each millisecond; past an end the spring pulls it back. `speed` is in points per
// millisecond, the way the offset goes.
void stepAxis(double& at, double& speed, double low, double high, bool bounces, double rate, double seconds) {
  if (at >= low && at <= high) {
    double keep = std::pow(rate, seconds * 1000);
    // The distance is the integral of the falling speed over the frame.
    at += speed * (keep - 1) / std::log(rate);
    speed *= keep;
    if (!bounces && (at < low || at > high)) {
      at = std::clamp(at, low, high);
      speed = 0;
    }
    return;
  }
  double end = at < low ? low : high, from = at - end, v = speed * 1000;
  if (from * v > 0) v = std::clamp(v, -kFastestPastAnEnd, kFastestPastAnEnd);
  // x(t) = (x0 + (v0 + k x0) t) e^(-k t), solved exactly, so any frame length is stable.
  double b = v + kSpring * from, decay = std::exp(-kSpring * seconds);
  double past = (from + b * seconds) * decay;
  v = (v - kSpring * b * seconds) * decay;
  if (std::abs(past) < kSpringRest && std::abs(v) / 1000 < kStopSpeed) {
    at = end;
    speed = 0;
    return;
  }
  at = end + past;
  speed = v / 1000;
}

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
  moveTo(clampedOffset(wanted));
}

void UIScrollView::moveTo(const CGPoint& offset) {
  if (offset == contentOffset()) return;
  setBoundsOrigin(offset);
  setNeedsLayout();
  didScroll();
}

CGPoint UIScrollView::stretchedOffset(CGPoint pulled) const {
  CGPoint min = minimumContentOffset(), max = maximumContentOffset();
  CGSize size = bounds().size;
  auto axis = [](double at, double low, double high, double length) {
    if (high <= low) return low;  // an axis that cannot scroll does not stretch either
    if (at < low) return low - stretched(low - at, length);
    if (at > high) return high + stretched(at - high, length);
    return at;
  };
  return CGPoint{axis(pulled.x, min.x, max.x, size.width), axis(pulled.y, min.y, max.y, size.height)};
}

CGPoint UIScrollView::pulledOffset(CGPoint shown) const {
  CGPoint min = minimumContentOffset(), max = maximumContentOffset();
  CGSize size = bounds().size;
  auto axis = [](double at, double low, double high, double length) {
    if (at < low) return low - pullFor(low - at, length);
    if (at > high) return high + pullFor(at - high, length);
    return at;
  };
  return CGPoint{axis(shown.x, min.x, max.x, size.width), axis(shown.y, min.y, max.y, size.height)};
}

void UIScrollView::reclamp() {
  // Content dragged or moving past an end is brought back by its own motion.
  if (dragging_ || deceleration_) return;
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
  // Left past an end, the content would stay there.
  if (clampedOffset(contentOffset()) != contentOffset()) return;
  stopMoving();
}

void UIScrollView::startMoving() {
  lastFrame_ = 0;
  if (deceleration_) return;
  std::weak_ptr<UIScrollView> weak = std::static_pointer_cast<UIScrollView>(shared_from_this());
  deceleration_ = CADisplayLink::displayLinkWithTarget([weak](CADisplayLink& link) {
    if (auto self = weak.lock()) self->decelerate(link.timestamp());
    else link.invalidate();
  });
  deceleration_->addToMainRunLoop();
}

void UIScrollView::stopMoving() {
  if (!deceleration_) return;
  deceleration_->invalidate();
  deceleration_.reset();
}

bool UIScrollView::scrollByWheel(const CGPoint& delta) {
  if (!scrollEnabled_) return false;
  stopMoving();
  CGPoint before = contentOffset();
  setContentOffset(CGPoint{before.x + orZero(delta.x), before.y + orZero(delta.y)});
  return contentOffset() != before;
}

bool UIScrollView::panBegan(const CGPoint&, const CGPoint&) {
  if (!scrollEnabled_) return false;
  stopMoving();
  dragging_ = true;
  // Caught past an end, the content goes on from where it shows, stretched as it is.
  dragStartOffset_ = pulledOffset(contentOffset());
  return true;
}

void UIScrollView::panMoved(const CGPoint& translation) {
  if (!dragging_) return;
  moveTo(stretchedOffset(
      CGPoint{dragStartOffset_.x - orZero(translation.x), dragStartOffset_.y - orZero(translation.y)}));
}

void UIScrollView::panEnded(const CGPoint& translation, const CGPoint& velocity) {
  if (!dragging_) return;
  panMoved(translation);
  dragging_ = false;
  // The content goes on the way the finger went: the offset the other way.
  velocity_ = CGPoint{-orZero(velocity.x) / 1000, -orZero(velocity.y) / 1000};
  bool stretched = clampedOffset(contentOffset()) != contentOffset();
  if (std::hypot(velocity_.x, velocity_.y) < kStopSpeed && !stretched) return;
  startMoving();
}

void UIScrollView::panCancelled() {
  if (!dragging_) return;
  dragging_ = false;
  velocity_ = CGPoint{0, 0};
  if (clampedOffset(contentOffset()) != contentOffset()) startMoving();
}

void UIScrollView::decelerate(double timestamp) {
  // The first frame comes one frame after the finger lifted.
  double seconds = lastFrame_ > 0 ? std::clamp(timestamp - lastFrame_, 0.0, kLongestFrame) : CADisplayLink::kFrameDuration;
  lastFrame_ = timestamp;
  CGPoint min = minimumContentOffset(), max = maximumContentOffset();
  CGPoint at = contentOffset();
  stepAxis(at.x, velocity_.x, min.x, max.x, max.x > min.x, decelerationRate_, seconds);
  stepAxis(at.y, velocity_.y, min.y, max.y, max.y > min.y, decelerationRate_, seconds);
  moveTo(at);
  bool home = clampedOffset(at) == at;
  if (home && std::hypot(velocity_.x, velocity_.y) < kStopSpeed) stopMoving();
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
  // A list at its end hands the wheel on to the one around it.
  for (const auto& [view, location] : viewsUnderTouch(hitTestScreen(screenPoint)))
    if (view->wheelTurned(location, delta)) return true;
  return false;
}

}  // namespace platform
