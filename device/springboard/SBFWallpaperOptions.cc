#include "device/springboard/SBFWallpaperOptions.h"

#include "platform/runtime/RuntimeClass.h"

namespace {
void setWallpaperModeImp(objc::Object* self, objc::SEL, long mode) {
  if (auto* options = dynamic_cast<SBFWallpaperOptions*>(self)) options->storeMode(mode);
}
long wallpaperModeImp(objc::Object* self, objc::SEL) {
  auto* options = dynamic_cast<SBFWallpaperOptions*>(self);
  return options ? options->storedMode() : 0;
}
}  // namespace

OBJC_DEFINE_CLASS(SBFWallpaperOptions, objc::Object,
                  objc::method("setWallpaperMode:", &setWallpaperModeImp),
                  objc::method("wallpaperMode", &wallpaperModeImp))

void SBFWallpaperOptions::setWallpaperMode(long mode) {
  objc::msgSend<void, long>(this, objc::sel("setWallpaperMode:"), mode);
}

long SBFWallpaperOptions::wallpaperMode() { return objc::msgSend<long>(this, objc::sel("wallpaperMode")); }
