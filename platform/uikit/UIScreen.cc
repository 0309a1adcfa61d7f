#include "platform/uikit/UIScreen.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/DeviceSettings.h"
#include "platform/runtime/RuntimeClass.h"

namespace {

// Settings with a zero, negative or absurd size fall back to the default device rather than
// leaving every window without a size.
platform::DeviceSettings usableSettings() {
  platform::DeviceSettings s = platform::deviceSettings();
  platform::DeviceSettings fallback;
  auto sane = [](double v, double max) { return std::isfinite(v) && v > 0 && v <= max; };
  if (!sane(s.screenWidth, 20000) || !sane(s.screenHeight, 20000)) {
    s.screenWidth = fallback.screenWidth;
    s.screenHeight = fallback.screenHeight;
  }
  if (!sane(s.screenScale, 10)) s.screenScale = fallback.screenScale;
  return s;
}

}  // namespace

UIScreen& UIScreen::mainScreen() {
  static UIScreen* screen = new UIScreen;
  return *screen;
}

OBJC_DEFINE_CLASS(UIScreen, objc::Object)

UIScreen::UIScreen(objc::Class* isa) : objc::Object(isa) {}

CGRect UIScreen::bounds() const {
  auto s = usableSettings();
  return CGRectMake(0, 0, s.screenWidth, s.screenHeight);
}

CGRect UIScreen::nativeBounds() const {
  auto s = usableSettings();
  double w = std::round(s.screenWidth * s.screenScale), h = std::round(s.screenHeight * s.screenScale);
  return CGRectMake(0, 0, std::min(w, h), std::max(w, h));
}

double UIScreen::scale() const { return usableSettings().screenScale; }
