#pragma once
// UIViewController: owns a view (made on first use) and presents other controllers modally. There
// is no animation on this platform: a presentation or dismissal is complete, and its completion
// has run, when the call returns.
#include <functional>
#include <memory>
#include <string>

#include "platform/runtime/Runtime.h"
#include "platform/uikit/UIView.h"

class UINavigationController;
class UINavigationItem;

class UIViewController : public objc::Object {
 public:
  using Completion = std::function<void()>;

  static objc::Class* cls();
  // +new.
  static std::shared_ptr<UIViewController> create();
  explicit UIViewController(objc::Class* isa = UIViewController::cls());

  // Loads the view on first use (loadView, then viewDidLoad).
  const std::shared_ptr<UIView>& view();
  bool isViewLoaded() const { return view_ != nullptr; }

  const std::string& title() const { return title_; }
  // Virtual so that a controller showing its title can show a new one. The navigation item's
  // title follows.
  virtual void setTitle(std::string title);

  // Shows `controller` over this one. Refused (logged, no completion) when this controller already
  // presents one, when `controller` is already presented somewhere, or when it is this controller
  // or one of its presenters. When this controller is on screen, the presented one gets its
  // appearance callbacks (and its disappearance ones when dismissed); this one stays on screen.
  // A controller inside a container (a screen of a navigation stack) presents, and dismisses,
  // through its outermost container, which is then the presenting controller.
  void presentViewController(const std::shared_ptr<UIViewController>& controller, bool animated,
                             Completion completion);
  // The controller this one presents, and the one that presents this one.
  std::shared_ptr<UIViewController> presentedViewController() const { return presented_; }
  std::shared_ptr<UIViewController> presentingViewController() const { return presenting_.lock(); }
  // The last controller of the chain this one presents; this one when it presents nothing.
  std::shared_ptr<UIViewController> topPresentedViewController();
  // Sent to a presenter: dismisses what it presents, and all that presents in turn. Sent to a
  // controller that presents nothing: its presenter dismisses it.
  void dismissViewControllerAnimated(bool animated, Completion completion);

  // ---- Appearance ----
  // beginAppearanceTransition:animated: / endAppearanceTransition: what windows, containers and
  // presentations send around the view coming onto or leaving the screen. They send
  // viewWillAppear / viewWillDisappear, then viewDidAppear / viewDidDisappear; a begin in the
  // direction the controller is already going sends nothing, so each callback comes once.
  void beginAppearanceTransition(bool isAppearing, bool animated);
  void endAppearanceTransition();
  // From viewWillAppear until viewWillDisappear.
  bool isAppearingOrAppeared() const;

  // ---- Containment and navigation ----
  // The container (a navigation controller) holding this controller, if any.
  std::shared_ptr<UIViewController> parentViewController() const { return parent_.lock(); }
  // The nearest navigation controller among this controller and its containers.
  std::shared_ptr<UINavigationController> navigationController() const;
  // Made on first use, with the controller's title.
  const std::shared_ptr<UINavigationItem>& navigationItem();
  // Whether the view reaches under opaque bars. The bar here is translucent, so the view always
  // begins under it; kept for controllers that set it.
  bool extendedLayoutIncludesOpaqueBars() const { return extendedLayoutIncludesOpaqueBars_; }
  void setExtendedLayoutIncludesOpaqueBars(bool extends) { extendedLayoutIncludesOpaqueBars_ = extends; }

 protected:
  // Makes the view; the default is a plain, clear view.
  virtual void loadView();
  virtual void viewDidLoad() {}
  // Sent by beginAppearanceTransition and endAppearanceTransition; a subclass calls the base.
  virtual void viewWillAppear(bool animated) {}
  virtual void viewDidAppear(bool animated) {}
  virtual void viewWillDisappear(bool animated) {}
  virtual void viewDidDisappear(bool animated) {}
  void setView(std::shared_ptr<UIView> view) { view_ = std::move(view); }

 private:
  // The container at the top of this controller's chain of parents; nullptr without a parent.
  std::shared_ptr<UIViewController> outermostContainer() const;

  std::shared_ptr<UIView> view_;
  std::string title_;
  std::shared_ptr<UIViewController> presented_;
  std::weak_ptr<UIViewController> presenting_;

  friend class UINavigationController;
  enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };
  Appearance appearance_ = Appearance::Disappeared;
  bool appearanceAnimated_ = false;
  std::weak_ptr<UIViewController> parent_;
  std::shared_ptr<UINavigationItem> navigationItem_;
  bool extendedLayoutIncludesOpaqueBars_ = false;
};
