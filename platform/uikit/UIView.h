#pragma once
// UIView: a rectangle in its superview's coordinates that draws itself and its subviews, lays its
// subviews out, takes touches and describes itself to a screen reader. Views are made and changed
// on the main thread. A superview owns its subviews; a subview knows its superview only as long
// as it is inside it.
//
// Geometry: the frame is the view in its superview's coordinates; the bounds are the same size,
// their origin the point of the view's own coordinates shown at its top left (zero, but for a
// scroll view, whose bounds origin is its content offset). There is no transform.
//
// Layout: changing a view's size resizes its subviews by their autoresizing masks and marks the
// view as needing layout; layoutSubviews then runs once, before the view is next drawn or
// hit-tested, or when layoutIfNeeded is called. A new view, and a view that gains a subview, need
// layout too.
#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/Runtime.h"
#include "platform/uikit/CGGeometry.h"
#include "platform/uikit/UIAccessibility.h"
#include "platform/uikit/UIColor.h"

class UIWindow;

// Options of animateWithDuration. The curves and transitions are accepted; there is no motion on
// this platform (see animateWithDuration).
enum UIViewAnimationOptions : unsigned {
  UIViewAnimationOptionCurveEaseInOut = 0,
  UIViewAnimationOptionBeginFromCurrentState = 1u << 2,
  UIViewAnimationOptionCurveEaseIn = 1u << 16,
  UIViewAnimationOptionCurveEaseOut = 2u << 16,
  UIViewAnimationOptionCurveLinear = 3u << 16,
  UIViewAnimationOptionTransitionCrossDissolve = 5u << 20,
};

// Which parts of a subview follow a change in its superview's size. The change along one axis is
// shared among the flexible parts (margin before, size, margin after) in proportion to their
// current lengths, or evenly when those are all zero; with no flexible part the subview keeps its
// distance from the top left.
enum UIViewAutoresizing : unsigned {
  UIViewAutoresizingNone = 0,
  UIViewAutoresizingFlexibleLeftMargin = 1u << 0,
  UIViewAutoresizingFlexibleWidth = 1u << 1,
  UIViewAutoresizingFlexibleRightMargin = 1u << 2,
  UIViewAutoresizingFlexibleTopMargin = 1u << 3,
  UIViewAutoresizingFlexibleHeight = 1u << 4,
  UIViewAutoresizingFlexibleBottomMargin = 1u << 5,
};

class UIView : public objc::Object {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UIView> alloc();
  // Sets the frame and returns the receiver, so that `UIView::alloc()->initWithFrame(r)` reads
  // as it does on the device.
  std::shared_ptr<UIView> initWithFrame(const CGRect& frame);

  explicit UIView(objc::Class* isa = UIView::cls());
  ~UIView() override;
  UIView(const UIView&) = delete;
  UIView& operator=(const UIView&) = delete;

  // ---- Geometry ----
  // Virtual so that a view may insist on its own frame (a cell as wide as its list); drawing,
  // hit-testing and conversion use the frame actually set. Negative or non-finite sizes become 0.
  virtual CGRect frame() const { return frame_; }
  virtual void setFrame(const CGRect& frame);
  // The frame's size at the origin: the space the view draws in.
  CGRect bounds() const { return CGRect{boundsOrigin_, frame_.size}; }
  // Sets the size around the current centre; the origin stays as it is.
  void setBounds(const CGRect& bounds);
  // The frame's middle, in the superview's coordinates.
  CGPoint center() const { return CGPoint{frame_.midX(), frame_.midY()}; }
  void setCenter(const CGPoint& center);

  // Between this view's coordinates and another view's. A null view means the coordinates of the
  // root of this view's tree (its window, when it is in one). Views of different windows convert
  // through the screen.
  CGPoint convertPointToView(const CGPoint& point, const UIView* view) const;
  CGPoint convertPointFromView(const CGPoint& point, const UIView* view) const;
  CGRect convertRectToView(const CGRect& rect, const UIView* view) const;
  CGRect convertRectFromView(const CGRect& rect, const UIView* view) const;

  // ---- Appearance ----
  // Clear by default: a view draws only what its content draws.
  const UIColor& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(const UIColor& color) { backgroundColor_ = color; }
  // Applied to the view and everything inside it as one layer.
  double alpha() const { return alpha_; }
  void setAlpha(double alpha);
  bool isHidden() const { return hidden_; }
  virtual void setHidden(bool hidden) { hidden_ = hidden; }
  // The layer's corner radius; rounds the background, and the content too with clipsToBounds.
  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double radius) { cornerRadius_ = radius > 0 ? radius : 0; }
  bool clipsToBounds() const { return clipsToBounds_; }
  void setClipsToBounds(bool clips) { clipsToBounds_ = clips; }
  // The view's own tint when set, else its superview's, else the system blue. Setting nullopt
  // goes back to inheriting.
  UIColor tintColor() const;
  void setTintColor(std::optional<UIColor> color) { tintColor_ = color; }
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }

  // ---- Hierarchy ----
  // Back to front.
  const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
  UIView* superview() const { return superview_; }
  // The window at the root of this view's tree; nullptr when the root is no window.
  UIWindow* window() const;
  // Moves the view here from any other superview, on top of the existing subviews. Adding a view
  // to itself or to one of its own descendants is refused, as it would make a loop.
  void addSubview(const std::shared_ptr<UIView>& view);
  // Like addSubview, at that index among the subviews (clamped to the list).
  void insertSubviewAtIndex(const std::shared_ptr<UIView>& view, std::size_t index);
  void bringSubviewToFront(UIView* view);
  void removeFromSuperview();
  bool isDescendantOfView(const UIView* view) const;
  // This view or the first descendant (depth first) with the tag.
  UIView* viewWithTag(int tag);
  // Sent to the view moving, before and after it changes superview (once for a move between two
  // superviews). willMove receives the new superview, nullptr when it is being removed.
  virtual void willMoveToSuperview(UIView* newSuperview) {}
  virtual void didMoveToSuperview() {}
  // Sent to the superview after a subview arrives and before one leaves.
  virtual void didAddSubview(UIView* subview) {}
  virtual void willRemoveSubview(UIView* subview) {}

  // ---- Layout ----
  unsigned autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
  // Whether a change of this view's size resizes its subviews (on by default).
  bool autoresizesSubviews() const { return autoresizesSubviews_; }
  void setAutoresizesSubviews(bool on) { autoresizesSubviews_ = on; }
  // The size the view would like within the given space; the frame's size unless a view knows better.
  virtual CGSize sizeThatFits(const CGSize& size) const;
  void sizeToFit();
  // Places the subviews for the current bounds. Called by the system, never directly.
  virtual void layoutSubviews() {}
  void setNeedsLayout() { needsLayout_ = true; }
  bool needsLayout() const { return needsLayout_; }
  // Runs layoutSubviews if this view needs it, then does the same for each subview, recursively.
  void layoutIfNeeded();

  // ---- Drawing ----
  // The view's own content in its bounds (drawRect:). The background is already painted.
  virtual void draw(cairo_t* cr) {}
  // The view's own content changed in a way none of its properties shows (a wheel turning): each
  // call moves displayGeneration on, so that whoever watches the screen draws it again.
  void setNeedsDisplay() { ++displayGeneration_; }
  std::uint64_t displayGeneration() const { return displayGeneration_; }
  // Draws the view and its visible subviews with the view's bounds at the context's origin:
  // layout when needed, background, content, subviews, all at the view's alpha. A hidden view
  // draws nothing.
  void renderInContext(cairo_t* cr);

  // ---- Touches ----
  // Labels and image views start with touches off, other views with them on.
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  // Whether the point (in this view's coordinates) is inside the view; the bounds by default.
  virtual bool pointInside(const CGPoint& point) const;
  // The frontmost view at the point (in this view's coordinates) that takes touches: visible,
  // alpha above 0.01, interaction enabled and the point inside it. Subviews are asked front to
  // back before the view itself, so a subview that sticks out of its superview is not reached
  // there. Lays the view out first when it needs it. nullptr when nothing takes the point.
  virtual UIView* hitTest(const CGPoint& point);
  // A finger lifting at the point (this view's coordinates): true when the view acted on it. The
  // default does nothing, and the tap goes on to the superview; controls, cells and bar items
  // answer it.
  virtual bool handleTap(const CGPoint& point) { return false; }
  // A finger dragging across the view, as its pan gesture recognizer sees it. Once the finger has
  // moved far enough from where it touched down, the views under it are asked front to back with
  // the touch-down point (this view's coordinates) and the translation so far (screen
  // direction); the first to answer true has the drag, and gets each move and its end or
  // cancellation, with the velocity (points per second) the finger lifted with. The default takes
  // no drag.
  virtual bool panBegan(const CGPoint& location, const CGPoint& translation) { return false; }
  virtual void panMoved(const CGPoint& translation) {}
  virtual void panEnded(const CGPoint& translation, const CGPoint& velocity) {}
  virtual void panCancelled() {}
  // A mouse wheel or a touchpad turned over the view at `location` (its coordinates) by `delta`
  // (points, the way the content goes: positive y brings what is further down into view), as a
  // pan recognizer that takes scrolling sees it. True when the view moved for it; otherwise the
  // wheel goes on to the superviews. The default does nothing with it.
  virtual bool wheelTurned(const CGPoint& location, const CGPoint& delta) { return false; }

  // ---- First responder ----
  // The application has at most one first responder: the view that keyboard input goes to. A
  // view that can take it says so; becoming it asks the present one to resign first. A first
  // responder taken out of its superview (or inside a view taken out) resigns.
  virtual bool canBecomeFirstResponder() const { return false; }
  virtual bool becomeFirstResponder();
  virtual bool resignFirstResponder();
  bool isFirstResponder() const;

  // ---- Animation ----
  // animateWithDuration:delay:options:animations:completion:. The animations block runs at once,
  // so the views hold their final state from the call on (a screenshot taken during the duration
  // may show it early; on the device it would show a blend). The completion comes as on the
  // device: asynchronously, in a main-queue task after delay + duration, with finished = true; it
  // is never called before the call returns, even for a zero duration. Main thread only. Hosts
  // that settle their queues (settleAllQueues) wait for pending completions too.
  static void animateWithDuration(double duration, double delay, unsigned options,
                                  std::function<void()> animations, std::function<void(bool finished)> completion);
  // animateWithDuration:animations:completion:.
  static void animateWithDuration(double duration, std::function<void()> animations,
                                  std::function<void(bool finished)> completion = nullptr);

  // ---- Accessibility ----
  // Each has a default that fits the kind of view and can be set outright. A plain view is no
  // element and has no label, value or traits.
  virtual bool isAccessibilityElement() const;
  void setIsAccessibilityElement(bool is) { isAccessibilityElement_ = is; }
  virtual std::string accessibilityLabel() const;
  void setAccessibilityLabel(std::string label) { accessibilityLabel_ = std::move(label); }
  virtual std::string accessibilityValue() const;
  void setAccessibilityValue(std::string value) { accessibilityValue_ = std::move(value); }
  virtual UIAccessibilityTraits accessibilityTraits() const;
  void setAccessibilityTraits(UIAccessibilityTraits traits) { accessibilityTraits_ = traits; }
  // What activating the view does: a tap at its centre, as handleTap would take it (going on to
  // the superviews). True when something acted.
  virtual bool accessibilityActivate();
  // The elements this view shows, in no particular order: the view itself when it is an element,
  // else those of its visible subviews. A view that shows things that are no views (rows out of
  // sight) overrides this and adds them.
  virtual std::vector<UIAccessibilityElement> accessibilityElements();
  // This view as one element: its label, value, traits, frame in window coordinates, and
  // accessibilityActivate as its action.
  UIAccessibilityElement accessibilityElementForView();
  // The elements of the visible subviews, for views that override accessibilityElements.
  std::vector<UIAccessibilityElement> accessibilityElementsOfSubviews();

 protected:
  // Set explicitly by the owner of the view, so subclasses can let it win over their defaults.
  const std::optional<bool>& explicitIsAccessibilityElement() const { return isAccessibilityElement_; }
  const std::optional<std::string>& explicitAccessibilityLabel() const { return accessibilityLabel_; }
  const std::optional<std::string>& explicitAccessibilityValue() const { return accessibilityValue_; }
  const std::optional<UIAccessibilityTraits>& explicitAccessibilityTraits() const { return accessibilityTraits_; }
  // What the view's top left shows of its own coordinates: drawing, subviews, hit-testing and
  // conversion all follow it. A scroll view moves it as its content offset.
  void setBoundsOrigin(const CGPoint& origin);

 private:
  void insertSubview(const std::shared_ptr<UIView>& view, std::size_t index);
  void resizeWithOldSuperviewSize(const CGSize& oldSize);
  void layoutSelfIfNeeded();
  // This point in the root's coordinates, and the root.
  CGPoint pointInRoot(CGPoint point, const UIView** root) const;

  CGRect frame_;
  CGPoint boundsOrigin_;
  UIColor backgroundColor_ = UIColor::clearColor();
  double alpha_ = 1;
  bool hidden_ = false;
  double cornerRadius_ = 0;
  bool clipsToBounds_ = false;
  std::optional<UIColor> tintColor_;
  int tag_ = 0;
  unsigned autoresizingMask_ = UIViewAutoresizingNone;
  bool autoresizesSubviews_ = true;
  bool needsLayout_ = true;
  std::uint64_t displayGeneration_ = 0;
  bool userInteractionEnabled_ = true;
  std::optional<bool> isAccessibilityElement_;
  std::optional<std::string> accessibilityLabel_;
  std::optional<std::string> accessibilityValue_;
  std::optional<UIAccessibilityTraits> accessibilityTraits_;
  std::vector<std::shared_ptr<UIView>> subviews_;
  UIView* superview_ = nullptr;
};
