#include "platform/uikit/UITouchDelivery.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>

#include "platform/foundation/NSLog.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UITextField.h"

namespace platform {

namespace {

// What covers a window, top first: the controllers it presents, the last one first, then the
// window's own tree. A presented controller's view fills the window, laid out as it is drawn.
std::vector<std::shared_ptr<UIView>> layersTopFirst(UIWindow& window) {
  std::vector<std::shared_ptr<UIView>> layers;
  if (auto root = window.rootViewController())
    for (auto c = root->presentedViewController(); c; c = c->presentedViewController()) {
      const auto& view = c->view();
      view->setFrame(window.bounds());
      layers.push_back(view);
    }
  std::reverse(layers.begin(), layers.end());
  layers.push_back(std::static_pointer_cast<UIView>(window.shared_from_this()));
  return layers;
}

// The view whose elements a reader is confined to: the top presented controller's, else the window.
std::shared_ptr<UIView> readingScope(UIWindow& window) { return layersTopFirst(window).front(); }

// Top to bottom; elements whose middles lie within each other's height share a line and are read
// left to right. Comparing each with the line's first element keeps one tall element from
// swallowing the rows beside it.
void sortInReadingOrder(std::vector<UIAccessibilityElement>& elements) {
  std::stable_sort(elements.begin(), elements.end(), [](const auto& a, const auto& b) {
    return a.frame.minY() < b.frame.minY();
  });
  auto within = [](double y, const CGRect& r) { return y >= r.minY() && y <= r.maxY(); };
  for (std::size_t start = 0; start < elements.size();) {
    const CGRect first = elements[start].frame;
    std::size_t end = start + 1;
    while (end < elements.size() && within(elements[end].frame.midY(), first) &&
           within(first.midY(), elements[end].frame))
      ++end;
    std::stable_sort(elements.begin() + std::ptrdiff_t(start), elements.begin() + std::ptrdiff_t(end),
                     [](const auto& a, const auto& b) { return a.frame.minX() < b.frame.minX(); });
    start = end;
  }
}

}  // namespace

std::vector<std::shared_ptr<UIWindow>> visibleWindowsTopFirst() {
  auto windows = UIApplication::sharedApplication().windows();
  std::erase_if(windows, [](const auto& w) { return w->isHidden(); });
  std::reverse(windows.begin(), windows.end());
  return windows;
}

std::shared_ptr<UIView> deliverTap(UIView* view, CGPoint point) {
  if (!view) return nullptr;
  // A handler may take views out of the tree; the whole chain stays alive until the tap is done.
  std::vector<std::shared_ptr<UIView>> chain;
  for (UIView* v = view; v; v = v->superview())
    if (auto held = std::static_pointer_cast<UIView>(v->weak_from_this().lock())) chain.push_back(std::move(held));
    else break;
  for (auto& v : chain) {
    if (v->handleTap(point)) return v;
    CGPoint origin = v->UIView::frame().origin, shown = v->bounds().origin;
    point = CGPoint{point.x + origin.x - shown.x, point.y + origin.y - shown.y};
  }
  return nullptr;
}

ScreenHit hitTestScreen(CGPoint screenPoint) {
  for (const auto& window : visibleWindowsTopFirst()) {
    CGPoint origin = window->UIView::frame().origin;
    CGPoint p{screenPoint.x - origin.x, screenPoint.y - origin.y};
    if (!CGRectContainsPoint(window->bounds(), p)) continue;
    for (const auto& layer : layersTopFirst(*window)) {
      layer->layoutIfNeeded();
      if (UIView* hit = layer->hitTest(p)) {
        auto held = std::static_pointer_cast<UIView>(hit->shared_from_this());
        return ScreenHit{held, hit->convertPointFromView(p, layer.get())};
      }
    }
  }
  return {};
}

std::vector<std::pair<std::shared_ptr<UIView>, CGPoint>> viewsUnderTouch(const ScreenHit& hit) {
  std::vector<std::pair<std::shared_ptr<UIView>, CGPoint>> chain;
  for (UIView* v = hit.view.get(); v; v = v->superview()) {
    auto held = std::static_pointer_cast<UIView>(v->weak_from_this().lock());
    if (!held) break;
    chain.emplace_back(std::move(held), v->convertPointFromView(hit.point, hit.view.get()));
  }
  return chain;
}

namespace {

// The speed a finger lifts with is that of its moves in this last stretch (seconds).
constexpr double kVelocityWindow = 0.1;
// No finger goes faster than this (points per second); a report that says so is cut down to it.
constexpr double kFastestFinger = 10000;

struct TouchSample {
  double time;
  CGPoint point;
};

// The finger on the screen, from its touch-down on.
struct Finger {
  CGPoint start;
  std::shared_ptr<UIView> hit;
  CGPoint hitPoint;
  std::vector<std::pair<std::weak_ptr<UIView>, CGPoint>> candidates;  // the views under it, front first
  std::weak_ptr<UIView> dragger;
  bool dragging = false;      // a view took the drag
  bool pastSlop = false;      // it moved too far for a tap
  bool stoppedFlick = false;  // its touch-down stopped a flicked list
  std::deque<TouchSample> samples;
};

std::optional<Finger>& finger() {
  static auto* f = new std::optional<Finger>();
  return *f;
}

CGPoint velocityAtLift(const Finger& f) {
  if (f.samples.size() < 2) return CGPoint{0, 0};
  const TouchSample& last = f.samples.back();
  const TouchSample* first = &last;
  for (auto it = f.samples.rbegin(); it != f.samples.rend() && last.time - it->time <= kVelocityWindow; ++it) first = &*it;
  double seconds = last.time - first->time;
  if (!(seconds > 0.001)) return CGPoint{0, 0};
  CGPoint v{(last.point.x - first->point.x) / seconds, (last.point.y - first->point.y) / seconds};
  double speed = std::hypot(v.x, v.y);
  if (!std::isfinite(speed)) return CGPoint{0, 0};
  if (speed > kFastestFinger) v = CGPoint{v.x * kFastestFinger / speed, v.y * kFastestFinger / speed};
  return v;
}

// Offers the drag to the views under the finger once it is past the slop.
void offerDrag(Finger& f, const CGPoint& translation) {
  if (f.pastSlop) return;
  if (std::hypot(translation.x, translation.y) < kTouchSlop) return;
  f.pastSlop = true;
  for (const auto& [weak, location] : f.candidates) {
    auto view = weak.lock();
    if (view && view->panBegan(location, translation)) {
      f.dragger = view;
      f.dragging = true;
      return;
    }
  }
}

}  // namespace

bool touchScreen(UITouchPhase phase, CGPoint screenPoint, double timestamp) {
  auto& current = finger();
  if (!std::isfinite(screenPoint.x) || !std::isfinite(screenPoint.y)) {
    NSLog("Touch: ignoring a report at a point that is not a number");
    return false;
  }
  if (!std::isfinite(timestamp)) timestamp = current && !current->samples.empty() ? current->samples.back().time : 0;
  if (phase == UITouchPhaseBegan) {
    if (current) {
      NSLog("Touch: a finger touched down while one was down; the first is cancelled");
      touchScreen(UITouchPhaseCancelled, screenPoint, timestamp);
    }
    Finger f;
    f.start = screenPoint;
    ScreenHit hit = hitTestScreen(screenPoint);
    f.hit = hit.view;
    f.hitPoint = hit.point;
    for (auto& [view, location] : viewsUnderTouch(hit)) {
      if (auto* scroll = dynamic_cast<UIScrollView*>(view.get()); scroll && scroll->isDecelerating()) {
        scroll->stopDecelerating();
        f.stoppedFlick = true;
      }
      f.candidates.emplace_back(view, location);
    }
    f.samples.push_back(TouchSample{timestamp, screenPoint});
    bool reached = f.hit != nullptr;
    current = std::move(f);
    return reached;
  }
  if (!current) {
    NSLog("Touch: ignoring a finger's {} with no finger down", phase == UITouchPhaseCancelled ? "cancellation" : "move");
    return false;
  }
  Finger& f = *current;
  // Reports come in order; one dated before the last keeps the last one's time.
  timestamp = std::max(timestamp, f.samples.back().time);
  f.samples.push_back(TouchSample{timestamp, screenPoint});
  while (f.samples.size() > 2 && timestamp - f.samples[1].time > kVelocityWindow) f.samples.pop_front();
  CGPoint translation{screenPoint.x - f.start.x, screenPoint.y - f.start.y};
  if (phase == UITouchPhaseCancelled) {
    auto view = f.dragger.lock();
    current.reset();
    if (view) view->panCancelled();
    return view != nullptr;
  }
  offerDrag(f, translation);
  auto view = f.dragger.lock();
  if (phase == UITouchPhaseMoved || phase == UITouchPhaseStationary) {
    if (view) view->panMoved(translation);
    return view != nullptr;
  }
  // Lifted.
  Finger done = std::move(f);
  current.reset();
  if (view) {
    view->panMoved(translation);
    view->panEnded(translation, velocityAtLift(done));
    return true;
  }
  if (done.dragging) return false;  // the view that had the drag is gone
  if (done.pastSlop) return false;
  if (done.stoppedFlick) return true;
  return done.hit && deliverTap(done.hit.get(), done.hitPoint) != nullptr;
}

std::shared_ptr<UIView> tapAtPoint(CGPoint screenPoint) {
  ScreenHit hit = hitTestScreen(screenPoint);
  return hit.view ? deliverTap(hit.view.get(), hit.point) : nullptr;
}

std::vector<UIAccessibilityElement> accessibilityElements() {
  auto windows = visibleWindowsTopFirst();
  if (windows.empty()) return {};
  auto& window = *windows.front();
  auto scope = readingScope(window);
  scope->layoutIfNeeded();
  auto elements = scope->accessibilityElements();
  CGPoint origin = window.UIView::frame().origin;
  for (auto& e : elements) {
    e.frame.origin.x += origin.x;
    e.frame.origin.y += origin.y;
  }
  sortInReadingOrder(elements);
  return elements;
}

bool typeText(const std::string& text) {
  auto field = std::dynamic_pointer_cast<UITextField>(UIApplication::sharedApplication().firstResponder());
  if (!field) {
    NSLog("Typing \"{}\" went nowhere: no text field is being edited", text);
    return false;
  }
  // Select all, delete: one change.
  if (!field->text().empty()) {
    field->setText("");
    field->sendActionsForControlEvents(UIControlEventEditingChanged);
  }
  std::string clean = sanitizeUTF8(text);
  for (std::size_t i = 0; i < clean.size();) {
    if (!field->isFirstResponder()) {
      NSLog("Typing went nowhere once the text field stopped editing: \"{}\"", clean.substr(i));
      break;
    }
    std::size_t length = 1;
    while (i + length < clean.size() && (static_cast<unsigned char>(clean[i + length]) & 0xC0) == 0x80) ++length;
    field->insertText(std::string_view(clean).substr(i, length));
    i += length;
  }
  return true;
}

bool tapControlWithTitle(const std::string& title) {
  auto windows = visibleWindowsTopFirst();
  if (windows.empty() || title.empty()) return false;
  auto scope = readingScope(*windows.front());
  // Laid out as for drawing, so that the controls' state is the one the screen shows.
  scope->layoutIfNeeded();
  auto elements = scope->accessibilityElements();
  // Collected back to front; the finger meets the frontmost first.
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    if ((it->label != title && it->identifier != title) || (it->traits & UIAccessibilityTraitNotEnabled) ||
        !it->activate)
      continue;
    if (it->activate()) return true;
  }
  return false;
}

}  // namespace platform
