#pragma once
// Drawing into pictures: a bitmap context per UIGraphicsBeginImageContextWithOptions, kept on a
// stack of this thread (begin and end pair up, innermost on top), drawn in points at the context's
// scale. UIBezierPath, UIColor's setFill / setStroke and UIImageDrawInRect work on the top one.
//
//   UIGraphicsBeginImageContextWithOptions(size, false, 0);
//   UIBezierPath::bezierPathWithRoundedRect(rect, 12)->addClip();
//   UIImageDrawInRect(image.get(), rect);
//   auto rounded = UIGraphicsGetImageFromCurrentImageContext();
//   UIGraphicsEndImageContext();
#include <cairo.h>

#include <memory>

#include "platform/image/UIImage.h"
#include "platform/uikit/CGGeometry.h"

// The drawing context: a cairo context whose units are points.
using CGContextRef = cairo_t*;

// A transparent context (opaque: starts black and stays opaque) of the size in points at the
// scale (pixels per point; 0 or less: the main screen's). A size that is empty, not finite or
// beyond 16384 pixels a side is logged; its context is pushed all the same, so that the matching
// end pops it, but there is no drawing in it and it yields no picture.
void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, double scale);
// The top context of this thread, or nullptr.
CGContextRef UIGraphicsGetCurrentContext();
// What the top context holds now, as a picture of its size in points and its scale; nullptr
// without a usable context.
std::shared_ptr<UIImage> UIGraphicsGetImageFromCurrentImageContext();
// Pops the top context; without one it is logged and nothing happens.
void UIGraphicsEndImageContext();

// CGContextSaveGState / CGContextRestoreGState: around a clip that should not outlive a step.
inline void CGContextSaveGState(CGContextRef context) {
  if (context) cairo_save(context);
}
inline void CGContextRestoreGState(CGContextRef context) {
  if (context) cairo_restore(context);
}

// UIImage's drawInRect: and drawAtPoint: into the current context: the picture stretched over the
// rectangle, or at its own size with its top left at the point.
void UIImageDrawInRect(const UIImage* image, const CGRect& rect);
void UIImageDrawAtPoint(const UIImage* image, const CGPoint& point);
