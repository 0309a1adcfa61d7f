#include "platform/uikit/UITouchDelivery.h"

#include <algorithm>

#include "platform/foundation/NSLog.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIApplication.h"
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
