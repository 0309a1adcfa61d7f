#include "device/springboard/PLStaticWallpaperImageViewController.h"

#include <fmt/format.h>

#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/WallpaperFiles.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/runtime/RuntimeClass.h"

namespace {

struct CallLog {
  std::mutex mu;
  std::vector<PLWallpaperCall> calls;
  int failuresLeft = 0;
};
CallLog& callLog() {
  static auto* log = new CallLog();
  return *log;
}

objc::Object* initWithUIImageImp(objc::Object* self, objc::SEL, objc::Object* image) {
  auto* controller = dynamic_cast<PLStaticWallpaperImageViewController*>(self);
  if (!controller) return nullptr;
  // Keeps its own reference, as the controller retains its image.
  controller->setImage(image ? std::dynamic_pointer_cast<UIImage>(image->weak_from_this().lock()) : nullptr);
  if (image && !controller->image()) NSLog("Photos: initWithUIImage: was given {}, not a picture", image->description());
  return self;
}

void setWallpaperForLocationsImp(objc::Object* self, objc::SEL, long location) {
  auto* controller = dynamic_cast<PLStaticWallpaperImageViewController*>(self);
  PLWallpaperCall call{location, controller && controller->image(), true, std::this_thread::get_id()};
  if (PLStaticWallpaperImageViewController::takeInjectedFailure()) {
    PLStaticWallpaperImageViewController::recordCall(call);
    platform::raise("NSInternalInconsistencyException", "The wallpaper could not be saved.");
  }
  if (!call.hadImage) {
    PLStaticWallpaperImageViewController::recordCall(call);
    platform::raise("NSInvalidArgumentException", "setWallpaperForLocations: without a picture");
  }
  if (screensForLocation(location).empty()) {
    PLStaticWallpaperImageViewController::recordCall(call);
    platform::raise("NSInvalidArgumentException", fmt::format("{} is not a wallpaper location", location));
  }
  auto image = controller->image();
  call.raised = false;
  PLStaticWallpaperImageViewController::recordCall(call);
  SBWallpaperState::shared().setWallpapers(image.get(), image.get(), location);
}

}  // namespace

OBJC_DEFINE_CLASS(PLStaticWallpaperImageViewController, objc::Object,
                  objc::method("initWithUIImage:", &initWithUIImageImp),
                  objc::method("setWallpaperForLocations:", &setWallpaperForLocationsImp))

std::shared_ptr<UIImage> PLStaticWallpaperImageViewController::image() const {
  std::lock_guard lock(mu_);
  return image_;
}

void PLStaticWallpaperImageViewController::setImage(std::shared_ptr<UIImage> image) {
  std::lock_guard lock(mu_);
  image_ = std::move(image);
}

std::vector<PLWallpaperCall> PLStaticWallpaperImageViewController::calls() {
  std::lock_guard lock(callLog().mu);
  return callLog().calls;
}

void PLStaticWallpaperImageViewController::resetCalls() {
  std::lock_guard lock(callLog().mu);
  callLog().calls.clear();
  callLog().failuresLeft = 0;
}

void PLStaticWallpaperImageViewController::recordCall(const PLWallpaperCall& call) {
  std::lock_guard lock(callLog().mu);
  callLog().calls.push_back(call);
}

void PLStaticWallpaperImageViewController::failNextCalls(int count) {
  std::lock_guard lock(callLog().mu);
  callLog().failuresLeft = count;
}

bool PLStaticWallpaperImageViewController::takeInjectedFailure() {
  std::lock_guard lock(callLog().mu);
  if (callLog().failuresLeft <= 0) return false;
  --callLog().failuresLeft;
  return true;
}
