#pragma once
// UINavigationBar: the bar at the top of a navigation stack. It shows the top item's title
// (semibold 17, centred, shortened to fit between the buttons), the back button at the left (a
// chevron and the title of the item beneath, in the tint colour) unless the top item hides it or
// has a left item, and the top item's bar buttons in the tint colour. It is translucent and light,
// with a hairline along its bottom, and its background reaches up under the status bar.
//
// The buttons are real buttons: a finger, a screen reader and a tap by title reach them. The back
// button reads out as its title and is also found as "Back".
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/UINavigationItem.h"
#include "platform/uikit/UIView.h"

class UIButton;
class UILabel;

class UINavigationBar : public UIView {
 public:
  // The bar's own height, under the status bar.
  static constexpr double kHeight = 44;
  // The status bar's height on this device: 47 on a screen at least 812 points tall (a phone
  // with a notch), else 20.
  static double statusBarHeight();

  static objc::Class* cls();
  explicit UINavigationBar(objc::Class* isa = UINavigationBar::cls());

  // Bottom first; the last is shown. The bar watches the items it shows and redraws on a change.
  const std::vector<std::shared_ptr<UINavigationItem>>& items() const { return items_; }
  void setItems(std::vector<std::shared_ptr<UINavigationItem>> items);
  std::shared_ptr<UINavigationItem> topItem() const;
  std::shared_ptr<UINavigationItem> backItem() const;

  // What a tap on the back button does (the navigation controller pops).
  void setBackAction(std::function<void()> action) { backAction_ = std::move(action); }

  // How far the background reaches above the bar (the status bar's area).
  double backgroundExtension() const { return backgroundExtension_; }
  void setBackgroundExtension(double points);

  // The back button's title as shown now: the back item's back title or title, "Back" when that
  // does not fit, empty when the bar shows no back button.
  std::string backButtonTitle();
  // The parts as laid out now, for those who look closer (tests, hosts); nullptr when not shown.
  UIButton* backButton();
  UIButton* leftButton();
  UIButton* rightButton();
  UILabel* titleLabel();

  void layoutSubviews() override;
  void draw(cairo_t* cr) override;

 private:
  std::shared_ptr<UIButton> makeItemButton(const std::shared_ptr<UIBarButtonItem>& item, bool left);

  std::vector<std::shared_ptr<UINavigationItem>> items_;
  std::function<void()> backAction_;
  double backgroundExtension_ = 0;
  std::shared_ptr<UILabel> titleLabel_;
  std::shared_ptr<UIButton> backButton_;
  std::shared_ptr<UIButton> leftButton_;
  std::shared_ptr<UIButton> rightButton_;
};
