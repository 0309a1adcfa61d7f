#include "platform/uikit/UIViewController.h"

#include "platform/foundation/NSLog.h"

objc::Class* UIViewController::cls() {
  static objc::Class* c = objc::objc_allocateClassPair(objc::NSObjectClass(), "UIViewController");
  return c;
}

std::shared_ptr<UIViewController> UIViewController::create() { return std::make_shared<UIViewController>(); }

UIViewController::UIViewController(objc::Class* isa) : objc::Object(isa) {}

const std::shared_ptr<UIView>& UIViewController::view() {
  if (!view_) {
    loadView();
    if (!view_) view_ = UIView::alloc();
    viewDidLoad();
  }
  return view_;
}

void UIViewController::loadView() { view_ = UIView::alloc(); }

void UIViewController::presentViewController(const std::shared_ptr<UIViewController>& controller, bool,
                                             Completion completion) {
  if (!controller) return;
  bool isAncestor = false;
  auto self = std::static_pointer_cast<UIViewController>(weak_from_this().lock());
  for (auto p = self; p && !isAncestor; p = p->presentingViewController())
    isAncestor = p == controller;
  if (presented_ || controller->presentingViewController() || isAncestor) {
    NSLog("Attempt to present {} on {} which is already presenting or presented", controller->description(),
          description());
    return;
  }
  presented_ = controller;
  controller->presenting_ = self;
  controller->view();
  if (completion) completion();
}

std::shared_ptr<UIViewController> UIViewController::topPresentedViewController() {
  auto top = std::static_pointer_cast<UIViewController>(weak_from_this().lock());
  while (top && top->presented_) top = top->presented_;
  return top;
}

void UIViewController::dismissViewControllerAnimated(bool animated, Completion completion) {
  if (!presented_) {
    if (auto presenter = presentingViewController()) presenter->dismissViewControllerAnimated(animated, std::move(completion));
    else if (completion) completion();
    return;
  }
  // Unlink the whole chain above this controller, top first, so that each leaves no dangling
  // presenter behind. Everything stays alive until this call ends.
  std::vector<std::shared_ptr<UIViewController>> chain;
  for (auto c = presented_; c; c = c->presented_) chain.push_back(c);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    (*it)->presented_.reset();
    (*it)->presenting_.reset();
  }
  presented_.reset();
  if (completion) completion();
}
