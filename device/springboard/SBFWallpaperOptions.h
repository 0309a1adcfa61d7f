#pragma once
// Options that go with a wallpaper picture into SpringBoardUIServices.
//   setWallpaperMode: void (objc::Object* self, objc::SEL, long mode)
//   wallpaperMode:    long (objc::Object* self, objc::SEL)
#include <atomic>

#include "platform/runtime/Runtime.h"

class SBFWallpaperOptions : public objc::Object {
 public:
  static objc::Class* cls();
  explicit SBFWallpaperOptions(objc::Class* cls = SBFWallpaperOptions::cls()) : Object(cls) {}

  // The message sends.
  void setWallpaperMode(long mode);
  long wallpaperMode();

  long storedMode() const { return mode_; }
  void storeMode(long mode) { mode_ = mode; }

 private:
  std::atomic<long> mode_{0};
};
