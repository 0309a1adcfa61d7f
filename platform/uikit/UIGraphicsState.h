#pragma once
// The image contexts' shared state, for the UIKit drawing classes only (UIGraphics.cc,
// UIBezierPath.cc): the surface, the cairo context and the colours chosen with setFill/setStroke.
#include "platform/uikit/Drawing.h"
#include "platform/uikit/UIColor.h"

namespace platform {

struct ImageContext {
  SurfacePtr surface;
  ContextPtr cr;  // null for a context that could not be made
  double scale = 1;
  UIColor fill = UIColor::blackColor();
  UIColor stroke = UIColor::blackColor();
};

// The top context of this thread when it can be drawn in; nullptr otherwise.
ImageContext* currentImageContext();

}  // namespace platform
