#include "device/springboard/SpringBoard.h"

namespace {
void applicationDidFinishLaunchingImp(objc::Object* self, objc::SEL, objc::Object*) {
  if (auto* app = dynamic_cast<SpringBoard*>(self)) app->recordFinishedLaunching();
}
}  // namespace

objc::Class* SpringBoard::cls() {
  static objc::Class* c = [] {
    objc::Class* k = objc::objc_allocateClassPair(objc::NSObjectClass(), "SpringBoard");
    k->addMethod(objc::sel("applicationDidFinishLaunching:"), objc::imp_cast(&applicationDidFinishLaunchingImp));
    k->setAllocator(&objc::allocateInstance<SpringBoard>);
    return k;
  }();
  return c;
}

std::shared_ptr<SpringBoard> SpringBoard::sharedApplication() {
  static auto* app = new std::shared_ptr<SpringBoard>(std::make_shared<SpringBoard>());
  return *app;
}

void SpringBoard::applicationDidFinishLaunching() {
  objc::msgSend<void, objc::Object*>(this, objc::sel("applicationDidFinishLaunching:"), this);
}
