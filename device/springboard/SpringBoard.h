#pragma once
// The SpringBoard application object.
//   applicationDidFinishLaunching: void (objc::Object* self, objc::SEL, objc::Object* application)
// Its own implementation records that the launch finished.
#include <atomic>
#include <memory>

#include "platform/runtime/Runtime.h"

class SpringBoard : public objc::Object {
 public:
  static objc::Class* cls();
  // The process's one application object.
  static std::shared_ptr<SpringBoard> sharedApplication();
  explicit SpringBoard(objc::Class* cls = SpringBoard::cls()) : Object(cls) {}

  // The message send SpringBoard makes once its launch is done (hookable).
  void applicationDidFinishLaunching();

  int finishedLaunchingCount() const { return finished_; }
  void recordFinishedLaunching() { ++finished_; }

 private:
  std::atomic<int> finished_{0};
};
