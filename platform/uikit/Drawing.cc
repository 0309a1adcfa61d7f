#include "platform/uikit/Drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
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

namespace {

// Pictures are drawn again and again (a cell's icon at each frame of a list that scrolls), so each
// is turned into cairo's premultiplied pixels once and, when it is drawn at less than half its
// size, reduced once to the size it is drawn at. A 1200-pixel icon shown 100 pixels wide cost a
// frame some 25 ms in conversion and filtering each time; kept, it costs a copy. A picture is known
// by its object, held weakly, and its pixels, so one that is gone or was loaded anew is not taken
// for another.
class KeptPictures {
 public:
  struct Drawn {
    SurfacePtr surface;  // a reference of the caller's own
    double width = 0, height = 0;  // of the surface, in pixels
  };

  // The picture's pixels as a surface, reduced when it is drawn at less than half its size
  // (`deviceWidth` x `deviceHeight` pixels on the surface drawn on; 0 when not known, as under a
  // rotation).
  Drawn find(const UIImage& image, double deviceWidth, double deviceHeight) {
    const Bitmap& bitmap = image.bitmap();
    std::weak_ptr<const objc::Object> owner = image.weak_from_this();
    std::lock_guard<std::mutex> lock(mu_);
    std::erase_if(kept_, [&](const Entry& e) {
      bool gone = e.owner.expired();
      if (gone) pixels_ -= e.pixels();
      return gone;
    });
    Entry* entry = nullptr;
    for (Entry& e : kept_)
      if (e.owner.lock().get() == &image && e.data == bitmap.rgba.data() && e.width == bitmap.width && e.height == bitmap.height)
        entry = &e;
    if (!entry) {
      SurfacePtr surface = surfaceFromBitmap(bitmap);
      if (!surface) return {};
      // A picture that is not shared (made on the stack) or too big to keep is drawn as it is.
      if (owner.expired() || std::uint64_t(bitmap.width) * bitmap.height > kMaxPixels / 4)
        return {std::move(surface), double(bitmap.width), double(bitmap.height)};
      entry = &kept_.emplace_back();
      entry->owner = owner;
      entry->data = bitmap.rgba.data();
      entry->width = bitmap.width;
      entry->height = bitmap.height;
      entry->surface = std::move(surface);
      pixels_ += entry->pixels();
    }
    entry->lastUse = ++uses_;
    Drawn drawn{SurfacePtr(cairo_surface_reference(entry->surface.get())), double(entry->width), double(entry->height)};
    if (deviceWidth >= 1 && deviceHeight >= 1 && std::ceil(deviceWidth) * 2 <= entry->width &&
        std::ceil(deviceHeight) * 2 <= entry->height) {
      int w = int(std::ceil(deviceWidth)), h = int(std::ceil(deviceHeight));
      if (!entry->reduced || entry->reducedWidth != w || entry->reducedHeight != h) {
        pixels_ -= entry->pixels();
        entry->reduced = reduce(entry->surface.get(), entry->width, entry->height, w, h);
        entry->reducedWidth = entry->reduced ? w : 0;
        entry->reducedHeight = entry->reduced ? h : 0;
        pixels_ += entry->pixels();
      }
      if (entry->reduced) drawn = {SurfacePtr(cairo_surface_reference(entry->reduced.get())), double(w), double(h)};
    }
    trim();
    return drawn;
  }

 private:
  static constexpr std::uint64_t kMaxPixels = 16'000'000;  // some 64 MB
  static constexpr std::size_t kMaxPictures = 64;

  struct Entry {
    std::weak_ptr<const objc::Object> owner;
    const void* data = nullptr;
    std::uint32_t width = 0, height = 0;
    SurfacePtr surface;
    SurfacePtr reduced;
    int reducedWidth = 0, reducedHeight = 0;
    std::uint64_t lastUse = 0;
    std::uint64_t pixels() const {
      return std::uint64_t(width) * height + std::uint64_t(reducedWidth) * std::uint64_t(reducedHeight);
    }
  };

  static SurfacePtr reduce(cairo_surface_t* source, double width, double height, int toWidth, int toHeight) {
    SurfacePtr out(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, toWidth, toHeight));
    if (cairo_surface_status(out.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    ContextPtr cr(cairo_create(out.get()));
    cairo_scale(cr.get(), toWidth / width, toHeight / height);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(source);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_set_source(cr.get(), pattern);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    cairo_pattern_destroy(pattern);
    cairo_surface_flush(out.get());
    return out;
  }

  // The least recently drawn go first.
  void trim() {
    while (!kept_.empty() && (pixels_ > kMaxPixels || kept_.size() > kMaxPictures)) {
      auto oldest = std::min_element(kept_.begin(), kept_.end(),
                                     [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
      pixels_ -= oldest->pixels();
      kept_.erase(oldest);
    }
  }

  std::mutex mu_;
  std::list<Entry> kept_;
  std::uint64_t pixels_ = 0;
  std::uint64_t uses_ = 0;
};

KeptPictures& keptPictures() {
  static auto* kept = new KeptPictures;  // never destroyed: pictures may be drawn while the process ends
  return *kept;
}

}  // namespace

void drawImageInRect(cairo_t* cr, const UIImage* image, const CGRect& rect, UIViewContentMode mode,
                     const UIColor* tint) {
  if (!cr || !image || CGRectIsEmpty(rect)) return;
  if (image->bitmap().width == 0 || image->bitmap().height == 0) return;
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

  // The size it takes on the surface, in pixels; unknown under a rotation or a skew.
  double acrossX = width, acrossY = 0, downX = 0, downY = height;
  cairo_user_to_device_distance(cr, &acrossX, &acrossY);
  cairo_user_to_device_distance(cr, &downX, &downY);
  bool upright = std::abs(acrossY) < 1e-9 && std::abs(downX) < 1e-9;
  KeptPictures::Drawn drawn =
      keptPictures().find(*image, upright ? std::abs(acrossX) : 0, upright ? std::abs(downY) : 0);
  if (!drawn.surface) return;
  SurfacePtr surface = std::move(drawn.surface);
  double pixelWidth = drawn.width, pixelHeight = drawn.height;

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
