#include "platform/uikit/UINavigationController.h"

#include <algorithm>
#include <set>
#include <utility>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UINavigationItem.h"
#include "platform/uikit/UIScreen.h"

namespace {

// The navigation controller's view: the bar on top, the top controller's view beneath it. The
// status bar's area above the bar belongs to the bar's background when the view starts at the top
// of its window.
class NavigationContainerView final : public UIView {
 public:
  explicit NavigationContainerView(std::weak_ptr<UINavigationController> owner) : owner_(std::move(owner)) {
    setBackgroundColor(UIColor::whiteColor());
  }

  void layoutSubviews() override {
    auto owner = owner_.lock();
    if (!owner) return;
    const auto& bar = owner->navigationBar();
    double top = owner->contentTop() - UINavigationBar::kHeight;
    CGRect b = bounds();
    bar->setFrame(CGRectMake(0, top, b.width(), UINavigationBar::kHeight));
    bar->setBackgroundExtension(top);
    for (const auto& sub : std::vector<std::shared_ptr<UIView>>(subviews()))
      if (sub != bar) sub->setFrame(CGRectMake(0, top + UINavigationBar::kHeight, b.width(),
                                               std::max(0.0, b.height() - top - UINavigationBar::kHeight)));
  }

 private:
  std::weak_ptr<UINavigationController> owner_;
};

}  // namespace

OBJC_DEFINE_CLASS(UINavigationController, UIViewController)

UINavigationController::UINavigationController(objc::Class* isa)
    : UIViewController(isa), bar_(std::make_shared<UINavigationBar>()) {}

std::shared_ptr<UINavigationController> UINavigationController::initWithRootViewController(
    std::shared_ptr<UIViewController> root) {
  auto nav = std::make_shared<UINavigationController>();
  if (root) nav->setViewControllers({std::move(root)}, false);
  else NSLog("UINavigationController: no root view controller given");
  return nav;
}

// ---- The stack ----

std::shared_ptr<UIViewController> UINavigationController::topViewController() const {
  return stack_.empty() ? nullptr : stack_.back();
}

std::shared_ptr<UIViewController> UINavigationController::visibleViewController() const {
  // The screens of the stack present through the navigation controller itself.
  auto self = std::const_pointer_cast<UINavigationController>(
      std::static_pointer_cast<const UINavigationController>(shared_from_this()));
  if (presentedViewController()) return self->topPresentedViewController();
  return topViewController();
}

void UINavigationController::setViewControllers(std::vector<std::shared_ptr<UIViewController>> controllers, bool) {
  std::set<UIViewController*> seen;
  auto self = weak_from_this().lock();
  for (const auto& c : controllers) {
    auto parent = c ? c->parentViewController() : nullptr;
    if (!c || !seen.insert(c.get()).second || (parent && parent != self) ||
        std::dynamic_pointer_cast<UINavigationController>(c)) {
      NSLog("UINavigationController: refusing a stack with a missing, repeated or foreign controller");
      return;
    }
  }
  transition(std::move(controllers));
}

void UINavigationController::pushViewController(const std::shared_ptr<UIViewController>& controller, bool) {
  if (!controller) {
    NSLog("UINavigationController: cannot push a nil view controller");
    return;
  }
  if (std::find(stack_.begin(), stack_.end(), controller) != stack_.end()) {
    NSLog("UINavigationController: pushing the same view controller instance more than once is not supported ({})",
          controller->description());
    return;
  }
  if (controller->parentViewController() || std::dynamic_pointer_cast<UINavigationController>(controller)) {
    NSLog("UINavigationController: cannot push {}, which is a navigation controller or already in one",
          controller->description());
    return;
  }
  auto stack = stack_;
  stack.push_back(controller);
  transition(std::move(stack));
}

std::shared_ptr<UIViewController> UINavigationController::popViewControllerAnimated(bool) {
  if (stack_.size() < 2) return nullptr;
  auto popped = stack_.back();
  auto stack = stack_;
  stack.pop_back();
  transition(std::move(stack));
  return popped;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToViewController(
    const std::shared_ptr<UIViewController>& controller, bool) {
  auto it = std::find(stack_.begin(), stack_.end(), controller);
  if (!controller || it == stack_.end()) {
    NSLog("UINavigationController: cannot pop to a view controller that is not on the stack");
    return {};
  }
  std::vector<std::shared_ptr<UIViewController>> popped(it + 1, stack_.end());
  transition(std::vector<std::shared_ptr<UIViewController>>(stack_.begin(), it + 1));
  return popped;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToRootViewControllerAnimated(bool animated) {
  if (stack_.empty()) return {};
  return popToViewController(stack_.front(), animated);
}

void UINavigationController::transition(std::vector<std::shared_ptr<UIViewController>> newStack) {
  auto self = std::static_pointer_cast<UINavigationController>(weak_from_this().lock());
  auto oldStack = std::exchange(stack_, std::move(newStack));
  auto oldTop = oldStack.empty() ? nullptr : oldStack.back();
  auto newTop = topViewController();
  for (const auto& c : stack_) c->parent_ = self;

  bool onScreen = isAppearingOrAppeared() && isViewLoaded();
  bool topChanged = oldTop != newTop;
  if (onScreen && topChanged && newTop) newTop->view();
  if (onScreen && topChanged) {
    if (oldTop) oldTop->beginAppearanceTransition(false, false);
    if (newTop) newTop->beginAppearanceTransition(true, false);
  }
  // A controller that left learns it after viewWillDisappear, as it can still reach the stack there.
  for (const auto& c : oldStack)
    if (std::find(stack_.begin(), stack_.end(), c) == stack_.end() && c->parent_.lock() == self) c->parent_.reset();
  updateBar();
  showTopView();
  if (onScreen && topChanged) {
    if (oldTop) oldTop->endAppearanceTransition();
    if (newTop) newTop->endAppearanceTransition();
  }
}

// ---- Views ----

const std::shared_ptr<UINavigationBar>& UINavigationController::navigationBar() { return bar_; }

double UINavigationController::contentTop() {
  double statusBar = UINavigationBar::statusBarHeight();
  if (isViewLoaded()) {
    // Only a view at the top of its window has the status bar above its own bar.
    double y = view()->convertPointToView(CGPoint{}, nullptr).y;
    statusBar = std::max(0.0, statusBar - std::max(0.0, y));
  }
  return statusBar + UINavigationBar::kHeight;
}

void UINavigationController::loadView() {
  auto self = std::static_pointer_cast<UINavigationController>(weak_from_this().lock());
  auto container = std::make_shared<NavigationContainerView>(self);
  container->setFrame(UIScreen::mainScreen().bounds());
  container->addSubview(bar_);
  std::weak_ptr<UINavigationController> weak = self;
  bar_->setBackAction([weak] {
    if (auto nav = weak.lock()) nav->popViewControllerAnimated(true);
  });
  setView(container);
  updateBar();
  showTopView();
}

void UINavigationController::updateBar() {
  std::vector<std::shared_ptr<UINavigationItem>> items;
  for (const auto& c : stack_) items.push_back(c->navigationItem());
  bar_->setItems(std::move(items));
}

void UINavigationController::showTopView() {
  if (!isViewLoaded()) return;
  const auto& container = view();
  auto top = topViewController();
  std::shared_ptr<UIView> next = top ? top->view() : nullptr;
  if (next == shownView_) return;
  if (shownView_ && shownView_->superview() == container.get()) shownView_->removeFromSuperview();
  shownView_ = next;
  if (!next) return;
  next->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  container->insertSubviewAtIndex(next, 0);
  container->setNeedsLayout();
  container->layoutIfNeeded();
}

// ---- Appearance ----

void UINavigationController::viewWillAppear(bool animated) {
  UIViewController::viewWillAppear(animated);
  if (auto top = topViewController()) top->beginAppearanceTransition(true, animated);
}

void UINavigationController::viewDidAppear(bool animated) {
  UIViewController::viewDidAppear(animated);
  if (auto top = topViewController()) top->endAppearanceTransition();
}

void UINavigationController::viewWillDisappear(bool animated) {
  UIViewController::viewWillDisappear(animated);
  if (auto top = topViewController()) top->beginAppearanceTransition(false, animated);
}

void UINavigationController::viewDidDisappear(bool animated) {
  UIViewController::viewDidDisappear(animated);
  if (auto top = topViewController()) top->endAppearanceTransition();
}
