#pragma once
// UINavigationController: a stack of controllers with a navigation bar on top. The top
// controller's view fills the space under the bar; the bar shows the top controller's navigation
// item and a back button that pops it.
//
// There is no animation on this platform: a push or a pop is complete, and the appearance
// callbacks have run, when the call returns. While the navigation controller is on screen, a push
// sends viewWillDisappear to the old top, viewWillAppear to the new one, then viewDidDisappear and
// viewDidAppear; a pop does the same the other way. Off screen, nothing is sent until the stack
// first shows, and then only to its top.
#include <memory>
#include <vector>

#include "platform/uikit/UINavigationBar.h"
#include "platform/uikit/UIViewController.h"

class UINavigationController : public UIViewController {
 public:
  static objc::Class* cls();
  // initWithRootViewController:.
  static std::shared_ptr<UINavigationController> initWithRootViewController(std::shared_ptr<UIViewController> root);
  explicit UINavigationController(objc::Class* isa = UINavigationController::cls());

  const std::vector<std::shared_ptr<UIViewController>>& viewControllers() const { return stack_; }
  // Replaces the whole stack. Refused (logged) when it names a controller twice, a null one, or
  // one that is already a child of another container.
  void setViewControllers(std::vector<std::shared_ptr<UIViewController>> controllers, bool animated);
  std::shared_ptr<UIViewController> topViewController() const;
  // What the navigation controller presents last (its screens present through it), else the top
  // controller.
  std::shared_ptr<UIViewController> visibleViewController() const;

  // Refused (logged) for a null controller, one already on a stack, or a navigation controller.
  void pushViewController(const std::shared_ptr<UIViewController>& controller, bool animated);
  // The popped controller; nullptr (nothing popped) when only the root is left.
  std::shared_ptr<UIViewController> popViewControllerAnimated(bool animated);
  // The popped controllers, bottom first.
  std::vector<std::shared_ptr<UIViewController>> popToRootViewControllerAnimated(bool animated);
  // Nothing when the controller is not on the stack.
  std::vector<std::shared_ptr<UIViewController>> popToViewController(const std::shared_ptr<UIViewController>& controller,
                                                                     bool animated);

  const std::shared_ptr<UINavigationBar>& navigationBar();
  // The bar's bottom edge in the navigation controller's view: where the top view begins.
  double contentTop();

 protected:
  void loadView() override;
  // Appearance goes on to the top controller.
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidDisappear(bool animated) override;

 private:
  // Moves from one stack to the other: adopts and releases children, swaps the top view and
  // sends the appearance callbacks when on screen.
  void transition(std::vector<std::shared_ptr<UIViewController>> newStack);
  void showTopView();
  void updateBar();

  std::vector<std::shared_ptr<UIViewController>> stack_;
  std::shared_ptr<UINavigationBar> bar_;
  std::shared_ptr<UIView> shownView_;
};
