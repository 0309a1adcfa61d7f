#include "platform/uikit/UIBezierPath.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "platform/uikit/UIGraphicsState.h"

std::shared_ptr<UIBezierPath> UIBezierPath::bezierPath() { return std::make_shared<UIBezierPath>(); }

std::shared_ptr<UIBezierPath> UIBezierPath::bezierPathWithRect(const CGRect& rect) {
  auto path = bezierPath();
  path->elements_.push_back({Kind::Rect, rect});
  return path;
}

std::shared_ptr<UIBezierPath> UIBezierPath::bezierPathWithRoundedRect(const CGRect& rect, double cornerRadius) {
  auto path = bezierPath();
  path->elements_.push_back({Kind::RoundedRect, rect, std::isfinite(cornerRadius) ? cornerRadius : 0});
  return path;
}

std::shared_ptr<UIBezierPath> UIBezierPath::bezierPathWithOvalInRect(const CGRect& rect) {
  auto path = bezierPath();
  path->elements_.push_back({Kind::Oval, rect});
  return path;
}

void UIBezierPath::moveToPoint(const CGPoint& point) { elements_.push_back({Kind::Move, CGRect{point, {}}}); }

void UIBezierPath::addLineToPoint(const CGPoint& point) { elements_.push_back({Kind::Line, CGRect{point, {}}}); }

void UIBezierPath::closePath() { elements_.push_back({Kind::Close, {}}); }

CGRect UIBezierPath::bounds() const {
  if (elements_.empty()) return CGRect{};
  double inf = std::numeric_limits<double>::infinity();
  double minX = inf, minY = inf, maxX = -inf, maxY = -inf;
  for (const auto& e : elements_) {
    if (e.kind == Kind::Close) continue;
    minX = std::min(minX, e.rect.minX());
    minY = std::min(minY, e.rect.minY());
    maxX = std::max(maxX, e.rect.maxX());
    maxY = std::max(maxY, e.rect.maxY());
  }
  return minX > maxX ? CGRect{} : CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

void UIBezierPath::appendTo(cairo_t* cr) const {
  cairo_new_path(cr);
  for (const auto& e : elements_) {
    switch (e.kind) {
      case Kind::Move: cairo_move_to(cr, e.rect.origin.x, e.rect.origin.y); break;
      case Kind::Line: cairo_line_to(cr, e.rect.origin.x, e.rect.origin.y); break;
      case Kind::Close: cairo_close_path(cr); break;
      case Kind::Rect: platform::addRoundedRect(cr, e.rect, 0); break;
      case Kind::RoundedRect: platform::addRoundedRect(cr, e.rect, e.radius); break;
      case Kind::Oval:
        if (CGRectIsEmpty(e.rect)) break;
        cairo_save(cr);
        cairo_translate(cr, e.rect.midX(), e.rect.midY());
        cairo_scale(cr, e.rect.width() / 2, e.rect.height() / 2);
        cairo_new_sub_path(cr);
        cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
        cairo_close_path(cr);
        cairo_restore(cr);
        break;
    }
  }
}

void UIBezierPath::fill() const {
  auto* context = platform::currentImageContext();
  if (!context) return;
  cairo_t* cr = context->cr.get();
  cairo_save(cr);
  appendTo(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  platform::setSourceColor(cr, context->fill);
  cairo_fill(cr);
  cairo_restore(cr);
}

void UIBezierPath::stroke() const {
  auto* context = platform::currentImageContext();
  if (!context || lineWidth_ <= 0) return;
  cairo_t* cr = context->cr.get();
  cairo_save(cr);
  appendTo(cr);
  cairo_set_line_width(cr, lineWidth_);
  platform::setSourceColor(cr, context->stroke);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void UIBezierPath::addClip() const {
  auto* context = platform::currentImageContext();
  if (!context) return;
  cairo_t* cr = context->cr.get();
  appendTo(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr);
}
