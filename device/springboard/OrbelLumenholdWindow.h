#pragma once
// The window of another add-on of the same maker. SpringBoard has no such class unless that
// add-on is installed, so it is registered only on request (registerOrbelLumenholdWindow).
//   hide: void (objc::Object* self, objc::SEL)
#include <atomic>

#include "platform/runtime/Runtime.h"

class OrbelLumenholdWindow : public objc::Object {
 public:
  explicit OrbelLumenholdWindow(objc::Class* cls);

  // The message send the add-on makes when its window hides (hookable).
  void hide();

  int hideCount() const { return hidden_; }
  void recordHidden() { ++hidden_; }

 private:
  std::atomic<int> hidden_{0};
};

// Defines the class in this process (idempotent) and returns it.
objc::Class* registerOrbelLumenholdWindow();
