#include "platform/uikit/UIGraphics.h"

#include <cmath>
#include <vector>

#include "platform/foundation/NSLog.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/UIGraphicsState.h"
#include "platform/uikit/UIScreen.h"

namespace {

// Large enough for any picture a phone draws at 3x; beyond it a request is a mistake.
constexpr double kMaxPixelSide = 16384;

thread_local std::vector<platform::ImageContext> tContexts;

}  // namespace

namespace platform {

ImageContext* currentImageContext() {
  if (tContexts.empty() || !tContexts.back().cr) return nullptr;
  return &tContexts.back();
}

}  // namespace platform

void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, double scale) {
  if (!(std::isfinite(scale) && scale > 0)) scale = UIScreen::mainScreen().scale();
  platform::ImageContext context;
  context.scale = scale;
  double pixelWidth = std::ceil(size.width * scale - 1e-9), pixelHeight = std::ceil(size.height * scale - 1e-9);
  bool usable = std::isfinite(pixelWidth) && std::isfinite(pixelHeight) && pixelWidth >= 1 && pixelHeight >= 1 &&
                pixelWidth <= kMaxPixelSide && pixelHeight <= kMaxPixelSide;
  if (!usable) {
    NSLog("UIGraphicsBeginImageContext() cannot make a context of size {{{}, {}}} at scale {}", size.width,
          size.height, scale);
  } else {
    platform::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(pixelWidth), int(pixelHeight)));
    if (cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS) {
      context.cr.reset(cairo_create(surface.get()));
      context.surface = std::move(surface);
      if (opaque) {
        cairo_set_source_rgb(context.cr.get(), 0, 0, 0);
        cairo_paint(context.cr.get());
      }
      cairo_scale(context.cr.get(), scale, scale);
    } else {
      NSLog("UIGraphicsBeginImageContext() could not allocate {} x {} pixels", pixelWidth, pixelHeight);
    }
  }
  tContexts.push_back(std::move(context));
}

CGContextRef UIGraphicsGetCurrentContext() {
  auto* context = platform::currentImageContext();
  return context ? context->cr.get() : nullptr;
}

std::shared_ptr<UIImage> UIGraphicsGetImageFromCurrentImageContext() {
  auto* context = platform::currentImageContext();
  if (!context) return nullptr;
  return UIImage::imageWithBitmap(platform::bitmapFromSurface(context->surface.get()), context->scale);
}

void UIGraphicsEndImageContext() {
  if (tContexts.empty()) {
    NSLog("UIGraphicsEndImageContext() called without a current context");
    return;
  }
  tContexts.pop_back();
}

void UIImageDrawInRect(const UIImage* image, const CGRect& rect) {
  if (CGContextRef cr = UIGraphicsGetCurrentContext())
    platform::drawImageInRect(cr, image, rect, UIViewContentModeScaleToFill);
}

void UIImageDrawAtPoint(const UIImage* image, const CGPoint& point) {
  if (image) UIImageDrawInRect(image, CGRect{point, {image->width(), image->height()}});
}

void UIColor::setFill() const {
  if (auto* context = platform::currentImageContext()) context->fill = *this;
}

void UIColor::setStroke() const {
  if (auto* context = platform::currentImageContext()) context->stroke = *this;
}
