#include "platform/uikit/UIWindow.h"

#include <cmath>

#include "platform/uikit/UIApplication.h"

objc::Class* UIWindow::cls() {
  static objc::Class* c = objc::objc_allocateClassPair(UIView::cls(), "UIWindow");
  return c;
}

std::shared_ptr<UIWindow> UIWindow::alloc() { return std::make_shared<UIWindow>(); }

std::shared_ptr<UIWindow> UIWindow::initWithFrame(const CGRect& frame) {
  return std::static_pointer_cast<UIWindow>(UIView::initWithFrame(frame));
}

UIWindow::UIWindow(objc::Class* isa) : UIView(isa) { UIView::setHidden(true); }

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> controller) {
  if (controller == rootViewController_) return;
  if (rootViewController_ && rootViewController_->isViewLoaded()) rootViewController_->view()->removeFromSuperview();
  rootViewController_ = std::move(controller);
  if (rootViewController_) {
    const auto& view = rootViewController_->view();
    view->setFrame(bounds());
    addSubview(view);
  }
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
}

void UIWindow::layoutSubviews() {
  if (rootViewController_ && rootViewController_->isViewLoaded()) rootViewController_->view()->setFrame(bounds());
}
