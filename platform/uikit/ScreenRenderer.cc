#include "platform/uikit/ScreenRenderer.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIWindow.h"

namespace platform {

namespace {

// Large enough for any phone or tablet screen at 3x; beyond it a request is a mistake.
constexpr int kMaxPixelSide = 16384;

bool usableSize(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxPixelSide && height <= kMaxPixelSide;
}

void drawWindowContent(cairo_t* cr, UIWindow& window) {
  bool hidden = window.isHidden();
  // The window's own hidden flag is the screen's business; the caller already chose to draw it.
  if (hidden) window.UIView::setHidden(false);
  window.renderInContext(cr);
  if (hidden) window.UIView::setHidden(true);
  if (!window.rootViewController()) return;
  for (auto c = window.rootViewController()->presentedViewController(); c; c = c->presentedViewController()) {
    const auto& view = c->view();
    view->setFrame(window.bounds());
    view->renderInContext(cr);
  }
}

}  // namespace

void drawWindow(cairo_t* cr, UIWindow& window) {
  if (!cr) return;
  cairo_save(cr);
  cairo_translate(cr, window.frame().origin.x, window.frame().origin.y);
  cairo_rectangle(cr, 0, 0, window.frame().width(), window.frame().height());
  cairo_clip(cr);
  drawWindowContent(cr, window);
  cairo_restore(cr);
}

SurfacePtr drawScreen(const UIImage* wallpaper, int pixelWidth, int pixelHeight) {
  return drawScreen(wallpaper, pixelWidth, pixelHeight, UIScreen::mainScreen().scale());
}

SurfacePtr drawScreen(const UIImage* wallpaper, int pixelWidth, int pixelHeight, double scale) {
  if (!usableSize(pixelWidth, pixelHeight) || !(std::isfinite(scale) && scale > 0)) return nullptr;
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  ContextPtr cr(cairo_create(surface.get()));
  cairo_set_source_rgb(cr.get(), 0, 0, 0);
  cairo_paint(cr.get());
  drawImageInRect(cr.get(), wallpaper, CGRectMake(0, 0, pixelWidth, pixelHeight), UIViewContentModeScaleAspectFill);

  cairo_scale(cr.get(), scale, scale);
  for (const auto& window : UIApplication::sharedApplication().windows())
    if (!window->isHidden()) drawWindow(cr.get(), *window);
  cairo_surface_flush(surface.get());
  return surface;
}

Bitmap renderScreen(const UIImage* wallpaper, int pixelWidth, int pixelHeight) {
  SurfacePtr surface = drawScreen(wallpaper, pixelWidth, pixelHeight);
  return surface ? bitmapFromSurface(surface.get()) : Bitmap{};
}

bool renderWindowToPNG(const std::shared_ptr<UIWindow>& window, const std::string& hostPath) {
  if (!window) return false;
  double scale = UIScreen::mainScreen().scale();
  int width = int(std::lround(window->frame().width() * scale));
  int height = int(std::lround(window->frame().height() * scale));
  if (!usableSize(width, height)) return false;
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
  ContextPtr cr(cairo_create(surface.get()));
  cairo_scale(cr.get(), scale, scale);
  drawWindowContent(cr.get(), *window);
  std::string error;
  if (!writeScreenshotPNG(bitmapFromSurface(surface.get()), hostPath, &error)) {
    NSLog("Could not write window picture: {}", error);
    return false;
  }
  return true;
}

std::optional<std::string> encodeScreenJPEG(cairo_surface_t* surface, int quality) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return std::nullopt;
  cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return std::nullopt;
  cairo_surface_flush(surface);
  int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  if (width <= 0 || height <= 0) return std::nullopt;
  // Each pixel is a native-endian 32-bit word 0xAARRGGBB; an opaque one needs no unpremultiplying.
  PixelOrder order = std::endian::native == std::endian::little ? PixelOrder::BGRA : PixelOrder::ARGB;
  return encodeJPEG(cairo_image_surface_get_data(surface), std::uint32_t(width), std::uint32_t(height),
                    std::size_t(cairo_image_surface_get_stride(surface)), order, quality);
}

bool writeScreenshotPNG(const Bitmap& bitmap, const std::string& hostPath, std::string* error) {
  auto png = encodePNG(bitmap);
  if (!png) {
    *error = "the screen has no usable size (check the device's screen settings)";
    return false;
  }
  return writeFileWhole(*png, hostPath, error);
}

bool writeFileWhole(const std::string& bytes, const std::string& hostPath, std::string* error) {
  std::string temporary = hostPath + ".writing";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  out.close();
  if (!out || std::rename(temporary.c_str(), hostPath.c_str()) != 0) {
    std::remove(temporary.c_str());
    *error = "cannot write " + hostPath;
    return false;
  }
  return true;
}

}  // namespace platform
