#include "platform/uikit/Drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/image/UIImage.h"

namespace platform {

SurfacePtr surfaceFromBitmap(const Bitmap& bitmap) {
  if (bitmap.width == 0 || bitmap.height == 0 ||
      bitmap.rgba.size() < std::size_t(bitmap.width) * bitmap.height * 4)
    return nullptr;
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(bitmap.width), int(bitmap.height)));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  int stride = cairo_image_surface_get_stride(surface.get());
  for (std::uint32_t y = 0; y < bitmap.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + std::size_t(y) * stride);
    const std::uint8_t* src = bitmap.rgba.data() + std::size_t(y) * bitmap.width * 4;
    for (std::uint32_t x = 0; x < bitmap.width; ++x, src += 4) {
      std::uint32_t a = src[3];
      std::uint32_t r = (src[0] * a + 127) / 255, g = (src[1] * a + 127) / 255, b = (src[2] * a + 127) / 255;
      row[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

Bitmap bitmapFromSurface(cairo_surface_t* surface) {
  Bitmap bitmap;
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32)
    return bitmap;
  cairo_surface_flush(surface);
  int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  if (!data || width <= 0 || height <= 0) return bitmap;
  bitmap.width = std::uint32_t(width);
  bitmap.height = std::uint32_t(height);
  bitmap.rgba.resize(std::size_t(width) * height * 4);
  std::uint8_t* dst = bitmap.rgba.data();
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * stride);
    for (int x = 0; x < width; ++x, dst += 4) {
      std::uint32_t p = row[x];
      std::uint32_t a = p >> 24;
      auto unpremultiply = [a](std::uint32_t c) { return a ? std::uint8_t(std::min(255u, (c * 255 + a / 2) / a)) : 0; };
      dst[0] = unpremultiply((p >> 16) & 0xFF);
      dst[1] = unpremultiply((p >> 8) & 0xFF);
      dst[2] = unpremultiply(p & 0xFF);
      dst[3] = std::uint8_t(a);
    }
  }
  return bitmap;
}

void setSourceColor(cairo_t* cr, const UIColor& color) {
  cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
}

void addRoundedRect(cairo_t* cr, const CGRect& rect, double radius) {
  double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
  if (r <= 0) {
    cairo_rectangle(cr, rect.minX(), rect.minY(), rect.width(), rect.height());
    return;
  }
  constexpr double pi = std::numbers::pi;
  cairo_new_sub_path(cr);
  cairo_arc(cr, rect.maxX() - r, rect.minY() + r, r, -pi / 2, 0);
  cairo_arc(cr, rect.maxX() - r, rect.maxY() - r, r, 0, pi / 2);
  cairo_arc(cr, rect.minX() + r, rect.maxY() - r, r, pi / 2, pi);
  cairo_arc(cr, rect.minX() + r, rect.minY() + r, r, pi, 3 * pi / 2);
  cairo_close_path(cr);
}

void drawImageInRect(cairo_t* cr, const UIImage* image, const CGRect& rect, UIViewContentMode mode,
                     const UIColor* tint) {
  if (!cr || !image || CGRectIsEmpty(rect)) return;
  SurfacePtr surface = surfaceFromBitmap(image->bitmap());
  if (!surface) return;
  double pixelWidth = image->bitmap().width, pixelHeight = image->bitmap().height;
  double pointWidth = image->width(), pointHeight = image->height();
  double width = rect.width(), height = rect.height();
  if (mode == UIViewContentModeScaleAspectFill || mode == UIViewContentModeScaleAspectFit) {
    double fitX = rect.width() / pointWidth, fitY = rect.height() / pointHeight;
    double s = mode == UIViewContentModeScaleAspectFill ? std::max(fitX, fitY) : std::min(fitX, fitY);
    width = pointWidth * s;
    height = pointHeight * s;
  } else if (mode == UIViewContentModeCenter) {
    width = pointWidth;
    height = pointHeight;
  }

  cairo_save(cr);
  cairo_rectangle(cr, rect.minX(), rect.minY(), rect.width(), rect.height());
  cairo_clip(cr);
  cairo_translate(cr, rect.midX() - width / 2, rect.midY() - height / 2);
  cairo_scale(cr, width / pixelWidth, height / pixelHeight);
  cairo_rectangle(cr, 0, 0, pixelWidth, pixelHeight);
  cairo_clip(cr);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface.get());
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
  // Without padding the picture's edge pixels fade into transparency when scaled up.
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  if (tint) {
    setSourceColor(cr, *tint);
    cairo_mask(cr, pattern);
  } else {
    cairo_set_source(cr, pattern);
    cairo_paint(cr);
  }
  cairo_pattern_destroy(pattern);
  cairo_restore(cr);
}

}  // namespace platform
