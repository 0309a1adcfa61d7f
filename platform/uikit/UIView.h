#pragma once
// UIView: a rectangle in its superview's coordinates that draws itself and its subviews. Views are
// made and changed on the main thread. A superview owns its subviews; a subview knows its
// superview only as long as it is inside it.
#include <cairo.h>

#include <memory>
#include <vector>

#include "platform/runtime/Runtime.h"
#include "platform/uikit/CGGeometry.h"
#include "platform/uikit/UIColor.h"

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

  const CGRect& frame() const { return frame_; }
  void setFrame(const CGRect& frame);
  // The frame's size at the origin: the space the view draws in.
  CGRect bounds() const { return CGRect{{0, 0}, frame_.size}; }

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
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }

  // Back to front.
  const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
  UIView* superview() const { return superview_; }
  // Moves the view here from any other superview, on top of the existing subviews. Adding a view
  // to itself or to one of its own descendants is refused, as it would make a loop.
  void addSubview(const std::shared_ptr<UIView>& view);
  void removeFromSuperview();
  bool isDescendantOfView(const UIView* view) const;
  // This view or the first descendant (depth first) with the tag.
  UIView* viewWithTag(int tag);

  // The size the view would like within the given space; the frame's size unless a view knows better.
  virtual CGSize sizeThatFits(const CGSize& size) const;
  void sizeToFit();
  // Places the subviews for the current bounds; called before every drawing of the view.
  virtual void layoutSubviews() {}
  // Lays out this view and then, recursively, its subviews, as happens before drawing or hit-testing.
  void layoutIfNeeded();

  // The view's own content in its bounds (drawRect:). The background is already painted.
  virtual void draw(cairo_t* cr) {}
  // Draws the view and its visible subviews with the view's bounds at the context's origin:
  // layout, background, content, subviews, all at the view's alpha. A hidden view draws nothing.
  void renderInContext(cairo_t* cr);

 private:
  CGRect frame_;
  UIColor backgroundColor_ = UIColor::clearColor();
  double alpha_ = 1;
  bool hidden_ = false;
  double cornerRadius_ = 0;
  bool clipsToBounds_ = false;
  int tag_ = 0;
  std::vector<std::shared_ptr<UIView>> subviews_;
  UIView* superview_ = nullptr;
};
