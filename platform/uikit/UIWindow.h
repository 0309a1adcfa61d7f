#pragma once
// UIWindow: the root of a view tree on the screen. Windows start hidden; the application keeps a
// list of them and draws the visible ones by level (see UIApplication.h and ScreenRenderer.h).
#include <cstdint>
#include <memory>

#include "platform/uikit/UIView.h"
#include "platform/uikit/UIViewController.h"

using UIWindowLevel = double;
inline constexpr UIWindowLevel UIWindowLevelNormal = 0.0;
inline constexpr UIWindowLevel UIWindowLevelAlert = 2000.0;

class UIWindow : public UIView {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UIWindow> alloc();
  std::shared_ptr<UIWindow> initWithFrame(const CGRect& frame);
  explicit UIWindow(objc::Class* isa = UIWindow::cls());

  // The root controller's view fills the window. The root controller's appearance callbacks
  // follow the window: it appears when set on a visible window or when its window is shown, and
  // disappears when replaced on a visible window or when its window is hidden.
  const std::shared_ptr<UIViewController>& rootViewController() const { return rootViewController_; }
  void setRootViewController(std::shared_ptr<UIViewController> controller);
  // The last controller the root's presentation chain reaches; the root when it presents nothing.
  std::shared_ptr<UIViewController> topViewController() const;

  UIWindowLevel windowLevel() const { return windowLevel_; }
  void setWindowLevel(UIWindowLevel level);

  // Shows the window above the others of its level and makes it the key window.
  void makeKeyAndVisible();
  void makeKeyWindow();
  bool isKeyWindow() const;
  void setHidden(bool hidden) override;

  // Sequence number of the last time the window became visible; orders windows of one level.
  std::uint64_t visibleOrder() const { return visibleOrder_; }
  void setVisibleOrder(std::uint64_t order) { visibleOrder_ = order; }

  void layoutSubviews() override;

 private:
  std::shared_ptr<UIViewController> rootViewController_;
  UIWindowLevel windowLevel_ = UIWindowLevelNormal;
  std::uint64_t visibleOrder_ = 0;
};
