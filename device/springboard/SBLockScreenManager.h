#pragma once
// SpringBoard's lock screen manager, told about the display's backlight. Its own implementations
// only record the display state; add-ons hook them to act on the display turning off or on.
//   _handleBacklightDidTurnOff:       void (objc::Object* self, objc::SEL, objc::Object* sender)
//   _handleBacklightLevelWillChange:  void (objc::Object* self, objc::SEL, objc::NSNotification* note)
// The notification's userInfo holds numbers under kSBBacklightNewFactorKey and
// kSBBacklightOldFactorKey (0.0 is dark, 1.0 full brightness).
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/runtime/NSNotification.h"
#include "platform/runtime/Runtime.h"

inline constexpr const char* kSBBacklightNewFactorKey = "SBBacklightNewFactorKey";
inline constexpr const char* kSBBacklightOldFactorKey = "SBBacklightOldFactorKey";
inline constexpr const char* kSBBacklightLevelWillChangeNotification = "SBBacklightLevelWillChangeNotification";

class SBLockScreenManager : public objc::Object {
 public:
  static objc::Class* cls();
  // The process's one manager.
  static std::shared_ptr<SBLockScreenManager> sharedInstance();
  explicit SBLockScreenManager(objc::Class* cls = SBLockScreenManager::cls()) : Object(cls) {}

  // The message sends SpringBoard makes when the display changes (hookable).
  void handleBacklightDidTurnOff(objc::Object* sender = nullptr);
  void handleBacklightLevelWillChange(double oldFactor, double newFactor);

  // What the manager's own implementations recorded.
  struct DisplayState {
    bool displayOn = true;
    double backlightFactor = 1.0;
    int turnedOffCount = 0;
    int levelChangeCount = 0;
  };
  DisplayState displayState() const;
  void recordTurnedOff();
  void recordLevelChange(double newFactor);

 private:
  mutable std::mutex mu_;
  DisplayState state_;
};
