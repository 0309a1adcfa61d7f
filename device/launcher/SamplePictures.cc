#include "device/launcher/SamplePictures.h"

#include <algorithm>
#include <cmath>

#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/SpringBoardClasses.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/uikit/Drawing.h"
#include "shared/ImageFolders.h"

namespace {

struct Palette {
  UIColor top, bottom, glow;
};

// Sunrise, lagoon, forest, dusk, ember, glacier: far apart in hue, so any two tell apart.
const Palette kPalettes[kSamplePictureCount] = {
    {{0.99, 0.76, 0.44, 1}, {0.93, 0.33, 0.45, 1}, {1.00, 0.95, 0.75, 1}},
    {{0.16, 0.80, 0.80, 1}, {0.05, 0.30, 0.55, 1}, {0.70, 1.00, 0.95, 1}},
    {{0.55, 0.85, 0.45, 1}, {0.07, 0.38, 0.25, 1}, {0.90, 1.00, 0.70, 1}},
    {{0.45, 0.35, 0.85, 1}, {0.12, 0.08, 0.30, 1}, {0.95, 0.70, 1.00, 1}},
    {{1.00, 0.45, 0.15, 1}, {0.45, 0.05, 0.10, 1}, {1.00, 0.85, 0.40, 1}},
    {{0.85, 0.93, 1.00, 1}, {0.35, 0.55, 0.85, 1}, {1.00, 1.00, 1.00, 1}},
};

void fillGradient(cairo_t* cr, double w, double h, const UIColor& top, const UIColor& bottom, double tilt) {
  cairo_pattern_t* p = cairo_pattern_create_linear(w * tilt, 0, w * (1 - tilt), h);
  cairo_pattern_add_color_stop_rgb(p, 0, top.red, top.green, top.blue);
  cairo_pattern_add_color_stop_rgb(p, 1, bottom.red, bottom.green, bottom.blue);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
}

void softDisc(cairo_t* cr, double x, double y, double r, const UIColor& c, double alpha) {
  cairo_pattern_t* p = cairo_pattern_create_radial(x, y, 0, x, y, r);
  cairo_pattern_add_color_stop_rgba(p, 0, c.red, c.green, c.blue, alpha);
  cairo_pattern_add_color_stop_rgba(p, 1, c.red, c.green, c.blue, 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, x, y, r, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void wave(cairo_t* cr, double w, double h, double level, double amplitude, double phase, double alpha) {
  cairo_move_to(cr, 0, h);
  cairo_line_to(cr, 0, h * level);
  for (int i = 0; i <= 48; ++i) {
    double x = w * i / 48.0;
    cairo_line_to(cr, x, h * level + amplitude * std::sin(phase + 2 * M_PI * i / 48.0 * 1.3));
  }
  cairo_line_to(cr, w, h);
  cairo_close_path(cr);
  cairo_set_source_rgba(cr, 1, 1, 1, alpha);
  cairo_fill(cr);
}

platform::Bitmap finish(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  return platform::bitmapFromSurface(surface);
}

bool usable(int w, int h) { return w > 0 && h > 0 && w <= 16384 && h <= 16384; }

void devicePixelSize(int* w, int* h) {
  platform::DeviceSettings s = platform::deviceSettings();
  *w = int(std::lround(s.screenWidth * s.screenScale));
  *h = int(std::lround(s.screenHeight * s.screenScale));
}

}  // namespace

platform::Bitmap drawSamplePicture(int index, int pixelWidth, int pixelHeight) {
  if (!usable(pixelWidth, pixelHeight) || index < 0 || index >= kSamplePictureCount) return {};
  const Palette& palette = kPalettes[index];
  platform::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight));
  platform::ContextPtr cr(cairo_create(surface.get()));
  double w = pixelWidth, h = pixelHeight;
  fillGradient(cr.get(), w, h, palette.top, palette.bottom, 0.15 + 0.12 * index);
  // Large soft lights placed differently in each picture.
  for (int i = 0; i < 4; ++i) {
    double angle = index * 1.7 + i * 2.1;
    double x = w * (0.5 + 0.38 * std::cos(angle));
    double y = h * (0.35 + 0.25 * std::sin(angle * 1.3));
    softDisc(cr.get(), x, y, w * (0.25 + 0.1 * ((i + index) % 3)), palette.glow, 0.45);
  }
  wave(cr.get(), w, h, 0.72, h * 0.025, index, 0.12);
  wave(cr.get(), w, h, 0.80, h * 0.02, index + 2.0, 0.14);
  return finish(surface.get());
}

platform::Bitmap drawStockWallpaper(bool dark, int pixelWidth, int pixelHeight) {
  if (!usable(pixelWidth, pixelHeight)) return {};
  platform::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight));
  platform::ContextPtr cr(cairo_create(surface.get()));
  double w = pixelWidth, h = pixelHeight, k = dark ? 0.45 : 1.0;
  fillGradient(cr.get(), w, h, {0.10 * k, 0.12 * k, 0.35 * k, 1}, {0.02, 0.45 * k, 0.50 * k, 1}, 0.0);
  // Rings spreading from the lower right: SpringBoard's own look, unlike any sample picture.
  double cx = w * 0.8, cy = h * 0.78;
  for (int i = 12; i >= 1; --i) {
    cairo_arc(cr.get(), cx, cy, w * 0.11 * i, 0, 2 * M_PI);
    cairo_set_source_rgba(cr.get(), 1, 1, 1, (dark ? 0.04 : 0.07) + 0.01 * (i % 3));
    cairo_set_line_width(cr.get(), w * 0.035);
    cairo_stroke(cr.get());
  }
  softDisc(cr.get(), cx, cy, w * 0.3, {1.0, 0.85, 0.55, 1}, dark ? 0.35 : 0.6);
  return finish(surface.get());
}

int seedSamplePictures() {
  auto existing = platform::contentsOfDirectoryAtPath(kLocalImagesPath);
  if (existing && !existing->empty()) return 0;
  platform::createDirectoryAtPath(kLocalImagesPath);
  int w = 0, h = 0;
  devicePixelSize(&w, &h);
  int written = 0;
  for (int i = 0; i < kSamplePictureCount; ++i) {
    auto png = platform::encodePNG(drawSamplePicture(i, w, h));
    if (png && platform::writeFile(newImagePathInFolder(kLocalImagesPath), *png)) ++written;
    else NSLog("Could not write sample picture {}", i + 1);
  }
  return written;
}

bool installStockWallpapers() {
  auto present = SBWallpaperState::wallpapersInFolder(kSpringBoardWallpaperDirectory);
  bool complete = std::all_of(present.begin(), present.end(), [](const WallpaperFile& f) { return f.exists; });
  if (complete) return true;
  // Written the way SpringBoard writes them, through its own wallpaper state; this process has no
  // hooks, so its data store names SpringBoard's own folder.
  registerSpringBoardClasses();
  int w = 0, h = 0;
  devicePixelSize(&w, &h);
  auto light = UIImage::imageWithBitmap(drawStockWallpaper(false, w, h));
  auto dark = UIImage::imageWithBitmap(drawStockWallpaper(true, w, h));
  return SBWallpaperState::shared().setWallpapers(light.get(), dark.get(), kWallpaperLocationBoth);
}
