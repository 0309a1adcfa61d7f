#include "platform/uikit/UINavigationItem.h"

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIView.h"

OBJC_DEFINE_CLASS(UINavigationItem, objc::Object)

UINavigationItem::UINavigationItem(std::string title) : objc::Object(cls()), title_(std::move(title)) {}

UINavigationItem::UINavigationItem(objc::Class* isa) : objc::Object(isa) {}

void UINavigationItem::setTitle(std::string title) {
  title_ = std::move(title);
  changed();
}

void UINavigationItem::setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item, bool) {
  left_ = std::move(item);
  changed();
}

void UINavigationItem::setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item, bool) {
  right_ = std::move(item);
  changed();
}

void UINavigationItem::setHidesBackButton(bool hides, bool) {
  hidesBackButton_ = hides;
  changed();
}

void UINavigationItem::setBackButtonTitle(std::optional<std::string> title) {
  backButtonTitle_ = std::move(title);
  changed();
}

void UINavigationItem::changed() {
  if (auto view = displayingView_.lock()) view->setNeedsLayout();
}
