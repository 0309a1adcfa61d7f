#pragma once
// The Photos wallpaper controller: sets one picture as wallpaper (both appearances) at a location
// code, synchronously, on the calling thread.
//   initWithUIImage:          objc::Object* (objc::Object* self, objc::SEL, objc::Object* image) -> self
//   setWallpaperForLocations: void (objc::Object* self, objc::SEL, long location)
// setWallpaperForLocations: raises platform::NSException ("NSInvalidArgumentException") for a
// location outside 1..3 or when it holds no picture, and ("NSInternalInconsistencyException") when
// a test has asked it to fail. Every call is recorded for tests.
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runtime/Runtime.h"

class UIImage;

struct PLWallpaperCall {
  long location = 0;
  bool hadImage = false;
  bool raised = false;
  std::thread::id thread;
};

class PLStaticWallpaperImageViewController : public objc::Object {
 public:
  static objc::Class* cls();
  explicit PLStaticWallpaperImageViewController(objc::Class* cls = PLStaticWallpaperImageViewController::cls())
      : Object(cls) {}

  std::shared_ptr<UIImage> image() const;
  void setImage(std::shared_ptr<UIImage> image);

  // Calls of setWallpaperForLocations: in this process, oldest first.
  static std::vector<PLWallpaperCall> calls();
  static void resetCalls();
  static void recordCall(const PLWallpaperCall& call);
  // The next `count` calls raise instead of setting anything.
  static void failNextCalls(int count);
  static bool takeInjectedFailure();

 private:
  mutable std::mutex mu_;
  std::shared_ptr<UIImage> image_;
};
