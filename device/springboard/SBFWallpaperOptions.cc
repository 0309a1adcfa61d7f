#include "device/springboard/SBFWallpaperOptions.h"

namespace {
void setWallpaperModeImp(objc::Object* self, objc::SEL, long mode) {
  if (auto* options = dynamic_cast<SBFWallpaperOptions*>(self)) options->storeMode(mode);
}
long wallpaperModeImp(objc::Object* self, objc::SEL) {
  auto* options = dynamic_cast<SBFWallpaperOptions*>(self);
  return options ? options->storedMode() : 0;
}
}  // namespace

objc::Class* SBFWallpaperOptions::cls() {
  static objc::Class* c = [] {
    objc::Class* k = objc::objc_allocateClassPair(objc::NSObjectClass(), "SBFWallpaperOptions");
    k->addMethod(objc::sel("setWallpaperMode:"), objc::imp_cast(&setWallpaperModeImp));
    k->addMethod(objc::sel("wallpaperMode"), objc::imp_cast(&wallpaperModeImp));
    k->setAllocator(&objc::allocateInstance<SBFWallpaperOptions>);
    return k;
  }();
  return c;
}

void SBFWallpaperOptions::setWallpaperMode(long mode) {
  objc::msgSend<void, long>(this, objc::sel("setWallpaperMode:"), mode);
}

long SBFWallpaperOptions::wallpaperMode() { return objc::msgSend<long>(this, objc::sel("wallpaperMode")); }
