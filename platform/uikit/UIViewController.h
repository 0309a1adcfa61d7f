#pragma once
// UIViewController: owns a view (made on first use) and presents other controllers modally. There
// is no animation on this platform: a presentation or dismissal is complete, and its completion
// has run, when the call returns.
#include <functional>
#include <memory>
#include <string>

#include "platform/runtime/Runtime.h"
#include "platform/uikit/UIView.h"

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
  // Virtual so that a controller showing its title can show a new one.
  virtual void setTitle(std::string title) { title_ = std::move(title); }

  // Shows `controller` over this one. Refused (logged, no completion) when this controller already
  // presents one, when `controller` is already presented somewhere, or when it is this controller
  // or one of its presenters.
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

 protected:
  // Makes the view; the default is a plain, clear view.
  virtual void loadView();
  virtual void viewDidLoad() {}
  void setView(std::shared_ptr<UIView> view) { view_ = std::move(view); }

 private:
  std::shared_ptr<UIView> view_;
  std::string title_;
  std::shared_ptr<UIViewController> presented_;
  std::weak_ptr<UIViewController> presenting_;
};
