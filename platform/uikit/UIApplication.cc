#include "platform/uikit/UIApplication.h"

#include <algorithm>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"


UIApplication& UIApplication::sharedApplication() {
  static UIApplication* app = new UIApplication;
  return *app;
}

OBJC_DEFINE_CLASS(UIApplication, objc::Object)

UIApplication::UIApplication(objc::Class* isa) : objc::Object(isa) {}

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

std::shared_ptr<UIView> UIApplication::firstResponder() const {
  std::lock_guard lock(mu_);
  return firstResponder_.lock();
}

void UIApplication::setFirstResponder(const std::shared_ptr<UIView>& view) {
  std::lock_guard lock(mu_);
  firstResponder_ = view;
}

void UIApplication::openURL(const std::optional<NSURL>& url, const platform::Dictionary&,
                            std::function<void(bool)> completion) {
  bool web = url && (url->scheme() == "http" || url->scheme() == "https");
  bool opened = url && !(web && url->host().empty());
  if (!url) {
    NSLog("UIApplication: cannot open a URL that is not well formed");
  } else if (!opened) {
    NSLog("UIApplication: cannot open {}: a web address needs a host", url->absoluteString());
  } else {
    NSLog("UIApplication: opened {}", url->absoluteString());
    std::lock_guard lock(mu_);
    openedURLs_.push_back(url->absoluteString());
  }
  if (completion)
    platform::dispatch_async(platform::dispatch_get_main_queue(), [completion = std::move(completion), opened] {
      completion(opened);
    });
}

std::vector<std::string> UIApplication::openedURLs() const {
  std::lock_guard lock(mu_);
  return openedURLs_;
}
