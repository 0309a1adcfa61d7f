#pragma once
// UINavigationItem: what the navigation bar shows while a controller is on top of its stack (its
// title and buttons), and what the back button says on the screen pushed after it.
#include <memory>
#include <optional>
#include <string>

#include "platform/runtime/Runtime.h"
#include "platform/uikit/UIBarButtonItem.h"

class UIView;

class UINavigationItem : public objc::Object {
 public:
  static objc::Class* cls();
  // initWithTitle:.
  explicit UINavigationItem(std::string title = {});
  explicit UINavigationItem(objc::Class* isa);

  const std::string& title() const { return title_; }
  void setTitle(std::string title);

  // A left item takes the back button's place.
  const std::shared_ptr<UIBarButtonItem>& leftBarButtonItem() const { return left_; }
  void setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item, bool animated = false);
  const std::shared_ptr<UIBarButtonItem>& rightBarButtonItem() const { return right_; }
  void setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item, bool animated = false);

  bool hidesBackButton() const { return hidesBackButton_; }
  void setHidesBackButton(bool hides, bool animated = false);

  // What the back button says while this item is beneath the top one: this when set (an empty
  // string leaves only the chevron), else the title, else "Back".
  const std::optional<std::string>& backButtonTitle() const { return backButtonTitle_; }
  void setBackButtonTitle(std::optional<std::string> title);

  // The view showing the item (a navigation bar), told when the item changes.
  void setDisplayingView(const std::shared_ptr<UIView>& view) { displayingView_ = view; }

 private:
  void changed();

  std::string title_;
  std::shared_ptr<UIBarButtonItem> left_;
  std::shared_ptr<UIBarButtonItem> right_;
  bool hidesBackButton_ = false;
  std::optional<std::string> backButtonTitle_;
  std::weak_ptr<UIView> displayingView_;
};
