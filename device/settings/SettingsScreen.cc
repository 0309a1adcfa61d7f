#include "device/settings/SettingsScreen.h"

#include <cmath>

#include <fmt/format.h>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSDate.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/TextDrawing.h"

namespace {

// The status bar's time, where a phone shows it above the navigation bar.
void drawStatusBar(cairo_t* cr, double screenWidth) {
  auto now = platform::calendarComponents(platform::now());
  std::string time = fmt::format("{}:{:02}", now.hour, now.minute);
  UIFont font = UIFont::boldSystemFontOfSize(15);
  double x = std::max(16.0, screenWidth * 0.15 - platform::textWidth(time, font) / 2);
  platform::drawTextLine(cr, time, font, UIColor::labelColor(), x, 30);
}

}  // namespace

platform::SurfacePtr drawSettingsScreen() {
  platform::DeviceSettings settings = platform::deviceSettings();
  return drawSettingsScreen(settings.screenScale > 0 ? settings.screenScale : 1);
}

platform::SurfacePtr drawSettingsScreen(double scale) {
  if (!(std::isfinite(scale) && scale > 0)) return nullptr;
  platform::DeviceSettings settings = platform::deviceSettings();
  platform::SurfacePtr surface = platform::drawScreen(nullptr, int(std::lround(settings.screenWidth * scale)),
                                                      int(std::lround(settings.screenHeight * scale)), scale);
  if (!surface) return nullptr;
  platform::ContextPtr cr(cairo_create(surface.get()));
  cairo_scale(cr.get(), scale, scale);
  drawStatusBar(cr.get(), settings.screenWidth);
  cairo_surface_flush(surface.get());
  return surface;
}

platform::Bitmap renderSettingsScreen() {
  platform::SurfacePtr surface = drawSettingsScreen();
  return surface ? platform::bitmapFromSurface(surface.get()) : platform::Bitmap{};
}

bool writeSettingsScreenshot(const std::string& hostPath, std::string* error) {
  return platform::writeScreenshotPNG(renderSettingsScreen(), hostPath, error);
}
