#include "device/springboard/OrbelLumenholdWindow.h"

#include "platform/runtime/RuntimeClass.h"

namespace {
void hideImp(objc::Object* self, objc::SEL) {
  if (auto* window = dynamic_cast<OrbelLumenholdWindow*>(self)) window->recordHidden();
}
}  // namespace

objc::Class* registerOrbelLumenholdWindow() {
  static objc::Class* const c =
      objc::defineClass<OrbelLumenholdWindow, objc::Object>("OrbelLumenholdWindow", objc::method("hide", &hideImp));
  return c;
}

OrbelLumenholdWindow::OrbelLumenholdWindow(objc::Class* cls) : Object(cls) {}

void OrbelLumenholdWindow::hide() { objc::msgSend<void>(this, objc::sel("hide")); }
