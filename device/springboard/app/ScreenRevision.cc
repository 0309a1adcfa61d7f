#include "device/springboard/app/ScreenRevision.h"

#include <cstring>
#include <functional>
#include <string>

#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UIImageView.h"
#include "platform/uikit/UIWindow.h"

namespace {

std::uint64_t mixDouble(std::uint64_t hash, double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return mixSignature(hash, bits);
}

std::uint64_t mixText(std::uint64_t hash, const std::string& text) {
  return mixSignature(mixSignature(hash, std::hash<std::string>{}(text)), text.size());
}

std::uint64_t mixRect(std::uint64_t hash, const CGRect& r) {
  for (double v : {r.origin.x, r.origin.y, r.size.width, r.size.height}) hash = mixDouble(hash, v);
  return hash;
}

std::uint64_t mixView(std::uint64_t hash, UIView& view) {
  hash = mixSignature(hash, reinterpret_cast<std::uintptr_t>(view.isa()));
  hash = mixRect(hash, view.frame());
  hash = mixDouble(mixDouble(hash, view.bounds().origin.x), view.bounds().origin.y);
  hash = mixSignature(hash, view.isHidden());
  if (view.isHidden()) return hash;
  hash = mixDouble(hash, view.alpha());
  const UIColor& bg = view.backgroundColor();
  for (double v : {bg.red, bg.green, bg.blue, bg.alpha}) hash = mixDouble(hash, v);
  hash = mixText(hash, view.accessibilityLabel());
  hash = mixText(hash, view.accessibilityValue());
  hash = mixSignature(hash, view.accessibilityTraits());
  hash = mixSignature(hash, view.isFirstResponder());
  hash = mixSignature(hash, view.displayGeneration());
  if (auto* imageView = dynamic_cast<UIImageView*>(&view))
    hash = mixSignature(hash, reinterpret_cast<std::uintptr_t>(imageView->image().get()));
  for (const auto& subview : view.subviews())
    if (subview) hash = mixView(hash, *subview);
  return hash;
}

}  // namespace

std::uint64_t mixSignature(std::uint64_t hash, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) {
    hash ^= (value >> (8 * i)) & 0xff;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::uint64_t visibleWindowsSignature() {
  std::uint64_t hash = kSignatureSeed;
  for (const auto& window : UIApplication::sharedApplication().windows()) {
    if (!window || window->isHidden()) continue;
    // Laid out as for drawing: a list reloaded since the last frame shows its new rows only then.
    window->layoutIfNeeded();
    hash = mixView(hash, *window);
    if (!window->rootViewController()) continue;
    for (auto c = window->rootViewController()->presentedViewController(); c; c = c->presentedViewController()) {
      const auto& view = c->view();
      if (!view) continue;
      view->layoutIfNeeded();
      hash = mixView(hash, *view);
    }
  }
  return hash;
}

std::uint64_t screenRevision(std::uint64_t hostState) {
  static std::uint64_t revision = 0;
  static std::uint64_t lastSignature = 0;
  std::uint64_t signature = mixSignature(visibleWindowsSignature(), hostState);
  if (revision == 0 || signature != lastSignature) {
    ++revision;
    lastSignature = signature;
  }
  return revision;
}
