#include "device/springboard/SBLockScreenManager.h"

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"

namespace {

void backlightDidTurnOffImp(objc::Object* self, objc::SEL, objc::Object*) {
  if (auto* manager = dynamic_cast<SBLockScreenManager*>(self)) manager->recordTurnedOff();
}

void backlightLevelWillChangeImp(objc::Object* self, objc::SEL, objc::NSNotification* note) {
  auto* manager = dynamic_cast<SBLockScreenManager*>(self);
  if (!manager) return;
  const platform::Value* factor = note ? platform::find(note->userInfo(), kSBBacklightNewFactorKey) : nullptr;
  if (!factor || !factor->isNumber()) {
    NSLog("SpringBoard: backlight change without a number under {}; ignored", kSBBacklightNewFactorKey);
    return;
  }
  manager->recordLevelChange(factor->doubleValue());
}

}  // namespace

OBJC_DEFINE_CLASS(SBLockScreenManager, objc::Object,
                  objc::method("_handleBacklightDidTurnOff:", &backlightDidTurnOffImp),
                  objc::method("_handleBacklightLevelWillChange:", &backlightLevelWillChangeImp))

std::shared_ptr<SBLockScreenManager> SBLockScreenManager::sharedInstance() {
  static auto* manager = new std::shared_ptr<SBLockScreenManager>(std::make_shared<SBLockScreenManager>());
  return *manager;
}

void SBLockScreenManager::handleBacklightDidTurnOff(objc::Object* sender) {
  objc::msgSend<void, objc::Object*>(this, objc::sel("_handleBacklightDidTurnOff:"), sender);
}

void SBLockScreenManager::handleBacklightLevelWillChange(double oldFactor, double newFactor) {
  platform::Dictionary userInfo{{kSBBacklightOldFactorKey, oldFactor}, {kSBBacklightNewFactorKey, newFactor}};
  objc::NSNotification note(kSBBacklightLevelWillChangeNotification, this, std::move(userInfo));
  objc::msgSend<void, objc::NSNotification*>(this, objc::sel("_handleBacklightLevelWillChange:"), &note);
}

SBLockScreenManager::DisplayState SBLockScreenManager::displayState() const {
  std::lock_guard lock(mu_);
  return state_;
}

void SBLockScreenManager::recordTurnedOff() {
  std::lock_guard lock(mu_);
  state_.displayOn = false;
  state_.backlightFactor = 0.0;
  ++state_.turnedOffCount;
}

void SBLockScreenManager::recordLevelChange(double newFactor) {
  std::lock_guard lock(mu_);
  state_.backlightFactor = newFactor;
  state_.displayOn = newFactor > 0.0;
  ++state_.levelChangeCount;
}
