#include "device/springboard/app/SpringBoardScreen.h"

#include <cmath>

#include <fmt/format.h>

#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/app/HomeScreen.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSDate.h"
#include "platform/image/UIImage.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UIWindow.h"

namespace {

const char* const kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

// Text that stays legible on any wallpaper: a soft dark copy beneath the white one.
void drawShadowedCentredText(cairo_t* cr, const std::string& text, const UIFont& font, double centreX,
                             double baseline) {
  double x = centreX - platform::textWidth(text, font) / 2;
  double offset = std::max(1.0, font.pointSize / 40);
  platform::drawTextLine(cr, text, font, UIColor::colorWithWhite(0, 0.28), x + offset, baseline + offset);
  platform::drawTextLine(cr, text, font, UIColor::whiteColor(), x, baseline);
}

void drawLockScreenFurniture(cairo_t* cr, double width, double height) {
  double now = platform::now();
  platform::CalendarComponents c = platform::calendarComponents(now);
  std::time_t seconds = std::time_t(now);
  std::tm local{};
  ::localtime_r(&seconds, &local);
  std::string date = fmt::format("{}, {} {}", kWeekdays[local.tm_wday % 7], c.day, kMonths[(c.month + 11) % 12]);
  UIFont dateFont = UIFont::boldSystemFontOfSize(width * 0.05);
  UIFont clockFont = UIFont::boldSystemFontOfSize(width * 0.24);
  double dateBaseline = height * 0.11;
  drawShadowedCentredText(cr, date, dateFont, width / 2, dateBaseline);
  drawShadowedCentredText(cr, fmt::format("{:02}:{:02}", c.hour, c.minute), clockFont, width / 2,
                          dateBaseline + platform::fontAscent(clockFont) + height * 0.01);
  // The home indicator: a short bar near the bottom edge.
  double barWidth = width * 0.35;
  platform::addRoundedRect(cr, CGRectMake((width - barWidth) / 2, height - 14, barWidth, 5), 2.5);
  platform::setSourceColor(cr, UIColor::colorWithWhite(1, 0.85));
  cairo_fill(cr);
}

// The light wallpaper aspect-filled at the pixel size, on black where it does not reach.
platform::SurfacePtr drawWallpaper(WallpaperScreen screen, int pixelWidth, int pixelHeight) {
  platform::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  platform::ContextPtr cr(cairo_create(surface.get()));
  cairo_set_source_rgb(cr.get(), 0, 0, 0);
  cairo_paint(cr.get());
  auto wallpaper = SBWallpaperState::shared().loadWallpaper(screen, WallpaperAppearance::Light);
  platform::drawImageInRect(cr.get(), wallpaper.get(), CGRectMake(0, 0, pixelWidth, pixelHeight),
                            UIViewContentModeScaleAspectFill);
  cairo_surface_flush(surface.get());
  return surface;
}

// Over a surface that holds the wallpaper: the screen's furniture, then every visible window, as
// the platform draws a screen.
void drawOverWallpaper(cairo_surface_t* surface, WallpaperScreen screen, double scale) {
  platform::DeviceSettings settings = platform::deviceSettings();
  platform::ContextPtr cr(cairo_create(surface));
  cairo_scale(cr.get(), scale, scale);
  if (screen == WallpaperScreen::Lock)
    drawLockScreenFurniture(cr.get(), settings.screenWidth, settings.screenHeight);
  else
    drawHomeScreenIcons(cr.get(), settings.screenWidth, settings.screenHeight);
  for (const auto& window : UIApplication::sharedApplication().windows())
    if (window && !window->isHidden()) platform::drawWindow(cr.get(), *window);
  cairo_surface_flush(surface);
}

// The screen's size in pixels at a scale; false when it is no usable picture size.
bool pixelSize(double scale, int* width, int* height) {
  platform::DeviceSettings settings = platform::deviceSettings();
  if (!(std::isfinite(scale) && scale > 0)) return false;
  *width = int(std::lround(settings.screenWidth * scale));
  *height = int(std::lround(settings.screenHeight * scale));
  return *width > 0 && *height > 0 && *width <= 16384 && *height <= 16384;
}

struct KeptWallpaper {
  std::uint64_t changeCount = 0;
  int width = 0, height = 0;
  platform::SurfacePtr surface;
};

}  // namespace

platform::Bitmap renderSpringBoardScreen(WallpaperScreen screen) {
  platform::DeviceSettings settings = platform::deviceSettings();
  double scale = settings.screenScale > 0 ? settings.screenScale : 1;
  int width = 0, height = 0;
  if (!pixelSize(scale, &width, &height)) return {};
  // A screenshot reads the wallpaper file as it is now.
  platform::SurfacePtr surface = drawWallpaper(screen, width, height);
  if (!surface) return {};
  drawOverWallpaper(surface.get(), screen, scale);
  return platform::bitmapFromSurface(surface.get());
}

platform::SurfacePtr drawSpringBoardScreen(WallpaperScreen screen, double scale) {
  int width = 0, height = 0;
  if (!pixelSize(scale, &width, &height)) return nullptr;
  static KeptWallpaper kept[2];
  KeptWallpaper& k = kept[screen == WallpaperScreen::Lock ? 0 : 1];
  std::uint64_t changes = SBWallpaperState::shared().changeCount();
  if (!k.surface || k.changeCount != changes || k.width != width || k.height != height) {
    platform::SurfacePtr drawn = drawWallpaper(screen, width, height);
    if (!drawn) return nullptr;
    k = KeptWallpaper{changes, width, height, std::move(drawn)};
  }
  platform::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  {
    platform::ContextPtr cr(cairo_create(surface.get()));
    cairo_set_source_surface(cr.get(), k.surface.get(), 0, 0);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
  }
  drawOverWallpaper(surface.get(), screen, scale);
  return surface;
}

bool writeSpringBoardScreenshot(WallpaperScreen screen, const std::string& hostPath, std::string* error) {
  return platform::writeScreenshotPNG(renderSpringBoardScreen(screen), hostPath, error);
}
