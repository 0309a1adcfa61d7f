#include "platform/uikit/UIApplication.h"

#include <algorithm>

#include "platform/uikit/UIButton.h"

UIApplication& UIApplication::sharedApplication() {
  static UIApplication* app = new UIApplication;
  return *app;
}

UIApplication::UIApplication() : objc::Object(objc::objc_allocateClassPair(objc::NSObjectClass(), "UIApplication")) {}

std::vector<std::shared_ptr<UIWindow>> UIApplication::windows() const {
  std::vector<std::shared_ptr<UIWindow>> live;
  {
    std::lock_guard lock(mu_);
    std::erase_if(windows_, [](const auto& w) { return w.expired(); });
    for (const auto& w : windows_)
      if (auto window = w.lock()) live.push_back(std::move(window));
  }
  std::stable_sort(live.begin(), live.end(), [](const auto& a, const auto& b) {
    if (a->windowLevel() != b->windowLevel()) return a->windowLevel() < b->windowLevel();
    return a->visibleOrder() < b->visibleOrder();
  });
  return live;
}

std::shared_ptr<UIWindow> UIApplication::keyWindow() const {
  std::lock_guard lock(mu_);
  auto window = keyWindow_.lock();
  return window && !window->isHidden() ? window : nullptr;
}

void UIApplication::windowDidBecomeVisible(const std::shared_ptr<UIWindow>& window) {
  if (!window) return;
  std::lock_guard lock(mu_);
  window->setVisibleOrder(nextOrder_++);
  bool listed = std::any_of(windows_.begin(), windows_.end(), [&](const auto& w) { return w.lock() == window; });
  if (!listed) windows_.push_back(window);
}

void UIApplication::setKeyWindow(const std::shared_ptr<UIWindow>& window) {
  std::lock_guard lock(mu_);
  keyWindow_ = window;
}

namespace platform {

namespace {

// Front to back, the way a finger meets them: later subviews lie above earlier ones.
std::shared_ptr<UIButton> findButton(const std::shared_ptr<UIView>& view, const std::string& title) {
  if (!view || view->isHidden() || view->alpha() <= 0) return nullptr;
  const auto& subviews = view->subviews();
  for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
    if (auto found = findButton(*it, title)) return found;
  auto button = std::dynamic_pointer_cast<UIButton>(view);
  if (button && button->title() == title && button->isEnabled()) return button;
  return nullptr;
}

}  // namespace

std::vector<std::shared_ptr<UIWindow>> visibleWindowsTopFirst() {
  auto windows = UIApplication::sharedApplication().windows();
  std::erase_if(windows, [](const auto& w) { return w->isHidden(); });
  std::reverse(windows.begin(), windows.end());
  return windows;
}

bool tapControlWithTitle(const std::string& title) {
  auto windows = visibleWindowsTopFirst();
  if (windows.empty() || title.empty()) return false;
  std::shared_ptr<UIWindow> window = windows.front();
  auto top = window->topViewController();
  bool presenting = top && top != window->rootViewController();
  std::shared_ptr<UIView> scope = presenting ? top->view() : std::static_pointer_cast<UIView>(window);
  // Laid out as for drawing, so that the controls' state is the one the screen shows.
  if (presenting) scope->setFrame(window->bounds());
  scope->layoutIfNeeded();
  auto button = findButton(scope, title);
  if (!button) return false;
  button->tap();
  return true;
}

}  // namespace platform
