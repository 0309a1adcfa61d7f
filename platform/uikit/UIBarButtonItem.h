#pragma once
// UIBarButtonItem: a button of a navigation bar, described rather than drawn: a title or one of
// the system's items, a style, and what a tap does (an action sent to a target through the
// runtime, and/or a handler). The bar that shows the item makes the button a finger reaches.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/runtime/Runtime.h"

class UIView;

enum UIBarButtonItemStyle {
  UIBarButtonItemStylePlain = 0,
  UIBarButtonItemStyleDone = 2,  // bold: the button that ends a task
};

enum UIBarButtonSystemItem {
  UIBarButtonSystemItemDone = 0,    // "Done", bold
  UIBarButtonSystemItemCancel = 1,  // "Cancel"
  UIBarButtonSystemItemEdit = 2,    // "Edit"
  UIBarButtonSystemItemSave = 3,    // "Save", bold
  UIBarButtonSystemItemAdd = 4,     // a plus sign, read out as "Add"
};

class UIBarButtonItem : public objc::Object {
 public:
  using Handler = std::function<void(UIBarButtonItem* item)>;

  static objc::Class* cls();
  // initWithTitle:style:target:action:. The action's implementation has the signature
  // `void (objc::Object* self, objc::SEL, objc::Object* sender)`; the target is held weakly.
  static std::shared_ptr<UIBarButtonItem> initWithTitle(std::string title, UIBarButtonItemStyle style,
                                                        const std::shared_ptr<objc::Object>& target,
                                                        objc::SEL action);
  // initWithBarButtonSystemItem:target:action:.
  static std::shared_ptr<UIBarButtonItem> initWithBarButtonSystemItem(UIBarButtonSystemItem systemItem,
                                                                      const std::shared_ptr<objc::Object>& target,
                                                                      objc::SEL action);
  // A title and a handler, for code that has no runtime selector to hand.
  static std::shared_ptr<UIBarButtonItem> itemWithTitle(std::string title, UIBarButtonItemStyle style, Handler handler);
  explicit UIBarButtonItem(objc::Class* isa = UIBarButtonItem::cls());

  // The title shown; for a system item, its word (empty for the plus sign).
  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  UIBarButtonItemStyle style() const { return style_; }
  void setStyle(UIBarButtonItemStyle style);
  std::optional<UIBarButtonSystemItem> systemItem() const { return systemItem_; }
  // What a screen reader says: the title, or the system item's name ("Add").
  std::string accessibilityLabel() const;

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);

  std::shared_ptr<objc::Object> target() const { return target_.lock(); }
  objc::SEL action() const { return action_; }
  void setTarget(const std::shared_ptr<objc::Object>& target) { target_ = target; }
  void setAction(objc::SEL action) { action_ = action; }
  void setHandler(Handler handler) { handler_ = std::move(handler); }

  // What a tap on the item's button does: the handler, then the action sent to the target. A
  // disabled item does nothing; a target that does not answer the action is logged.
  void performAction();

  // The view showing the item, told when the item changes so that it is drawn anew.
  void setDisplayingView(const std::shared_ptr<UIView>& view) { displayingView_ = view; }

 private:
  void changed();

  std::string title_;
  UIBarButtonItemStyle style_ = UIBarButtonItemStylePlain;
  std::optional<UIBarButtonSystemItem> systemItem_;
  bool enabled_ = true;
  std::weak_ptr<objc::Object> target_;
  objc::SEL action_ = nullptr;
  Handler handler_;
  std::weak_ptr<UIView> displayingView_;
};
