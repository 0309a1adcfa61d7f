#pragma once
// UIScrollView: a window onto content larger than the view. The content is the scroll view's
// subviews, placed in content coordinates; the part shown starts at contentOffset, which is the
// origin of the scroll view's bounds. Drawing, hit-testing and coordinate conversion all follow
// the offset, so a subview scrolled out of sight is neither drawn nor touched.
//
// The offset is kept between the smallest and largest offsets the content and its insets allow:
// the top inset can be scrolled into view above the content and the bottom inset below it.
// Setting the offset in code never goes further and is complete when the call returns.
//
// A finger's drag moves the content with it; lifted while moving, the content goes on at the
// finger's speed and slows down by the deceleration rate each millisecond (UIKit's normal rate,
// 0.998, by default), one step per frame of the display (CADisplayLink), until it stops or a
// finger touches down on it. Along an axis the content can scroll, a finger dragging it past an
// end stretches it with a rubber band's resistance (each further point shows less, never the
// whole view), and a flick that reaches an end runs a little past it; either way a spring brings
// it back onto the end in the same frames, in about half a second. A finger that touches down on
// a list springing back does not stop it, but one that drags it catches it where it is. Along an
// axis the content cannot scroll, an end stops the content dead.
#include <memory>

#include "platform/uikit/UIView.h"

class CADisplayLink;

// The share of its speed a flicked scroll view keeps each millisecond.
inline constexpr double UIScrollViewDecelerationRateNormal = 0.998;
inline constexpr double UIScrollViewDecelerationRateFast = 0.99;

struct UIEdgeInsets {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;
  friend bool operator==(const UIEdgeInsets&, const UIEdgeInsets&) = default;
};

inline constexpr UIEdgeInsets UIEdgeInsetsMake(double top, double left, double bottom, double right) {
  return UIEdgeInsets{top, left, bottom, right};
}

inline constexpr UIEdgeInsets UIEdgeInsetsZero{};

class UIScrollView : public UIView {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UIScrollView> alloc();
  std::shared_ptr<UIScrollView> initWithFrame(const CGRect& frame);
  explicit UIScrollView(objc::Class* isa = UIScrollView::cls());

  // The size of the scrolled content, in points. Negative or non-finite sizes count as zero.
  CGSize contentSize() const { return contentSize_; }
  void setContentSize(const CGSize& size);
  // Extra room around the content that can be scrolled into view (the space under a bar, say).
  UIEdgeInsets contentInset() const { return contentInset_; }
  void setContentInset(const UIEdgeInsets& insets);

  CGPoint contentOffset() const { return bounds().origin; }
  // Clamped to the offsets the content allows; a non-finite coordinate keeps its current value.
  void setContentOffset(const CGPoint& offset, bool animated = false);
  // The offsets at the top left and at the bottom right of the scrollable range.
  CGPoint minimumContentOffset() const;
  CGPoint maximumContentOffset() const;

  // Scrolls as little as needed to bring the rectangle (content coordinates) into view; a
  // rectangle larger than the view shows its top left.
  void scrollRectToVisible(const CGRect& rect, bool animated);

  // Whether a finger's drag scrolls the content (on by default).
  bool isScrollEnabled() const { return scrollEnabled_; }
  void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }

  double decelerationRate() const { return decelerationRate_; }
  // Rates outside (0, 1) are ignored (logged).
  void setDecelerationRate(double rate);
  bool isDragging() const { return dragging_; }
  // Whether the content moves on its own: flicked, or springing back onto an end.
  bool isDecelerating() const { return deceleration_ != nullptr; }
  // The content stops where it is (a finger touching down on a flicked list), unless it is past
  // an end, where it goes on back onto it.
  void stopDecelerating();

  // A mouse wheel or a touchpad over the view moves the content by `delta` (points, the direction
  // the offset goes: positive y shows what is further down). True when the content moved.
  bool scrollByWheel(const CGPoint& delta);

  // UIView: the drag of a finger (see above). A view with scrolling off takes none.
  bool panBegan(const CGPoint& location, const CGPoint& translation) override;
  void panMoved(const CGPoint& translation) override;
  void panEnded(const CGPoint& translation, const CGPoint& velocity) override;
  void panCancelled() override;
  // UIView: the wheel scrolls (scrollByWheel).
  bool wheelTurned(const CGPoint& location, const CGPoint& delta) override { return scrollByWheel(delta); }

  // A new size keeps the offset inside the new scrollable range.
  void setFrame(const CGRect& frame) override;

 protected:
  // Sent after the offset has changed, by any means (scrollViewDidScroll:).
  virtual void didScroll() {}

 private:
  CGPoint clampedOffset(CGPoint offset) const;
  void reclamp();
  // The offset as it is, past the ends included.
  void moveTo(const CGPoint& offset);
  // The offset a finger pulling the content to `pulled` shows, stretched past the ends, and back.
  CGPoint stretchedOffset(CGPoint pulled) const;
  CGPoint pulledOffset(CGPoint shown) const;
  void startMoving();
  void stopMoving();
  void decelerate(double timestamp);

  CGSize contentSize_;
  UIEdgeInsets contentInset_;
  bool scrollEnabled_ = true;
  double decelerationRate_ = UIScrollViewDecelerationRateNormal;
  bool dragging_ = false;
  CGPoint dragStartOffset_;
  std::shared_ptr<CADisplayLink> deceleration_;
  CGPoint velocity_;  // points per millisecond, the direction the offset goes
  double lastFrame_ = 0;
};

namespace platform {

// A finger that touches the screen at the point (screen points), moves by `translation` at once
// and lifts without speed: the frontmost view under it that takes drags follows it (a scroll view
// scrolls, and springs back in the display's frames after when pulled past an end; a list row
// swiped to the left shows its delete button). A move shorter than the touch
// slop is a finger resting and drags nothing. Returns whether a view took the drag.
bool dragAtPoint(const CGPoint& screenPoint, const CGPoint& translation);

// A mouse wheel or touchpad turned over the point (screen points): the frontmost view there that
// moves for it (UIView::wheelTurned: a scroll view that can move that way, a time wheel) moves by
// `delta`. Returns whether one moved.
bool scrollWheelAtPoint(const CGPoint& screenPoint, const CGPoint& delta);

}  // namespace platform
