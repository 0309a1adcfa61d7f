#include "platform/uikit/UIView.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/NSLog.h"
#include "platform/uikit/Drawing.h"

objc::Class* UIView::cls() {
  static objc::Class* c = objc::objc_allocateClassPair(objc::NSObjectClass(), "UIView");
  return c;
}

std::shared_ptr<UIView> UIView::alloc() { return std::make_shared<UIView>(); }

std::shared_ptr<UIView> UIView::initWithFrame(const CGRect& frame) {
  setFrame(frame);
  return std::static_pointer_cast<UIView>(shared_from_this());
}

UIView::UIView(objc::Class* isa) : objc::Object(isa) {}

UIView::~UIView() {
  for (auto& sub : subviews_) sub->superview_ = nullptr;
}

void UIView::setFrame(const CGRect& frame) {
  auto finite = [](double v) { return std::isfinite(v) ? v : 0.0; };
  frame_ = CGRectMake(finite(frame.origin.x), finite(frame.origin.y), std::max(0.0, finite(frame.size.width)),
                      std::max(0.0, finite(frame.size.height)));
}

void UIView::setAlpha(double alpha) { alpha_ = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0; }

void UIView::addSubview(const std::shared_ptr<UIView>& view) {
  if (!view) return;
  if (view.get() == this || isDescendantOfView(view.get())) {
    NSLog("UIView: refusing to add a view inside itself");
    return;
  }
  // Keep the view alive while it leaves its old superview, which may hold the last reference.
  std::shared_ptr<UIView> keep = view;
  if (view->superview_ == this) {
    auto it = std::find(subviews_.begin(), subviews_.end(), view);
    if (it != subviews_.end()) subviews_.erase(it);
  } else {
    view->removeFromSuperview();
  }
  subviews_.push_back(keep);
  keep->superview_ = this;
}

void UIView::removeFromSuperview() {
  UIView* parent = superview_;
  if (!parent) return;
  superview_ = nullptr;
  auto& siblings = parent->subviews_;
  auto it = std::find_if(siblings.begin(), siblings.end(), [this](const auto& v) { return v.get() == this; });
  if (it == siblings.end()) return;
  // The erase may drop the last reference to this view; nothing of it is touched afterwards.
  std::shared_ptr<UIView> last = std::move(*it);
  siblings.erase(it);
}

bool UIView::isDescendantOfView(const UIView* view) const {
  for (const UIView* v = this; v; v = v->superview_)
    if (v == view) return true;
  return false;
}

UIView* UIView::viewWithTag(int tag) {
  if (tag_ == tag) return this;
  for (auto& sub : subviews_)
    if (UIView* found = sub->viewWithTag(tag)) return found;
  return nullptr;
}

CGSize UIView::sizeThatFits(const CGSize&) const { return frame_.size; }

void UIView::sizeToFit() {
  CGSize size = sizeThatFits(frame_.size);
  setFrame(CGRect{frame_.origin, size});
}

void UIView::layoutIfNeeded() {
  layoutSubviews();
  auto subviews = subviews_;
  for (auto& sub : subviews) sub->layoutIfNeeded();
}

void UIView::renderInContext(cairo_t* cr) {
  if (!cr || hidden_ || alpha_ <= 0) return;
  layoutSubviews();
  cairo_save(cr);
  bool group = alpha_ < 1;
  if (group) cairo_push_group(cr);

  CGRect b = bounds();
  if (backgroundColor_.alpha > 0) {
    platform::setSourceColor(cr, backgroundColor_);
    platform::addRoundedRect(cr, b, cornerRadius_);
    cairo_fill(cr);
  }
  if (clipsToBounds_) {
    platform::addRoundedRect(cr, b, cornerRadius_);
    cairo_clip(cr);
  }
  cairo_save(cr);
  draw(cr);
  cairo_restore(cr);
  // A subview may remove views while laying out; draw from a copy.
  auto subviews = subviews_;
  for (auto& sub : subviews) {
    cairo_save(cr);
    cairo_translate(cr, sub->frame_.origin.x, sub->frame_.origin.y);
    sub->renderInContext(cr);
    cairo_restore(cr);
  }

  if (group) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, alpha_);
  }
  cairo_restore(cr);
}
