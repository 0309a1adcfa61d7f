#include "platform/uikit/UIWindow.h"

#include <cmath>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIApplication.h"

OBJC_DEFINE_CLASS(UIWindow, UIView)

std::shared_ptr<UIWindow> UIWindow::alloc() { return std::make_shared<UIWindow>(); }

std::shared_ptr<UIWindow> UIWindow::initWithFrame(const CGRect& frame) {
  return std::static_pointer_cast<UIWindow>(UIView::initWithFrame(frame));
}

UIWindow::UIWindow(objc::Class* isa) : UIView(isa) { UIView::setHidden(true); }

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> controller) {
  if (controller == rootViewController_) return;
  // On a visible window the old root leaves the screen and the new one comes onto it.
  bool shown = !isHidden();
  auto old = rootViewController_;
  if (old && shown) old->beginAppearanceTransition(false, false);
  if (old && old->isViewLoaded()) old->view()->removeFromSuperview();
  rootViewController_ = std::move(controller);
  auto root = rootViewController_;
  if (root) {
    const auto& view = root->view();
    view->setFrame(bounds());
    addSubview(view);
    if (shown) root->beginAppearanceTransition(true, false);
  }
  if (old && shown) old->endAppearanceTransition();
  if (root && shown) root->endAppearanceTransition();
}

std::shared_ptr<UIViewController> UIWindow::topViewController() const {
  return rootViewController_ ? rootViewController_->topPresentedViewController() : nullptr;
}

void UIWindow::setWindowLevel(UIWindowLevel level) { windowLevel_ = std::isfinite(level) ? level : UIWindowLevelNormal; }

void UIWindow::makeKeyAndVisible() {
  setHidden(false);
  makeKeyWindow();
}

void UIWindow::makeKeyWindow() {
  if (auto self = std::static_pointer_cast<UIWindow>(weak_from_this().lock()))
    UIApplication::sharedApplication().setKeyWindow(self);
}

bool UIWindow::isKeyWindow() const { return UIApplication::sharedApplication().keyWindow().get() == this; }

void UIWindow::setHidden(bool hidden) {
  bool wasHidden = isHidden();
  UIView::setHidden(hidden);
  if (wasHidden && !hidden)
    if (auto self = std::static_pointer_cast<UIWindow>(weak_from_this().lock()))
      UIApplication::sharedApplication().windowDidBecomeVisible(self);
  // Showing or hiding the window shows or hides its root controller's view.
  if (wasHidden != hidden)
    if (auto root = rootViewController_) {
      root->beginAppearanceTransition(!hidden, false);
      root->endAppearanceTransition();
    }
}

void UIWindow::layoutSubviews() {
  if (rootViewController_ && rootViewController_->isViewLoaded()) rootViewController_->view()->setFrame(bounds());
}
