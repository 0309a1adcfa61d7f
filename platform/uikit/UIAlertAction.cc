#include "platform/uikit/UIAlertAction.h"

objc::Class* UIAlertAction::cls() {
  static objc::Class* c = objc::objc_allocateClassPair(objc::NSObjectClass(), "UIAlertAction");
  return c;
}

UIAlertAction::UIAlertAction() : objc::Object(cls()) {}

std::shared_ptr<UIAlertAction> UIAlertAction::actionWithTitle(std::string title, UIAlertActionStyle style,
                                                              Handler handler) {
  auto action = std::make_shared<UIAlertAction>();
  action->title_ = std::move(title);
  action->style_ = style;
  action->handler_ = std::move(handler);
  return action;
}
