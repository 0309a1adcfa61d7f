#pragma once
// The cairo side of drawing: colours, rounded rectangles, pictures in rectangles, and the trip
// between a cairo surface and the platform's RGBA bitmap.
#include <cairo.h>

#include <memory>

#include "platform/image/ImageCodec.h"
#include "platform/uikit/CGGeometry.h"
#include "platform/uikit/UIColor.h"
#include "platform/uikit/UIKitDefines.h"

class UIImage;

namespace platform {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct ContextDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;

// A premultiplied ARGB surface holding the bitmap's pixels; nothing for an empty bitmap.
SurfacePtr surfaceFromBitmap(const Bitmap& bitmap);
// The surface's pixels as straight (not premultiplied) RGBA.
Bitmap bitmapFromSurface(cairo_surface_t* surface);

void setSourceColor(cairo_t* cr, const UIColor& color);
// A rectangle path whose corners are quarter circles; a radius of zero gives a plain rectangle.
void addRoundedRect(cairo_t* cr, const CGRect& rect, double radius);
// The picture placed in the rectangle as the content mode says, sized by its points (pixels over
// its scale); a null or empty picture draws nothing. What falls outside the rectangle (aspect-fill,
// a centred picture larger than the rectangle) is clipped. With a tint, the picture is a template:
// its opaque pixels are painted in the tint colour, its transparent ones left alone.
void drawImageInRect(cairo_t* cr, const UIImage* image, const CGRect& rect, UIViewContentMode mode,
                     const UIColor* tint = nullptr);

}  // namespace platform
