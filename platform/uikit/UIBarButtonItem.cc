#include "platform/uikit/UIBarButtonItem.h"

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIView.h"

namespace {

struct SystemItemLook {
  const char* title;
  const char* spoken;
  UIBarButtonItemStyle style;
};

SystemItemLook lookOf(UIBarButtonSystemItem item) {
  switch (item) {
    case UIBarButtonSystemItemDone: return {"Done", "Done", UIBarButtonItemStyleDone};
    case UIBarButtonSystemItemCancel: return {"Cancel", "Cancel", UIBarButtonItemStylePlain};
    case UIBarButtonSystemItemEdit: return {"Edit", "Edit", UIBarButtonItemStylePlain};
    case UIBarButtonSystemItemSave: return {"Save", "Save", UIBarButtonItemStyleDone};
    case UIBarButtonSystemItemAdd: return {"", "Add", UIBarButtonItemStylePlain};
  }
  return {"", "", UIBarButtonItemStylePlain};
}

bool knownSystemItem(UIBarButtonSystemItem item) {
  switch (item) {
    case UIBarButtonSystemItemDone:
    case UIBarButtonSystemItemCancel:
    case UIBarButtonSystemItemEdit:
    case UIBarButtonSystemItemSave:
    case UIBarButtonSystemItemAdd: return true;
  }
  return false;
}

}  // namespace

OBJC_DEFINE_CLASS(UIBarButtonItem, objc::Object)

UIBarButtonItem::UIBarButtonItem(objc::Class* isa) : objc::Object(isa) {}

std::shared_ptr<UIBarButtonItem> UIBarButtonItem::initWithTitle(std::string title, UIBarButtonItemStyle style,
                                                                const std::shared_ptr<objc::Object>& target,
                                                                objc::SEL action) {
  auto item = std::make_shared<UIBarButtonItem>();
  item->title_ = std::move(title);
  item->style_ = style == UIBarButtonItemStyleDone ? UIBarButtonItemStyleDone : UIBarButtonItemStylePlain;
  item->target_ = target;
  item->action_ = action;
  return item;
}

std::shared_ptr<UIBarButtonItem> UIBarButtonItem::initWithBarButtonSystemItem(
    UIBarButtonSystemItem systemItem, const std::shared_ptr<objc::Object>& target, objc::SEL action) {
  if (!knownSystemItem(systemItem)) {
    NSLog("UIBarButtonItem: unknown system item {}; showing Done", int(systemItem));
    systemItem = UIBarButtonSystemItemDone;
  }
  SystemItemLook look = lookOf(systemItem);
  auto item = initWithTitle(look.title, look.style, target, action);
  item->systemItem_ = systemItem;
  return item;
}

std::shared_ptr<UIBarButtonItem> UIBarButtonItem::itemWithTitle(std::string title, UIBarButtonItemStyle style,
                                                                Handler handler) {
  auto item = initWithTitle(std::move(title), style, nullptr, nullptr);
  item->handler_ = std::move(handler);
  return item;
}

void UIBarButtonItem::setTitle(std::string title) {
  title_ = std::move(title);
  changed();
}

void UIBarButtonItem::setStyle(UIBarButtonItemStyle style) {
  style_ = style == UIBarButtonItemStyleDone ? UIBarButtonItemStyleDone : UIBarButtonItemStylePlain;
  changed();
}

void UIBarButtonItem::setEnabled(bool enabled) {
  enabled_ = enabled;
  changed();
}

std::string UIBarButtonItem::accessibilityLabel() const {
  if (systemItem_ && title_.empty()) return lookOf(*systemItem_).spoken;
  return title_;
}

void UIBarButtonItem::performAction() {
  if (!enabled_) return;
  // The action may release the bar and the controller that hold this item.
  auto keep = weak_from_this().lock();
  if (handler_) {
    auto handler = handler_;
    handler(this);
  }
  if (!action_) return;
  auto target = target_.lock();
  if (!target) return;
  try {
    objc::msgSend<void, objc::Object*>(target.get(), action_, this);
  } catch (const platform::NSException& e) {
    NSLog("UIBarButtonItem: action {} not sent: {}", action_->name, e.reason());
  }
}

void UIBarButtonItem::changed() {
  if (auto view = displayingView_.lock()) view->setNeedsLayout();
}
