#include "platform/uikit/UIViewController.h"

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UINavigationItem.h"

OBJC_DEFINE_CLASS(UIViewController, objc::Object)

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

void UIViewController::setTitle(std::string title) {
  title_ = std::move(title);
  if (navigationItem_) navigationItem_->setTitle(title_);
}

void UIViewController::beginAppearanceTransition(bool isAppearing, bool animated) {
  bool goingIn = appearance_ == Appearance::Appearing || appearance_ == Appearance::Appeared;
  if (isAppearing == goingIn) return;
  // A callback may release the last outside reference (a popped screen); stay alive through it.
  auto keep = weak_from_this().lock();
  appearance_ = isAppearing ? Appearance::Appearing : Appearance::Disappearing;
  appearanceAnimated_ = animated;
  if (isAppearing) {
    view();
    viewWillAppear(animated);
  } else {
    viewWillDisappear(animated);
  }
}

void UIViewController::endAppearanceTransition() {
  auto keep = weak_from_this().lock();
  if (appearance_ == Appearance::Appearing) {
    appearance_ = Appearance::Appeared;
    viewDidAppear(appearanceAnimated_);
  } else if (appearance_ == Appearance::Disappearing) {
    appearance_ = Appearance::Disappeared;
    viewDidDisappear(appearanceAnimated_);
  }
}

bool UIViewController::isAppearingOrAppeared() const {
  return appearance_ == Appearance::Appearing || appearance_ == Appearance::Appeared;
}

std::shared_ptr<UIViewController> UIViewController::outermostContainer() const {
  auto container = parentViewController();
  while (container && container->parentViewController()) container = container->parentViewController();
  return container;
}

std::shared_ptr<UINavigationController> UIViewController::navigationController() const {
  auto self = std::const_pointer_cast<objc::Object>(weak_from_this().lock());
  for (auto c = std::static_pointer_cast<UIViewController>(self); c; c = c->parentViewController())
    if (auto nav = std::dynamic_pointer_cast<UINavigationController>(c)) return nav;
  return nullptr;
}

const std::shared_ptr<UINavigationItem>& UIViewController::navigationItem() {
  if (!navigationItem_) navigationItem_ = std::make_shared<UINavigationItem>(title_);
  return navigationItem_;
}

void UIViewController::presentViewController(const std::shared_ptr<UIViewController>& controller, bool animated,
                                             Completion completion) {
  if (!controller) return;
  // A screen inside a container (a navigation stack) presents through the outermost container,
  // whose view is the one covering the window.
  if (auto container = outermostContainer()) {
    container->presentViewController(controller, animated, std::move(completion));
    return;
  }
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
  // The presenter stays on screen beneath (alerts and sheets leave it visible).
  if (isAppearingOrAppeared()) {
    controller->beginAppearanceTransition(true, animated);
    controller->endAppearanceTransition();
  }
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
    else if (auto container = outermostContainer()) container->dismissViewControllerAnimated(animated, std::move(completion));
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
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) (*it)->beginAppearanceTransition(false, animated);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) (*it)->endAppearanceTransition();
  if (completion) completion();
}
