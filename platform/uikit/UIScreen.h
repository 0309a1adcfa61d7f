#pragma once
// The device's one screen. Its size comes from the simulated device's settings each time it is
// asked, so a host that changes the settings sees the new screen at once.
#include "platform/runtime/Runtime.h"
#include "platform/uikit/CGGeometry.h"

class UIScreen : public objc::Object {
 public:
  static UIScreen& mainScreen();

  // In points.
  CGRect bounds() const;
  // In pixels, portrait (the shorter side is the width) whatever the points say.
  CGRect nativeBounds() const;
  // Pixels per point.
  double scale() const;

  static objc::Class* cls();
  explicit UIScreen(objc::Class* isa = UIScreen::cls());
};
