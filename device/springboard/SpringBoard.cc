#include "device/springboard/SpringBoard.h"

#include "platform/runtime/RuntimeClass.h"

namespace {
void applicationDidFinishLaunchingImp(objc::Object* self, objc::SEL, objc::Object*) {
  if (auto* app = dynamic_cast<SpringBoard*>(self)) app->recordFinishedLaunching();
}
}  // namespace

OBJC_DEFINE_CLASS(SpringBoard, objc::Object,
                  objc::method("applicationDidFinishLaunching:", &applicationDidFinishLaunchingImp))

std::shared_ptr<SpringBoard> SpringBoard::sharedApplication() {
  static auto* app = new std::shared_ptr<SpringBoard>(std::make_shared<SpringBoard>());
  return *app;
}

void SpringBoard::applicationDidFinishLaunching() {
  objc::msgSend<void, objc::Object*>(this, objc::sel("applicationDidFinishLaunching:"), this);
}
