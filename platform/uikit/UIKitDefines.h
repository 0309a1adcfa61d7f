#pragma once
// Small enumerations shared by several views.

enum NSTextAlignment { NSTextAlignmentLeft = 0, NSTextAlignmentCenter = 1, NSTextAlignmentRight = 2 };

// How a view fits its content (a picture) into its bounds.
enum UIViewContentMode {
  UIViewContentModeScaleToFill = 0,
  UIViewContentModeScaleAspectFit = 1,
  UIViewContentModeScaleAspectFill = 2,
  // At its own size in points, centred.
  UIViewContentModeCenter = 4,
};
