#include "device/springboard/OrbelLumenholdWindow.h"

namespace {
void hideImp(objc::Object* self, objc::SEL) {
  if (auto* window = dynamic_cast<OrbelLumenholdWindow*>(self)) window->recordHidden();
}
}  // namespace

objc::Class* registerOrbelLumenholdWindow() {
  static objc::Class* c = [] {
    objc::Class* k = objc::objc_allocateClassPair(objc::NSObjectClass(), "OrbelLumenholdWindow");
    k->addMethod(objc::sel("hide"), objc::imp_cast(&hideImp));
    k->setAllocator(&objc::allocateInstance<OrbelLumenholdWindow>);
    return k;
  }();
  return c;
}

OrbelLumenholdWindow::OrbelLumenholdWindow(objc::Class* cls) : Object(cls) {}

void OrbelLumenholdWindow::hide() { objc::msgSend<void>(this, objc::sel("hide")); }
