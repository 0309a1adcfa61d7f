#include "platform/uikit/UIView.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"

namespace {

// Below this a view is as good as invisible, and a finger passes through it.
constexpr double kMinimumVisibleAlpha = 0.01;

double finiteOrZero(double v) { return std::isfinite(v) ? v : 0.0; }

// One axis of a subview following its superview: the superview's change in length is shared
// among the flexible parts in proportion to their lengths.
void resizeAxis(double& origin, double& length, double oldSuper, double newSuper, bool flexBefore, bool flexLength,
                bool flexAfter) {
  double delta = newSuper - oldSuper;
  int flexible = int(flexBefore) + int(flexLength) + int(flexAfter);
  if (delta == 0 || flexible == 0) return;
  // A part that sticks out (a negative margin) takes no share rather than a negative one.
  double before = flexBefore ? std::max(0.0, origin) : 0;
  double size = flexLength ? std::max(0.0, length) : 0;
  double after = flexAfter ? std::max(0.0, oldSuper - origin - length) : 0;
  double total = before + size + after;
  double shareBefore, shareLength;
  if (total > 0) {
    shareBefore = delta * before / total;
    shareLength = delta * size / total;
  } else {
    shareBefore = flexBefore ? delta / flexible : 0;
    shareLength = flexLength ? delta / flexible : 0;
  }
  origin += shareBefore;
  length += shareLength;
}

CGPoint screenOrigin(const UIView* root) {
  auto* window = dynamic_cast<const UIWindow*>(root);
  return window ? window->UIView::frame().origin : CGPoint{};
}

}  // namespace

OBJC_DEFINE_CLASS(UIView, objc::Object)

std::shared_ptr<UIView> UIView::alloc() { return std::make_shared<UIView>(); }

std::shared_ptr<UIView> UIView::initWithFrame(const CGRect& frame) {
  setFrame(frame);
  return std::static_pointer_cast<UIView>(shared_from_this());
}

UIView::UIView(objc::Class* isa) : objc::Object(isa) {}

UIView::~UIView() {
  for (auto& sub : subviews_) sub->superview_ = nullptr;
}

// ---- Geometry ----

void UIView::setFrame(const CGRect& frame) {
  CGRect old = frame_;
  frame_ = CGRectMake(finiteOrZero(frame.origin.x), finiteOrZero(frame.origin.y), std::max(0.0, finiteOrZero(frame.size.width)),
                      std::max(0.0, finiteOrZero(frame.size.height)));
  if (old.size == frame_.size) return;
  needsLayout_ = true;
  if (!autoresizesSubviews_) return;
  // A subview may leave while another is resized; work from a copy.
  auto subviews = subviews_;
  for (auto& sub : subviews) sub->resizeWithOldSuperviewSize(old.size);
}

void UIView::setBounds(const CGRect& bounds) {
  CGPoint c = center();
  double w = std::max(0.0, finiteOrZero(bounds.size.width)), h = std::max(0.0, finiteOrZero(bounds.size.height));
  UIView::setFrame(CGRectMake(c.x - w / 2, c.y - h / 2, w, h));
}

void UIView::setBoundsOrigin(const CGPoint& origin) {
  boundsOrigin_ = CGPoint{finiteOrZero(origin.x), finiteOrZero(origin.y)};
}

void UIView::setCenter(const CGPoint& center) {
  UIView::setFrame(CGRect{{finiteOrZero(center.x) - frame_.width() / 2, finiteOrZero(center.y) - frame_.height() / 2}, frame_.size});
}

void UIView::resizeWithOldSuperviewSize(const CGSize& oldSize) {
  if (!superview_ || autoresizingMask_ == UIViewAutoresizingNone) return;
  CGSize newSize = superview_->frame_.size;
  CGRect f = frame_;
  unsigned m = autoresizingMask_;
  resizeAxis(f.origin.x, f.size.width, oldSize.width, newSize.width, m & UIViewAutoresizingFlexibleLeftMargin,
             m & UIViewAutoresizingFlexibleWidth, m & UIViewAutoresizingFlexibleRightMargin);
  resizeAxis(f.origin.y, f.size.height, oldSize.height, newSize.height, m & UIViewAutoresizingFlexibleTopMargin,
             m & UIViewAutoresizingFlexibleHeight, m & UIViewAutoresizingFlexibleBottomMargin);
  UIView::setFrame(f);
}

CGPoint UIView::pointInRoot(CGPoint point, const UIView** root) const {
  const UIView* v = this;
  for (; v->superview_; v = v->superview_) {
    point.x += v->frame_.origin.x - v->boundsOrigin_.x;
    point.y += v->frame_.origin.y - v->boundsOrigin_.y;
  }
  if (root) *root = v;
  return point;
}

CGPoint UIView::convertPointToView(const CGPoint& point, const UIView* view) const {
  const UIView* rootA = nullptr;
  CGPoint a = pointInRoot(point, &rootA);
  if (!view) return a;
  const UIView* rootB = nullptr;
  CGPoint b = view->pointInRoot(CGPoint{}, &rootB);
  if (rootA != rootB) {
    CGPoint sa = screenOrigin(rootA), sb = screenOrigin(rootB);
    a = CGPoint{a.x + sa.x, a.y + sa.y};
    b = CGPoint{b.x + sb.x, b.y + sb.y};
  }
  return CGPoint{a.x - b.x, a.y - b.y};
}

CGPoint UIView::convertPointFromView(const CGPoint& point, const UIView* view) const {
  if (view) return view->convertPointToView(point, this);
  CGPoint origin = pointInRoot(CGPoint{}, nullptr);
  return CGPoint{point.x - origin.x, point.y - origin.y};
}

CGRect UIView::convertRectToView(const CGRect& rect, const UIView* view) const {
  return CGRect{convertPointToView(rect.origin, view), rect.size};
}

CGRect UIView::convertRectFromView(const CGRect& rect, const UIView* view) const {
  return CGRect{convertPointFromView(rect.origin, view), rect.size};
}

// ---- Appearance ----

void UIView::setAlpha(double alpha) { alpha_ = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0; }

UIColor UIView::tintColor() const {
  for (const UIView* v = this; v; v = v->superview_)
    if (v->tintColor_) return *v->tintColor_;
  return UIColor::systemBlueColor();
}

// ---- Hierarchy ----

UIWindow* UIView::window() const {
  const UIView* root = nullptr;
  pointInRoot(CGPoint{}, &root);
  return dynamic_cast<UIWindow*>(const_cast<UIView*>(root));
}

void UIView::addSubview(const std::shared_ptr<UIView>& view) { insertSubview(view, subviews_.size()); }

void UIView::insertSubviewAtIndex(const std::shared_ptr<UIView>& view, std::size_t index) {
  insertSubview(view, index);
}

void UIView::insertSubview(const std::shared_ptr<UIView>& view, std::size_t index) {
  if (!view) return;
  if (view.get() == this || isDescendantOfView(view.get())) {
    NSLog("UIView: refusing to add a view inside itself");
    return;
  }
  // Keep the view alive while it leaves its old superview, which may hold the last reference.
  std::shared_ptr<UIView> keep = view;
  UIView* old = view->superview_;
  if (old != this) keep->willMoveToSuperview(this);
  if (old == this) {
    auto it = std::find(subviews_.begin(), subviews_.end(), view);
    if (it != subviews_.end()) subviews_.erase(it);
  } else if (old) {
    old->willRemoveSubview(keep.get());
    auto& siblings = old->subviews_;
    auto it = std::find(siblings.begin(), siblings.end(), keep);
    if (it != siblings.end()) siblings.erase(it);
    old->needsLayout_ = true;
  }
  // A hook above may have moved the view elsewhere; take it from there too.
  if (keep->superview_ && keep->superview_ != old && keep->superview_ != this) keep->removeFromSuperview();
  subviews_.insert(subviews_.begin() + std::ptrdiff_t(std::min(index, subviews_.size())), keep);
  keep->superview_ = this;
  needsLayout_ = true;
  keep->needsLayout_ = true;
  if (old == this) return;
  didAddSubview(keep.get());
  keep->didMoveToSuperview();
}

void UIView::bringSubviewToFront(UIView* view) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [view](const auto& v) { return v.get() == view; });
  if (it != subviews_.end()) std::rotate(it, it + 1, subviews_.end());
}

void UIView::removeFromSuperview() {
  UIView* parent = superview_;
  if (!parent) return;
  // The erase may drop the last reference to this view; it lives until the hooks have run.
  auto keep = weak_from_this().lock();
  if (auto responder = UIApplication::sharedApplication().firstResponder();
      responder && responder->isDescendantOfView(this))
    responder->resignFirstResponder();
  willMoveToSuperview(nullptr);
  parent->willRemoveSubview(this);
  if (superview_ != parent) return;  // a hook moved it already
  superview_ = nullptr;
  auto& siblings = parent->subviews_;
  auto it = std::find_if(siblings.begin(), siblings.end(), [this](const auto& v) { return v.get() == this; });
  if (it != siblings.end()) {
    std::shared_ptr<UIView> last = std::move(*it);
    siblings.erase(it);
  }
  parent->needsLayout_ = true;
  didMoveToSuperview();
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

// ---- Layout ----

CGSize UIView::sizeThatFits(const CGSize&) const { return frame_.size; }

void UIView::sizeToFit() {
  CGSize size = sizeThatFits(frame_.size);
  setFrame(CGRect{frame_.origin, size});
}

void UIView::layoutSelfIfNeeded() {
  if (!needsLayout_) return;
  needsLayout_ = false;
  layoutSubviews();
}

void UIView::layoutIfNeeded() {
  auto keep = weak_from_this().lock();
  layoutSelfIfNeeded();
  auto subviews = subviews_;
  for (auto& sub : subviews) sub->layoutIfNeeded();
}

// ---- Drawing ----

void UIView::renderInContext(cairo_t* cr) {
  if (!cr || hidden_ || alpha_ <= 0) return;
  auto keep = weak_from_this().lock();
  layoutSelfIfNeeded();
  cairo_save(cr);
  bool group = alpha_ < 1;
  if (group) cairo_push_group(cr);
  // The view's own coordinates: what lies at the bounds origin shows at its top left.
  cairo_translate(cr, -boundsOrigin_.x, -boundsOrigin_.y);

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

// ---- Touches ----

bool UIView::pointInside(const CGPoint& point) const { return CGRectContainsPoint(bounds(), point); }

UIView* UIView::hitTest(const CGPoint& point) {
  if (hidden_ || !userInteractionEnabled_ || alpha_ <= kMinimumVisibleAlpha) return nullptr;
  layoutSelfIfNeeded();
  if (!pointInside(point)) return nullptr;
  auto subviews = subviews_;
  for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
    const CGPoint& o = (*it)->frame_.origin;
    const CGPoint& shown = (*it)->boundsOrigin_;
    if (UIView* hit = (*it)->hitTest(CGPoint{point.x - o.x + shown.x, point.y - o.y + shown.y})) return hit;
  }
  return this;
}

// ---- First responder ----

bool UIView::becomeFirstResponder() {
  if (isFirstResponder()) return true;
  if (!canBecomeFirstResponder()) return false;
  auto self = std::static_pointer_cast<UIView>(weak_from_this().lock());
  if (!self) return false;
  auto& app = UIApplication::sharedApplication();
  if (auto current = app.firstResponder(); current && !current->resignFirstResponder()) return false;
  app.setFirstResponder(self);
  return true;
}

bool UIView::resignFirstResponder() {
  if (isFirstResponder()) UIApplication::sharedApplication().setFirstResponder(nullptr);
  return true;
}

bool UIView::isFirstResponder() const { return UIApplication::sharedApplication().firstResponder().get() == this; }

// ---- Accessibility ----

bool UIView::isAccessibilityElement() const { return isAccessibilityElement_.value_or(false); }

std::string UIView::accessibilityLabel() const { return accessibilityLabel_.value_or(""); }

std::string UIView::accessibilityValue() const { return accessibilityValue_.value_or(""); }

UIAccessibilityTraits UIView::accessibilityTraits() const {
  return accessibilityTraits_.value_or(UIAccessibilityTraitNone);
}

bool UIView::accessibilityActivate() {
  CGRect b = bounds();
  return platform::deliverTap(this, CGPoint{b.midX(), b.midY()}) != nullptr;
}

std::vector<UIAccessibilityElement> UIView::accessibilityElements() {
  if (hidden_ || alpha_ <= kMinimumVisibleAlpha) return {};
  if (isAccessibilityElement()) return {accessibilityElementForView()};
  return accessibilityElementsOfSubviews();
}

UIAccessibilityElement UIView::accessibilityElementForView() {
  UIAccessibilityElement element;
  element.label = accessibilityLabel();
  element.value = accessibilityValue();
  element.traits = accessibilityTraits();
  element.frame = convertRectToView(bounds(), nullptr);
  auto self = std::static_pointer_cast<UIView>(weak_from_this().lock());
  element.view = self;
  std::weak_ptr<UIView> weak = self;
  element.activate = [weak] {
    auto view = weak.lock();
    return view && view->accessibilityActivate();
  };
  return element;
}

std::vector<UIAccessibilityElement> UIView::accessibilityElementsOfSubviews() {
  std::vector<UIAccessibilityElement> elements;
  auto subviews = subviews_;
  for (auto& sub : subviews) {
    auto more = sub->accessibilityElements();
    elements.insert(elements.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  }
  return elements;
}
