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

}  // namespace

platform::Bitmap renderSpringBoardScreen(WallpaperScreen screen) {
  platform::DeviceSettings settings = platform::deviceSettings();
  double scale = settings.screenScale > 0 ? settings.screenScale : 1;
  int pixelWidth = int(std::lround(settings.screenWidth * scale));
  int pixelHeight = int(std::lround(settings.screenHeight * scale));
  if (pixelWidth <= 0 || pixelHeight <= 0 || pixelWidth > 16384 || pixelHeight > 16384) return {};

  platform::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return {};
  platform::ContextPtr cr(cairo_create(surface.get()));
  cairo_set_source_rgb(cr.get(), 0, 0, 0);
  cairo_paint(cr.get());
  auto wallpaper = SBWallpaperState::shared().loadWallpaper(screen, WallpaperAppearance::Light);
  platform::drawImageInRect(cr.get(), wallpaper.get(), CGRectMake(0, 0, pixelWidth, pixelHeight),
                            UIViewContentModeScaleAspectFill);
  cairo_scale(cr.get(), scale, scale);
  if (screen == WallpaperScreen::Lock)
    drawLockScreenFurniture(cr.get(), settings.screenWidth, settings.screenHeight);
  else
    drawHomeScreenIcons(cr.get(), settings.screenWidth, settings.screenHeight);
  cairo_surface_flush(surface.get());

  // The windows go on top of the finished screen, exactly as the platform draws them.
  auto background = UIImage::imageWithBitmap(platform::bitmapFromSurface(surface.get()), 1.0);
  return platform::renderScreen(background.get(), pixelWidth, pixelHeight);
}

bool writeSpringBoardScreenshot(WallpaperScreen screen, const std::string& hostPath, std::string* error) {
  return platform::writeScreenshotPNG(renderSpringBoardScreen(screen), hostPath, error);
}
