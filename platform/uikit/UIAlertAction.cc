#include "platform/uikit/UIAlertAction.h"

#include "platform/runtime/RuntimeClass.h"

OBJC_DEFINE_CLASS(UIAlertAction, objc::Object)

UIAlertAction::UIAlertAction(objc::Class* isa) : objc::Object(isa) {}

std::shared_ptr<UIAlertAction> UIAlertAction::actionWithTitle(std::string title, UIAlertActionStyle style,
                                                              Handler handler) {
  auto action = std::make_shared<UIAlertAction>();
  action->title_ = std::move(title);
  action->style_ = style;
  action->handler_ = std::move(handler);
  return action;
}
