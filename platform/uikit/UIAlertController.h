#pragma once
// UIAlertController: the platform's alert and action sheet. Presented over a controller, it dims
// everything beneath and shows a rounded panel with a bold title, the message (line feeds kept,
// wrapped to the panel) and one button per action in the tint colour.
//
// Retain cycles: an action's handler may hold the window that shows the alert (a one-off notice
// window is often kept alive by nothing else). When an action is tapped, the alert is dismissed
// first, then the handlers of all its actions are released and the tapped one runs; whatever a
// handler captured is freed when it returns. An alert dismissed without a tap keeps its handlers,
// so it can be presented again.
#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/UIAlertAction.h"
#include "platform/uikit/UIViewController.h"

class UIButton;
class UILabel;

enum UIAlertControllerStyle {
  UIAlertControllerStyleActionSheet = 0,
  UIAlertControllerStyleAlert = 1,
};

class UIAlertController : public UIViewController {
 public:
  static objc::Class* cls();
  // An empty title or message is left out of the panel.
  static std::shared_ptr<UIAlertController> alertControllerWithTitle(std::string title, std::string message,
                                                                     UIAlertControllerStyle preferredStyle);
  explicit UIAlertController(objc::Class* isa = UIAlertController::cls());

  const std::string& message() const { return message_; }
  void setMessage(std::string message);
  void setTitle(std::string title) override;
  UIAlertControllerStyle preferredStyle() const { return style_; }

  // A second action in the cancel style is refused (logged): an alert has at most one.
  void addAction(const std::shared_ptr<UIAlertAction>& action);
  const std::vector<std::shared_ptr<UIAlertAction>>& actions() const { return actions_; }

  // What tapping the action's button does: dismiss, release the handlers, run the action's one.
  // Nothing happens for a disabled action or one of another alert.
  void performAction(const std::shared_ptr<UIAlertAction>& action);

  // The panel's frame in the alert's view as last laid out (the action group for a sheet).
  CGRect panelFrame() const;
  // Lays the alert out in the given bounds; drawing does this by itself.
  void layoutInBounds(const CGRect& bounds);

 protected:
  void loadView() override;

 private:
  void rebuildButtons();
  void layoutAlert(const CGRect& bounds);
  void layoutSheet(const CGRect& bounds);
  // Places the title and message across a panel `width` wide, `top` and `bottom` from its edges,
  // and gives the height they take (0 without either). A message that would leave no room for
  // `buttonsHeight` within `available` is cut, down to one line.
  double layoutText(double width, double top, double bottom, double buttonsHeight, double available);
  std::shared_ptr<UIView> addSeparator(UIView& parent, const CGRect& frame);

  std::string message_;
  UIAlertControllerStyle style_ = UIAlertControllerStyleAlert;
  std::vector<std::shared_ptr<UIAlertAction>> actions_;

  std::shared_ptr<UIView> panel_;
  std::shared_ptr<UIView> cancelPanel_;
  std::shared_ptr<UILabel> titleLabel_;
  std::shared_ptr<UILabel> messageLabel_;
  std::vector<std::shared_ptr<UIButton>> buttons_;  // one per action, same order
  std::vector<std::shared_ptr<UIView>> separators_;
};
