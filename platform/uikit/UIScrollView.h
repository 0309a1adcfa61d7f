#pragma once
// UIScrollView: a window onto content larger than the view. The content is the scroll view's
// subviews, placed in content coordinates; the part shown starts at contentOffset, which is the
// origin of the scroll view's bounds. Drawing, hit-testing and coordinate conversion all follow
// the offset, so a subview scrolled out of sight is neither drawn nor touched.
//
// The offset is kept between the smallest and largest offsets the content and its insets allow:
// the top inset can be scrolled into view above the content and the bottom inset below it, but
// never further. There is no bounce and no animation on this platform: a scroll is complete when
// the call returns.
#include <memory>

#include "platform/uikit/UIView.h"

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

  // A finger dragged across the view by `translation` (points, screen direction), starting at
  // `location` (this view's coordinates): the content follows the finger. True when the view
  // took the drag, even if the content was already at its end.
  virtual bool handlePan(const CGPoint& location, const CGPoint& translation);

  // A new size keeps the offset inside the new scrollable range.
  void setFrame(const CGRect& frame) override;

 protected:
  // Sent after the offset has changed, by any means (scrollViewDidScroll:).
  virtual void didScroll() {}

 private:
  CGPoint clampedOffset(CGPoint offset) const;
  void reclamp();

  CGSize contentSize_;
  UIEdgeInsets contentInset_;
  bool scrollEnabled_ = true;
};

namespace platform {

// A finger that touches the screen at the point (screen points), moves by `translation` and
// lifts: the frontmost view under it that takes drags follows it (a scroll view scrolls, a list
// row swiped to the left shows its delete button). Returns whether a view took the drag.
bool dragAtPoint(const CGPoint& screenPoint, const CGPoint& translation);

}  // namespace platform
