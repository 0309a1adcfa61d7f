#pragma once
// The home screen's icons: where each sits for a screen size, how they are drawn, and which one a
// finger at a point lands on. Only Settings opens an app on the simulated device; the others are
// there so the screen reads as a phone's.
#include <cairo.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/CGGeometry.h"

struct HomeScreenIcon {
  std::string name;  // the label under the icon, and what `tap-at` answers
  CGRect frame;      // the icon's square, in screen points
  bool inDock = false;
};

// The icons of a screen of that size in points: a grid of eight at the top, four in the dock.
std::vector<HomeScreenIcon> homeScreenIcons(double screenWidth, double screenHeight);

// The icon whose square (or label beneath it) holds the point; nothing between icons.
std::optional<HomeScreenIcon> homeScreenIconAt(const CGPoint& point, double screenWidth, double screenHeight);

// The dock and the icons with their labels, in points, over a wallpaper already drawn.
void drawHomeScreenIcons(cairo_t* cr, double screenWidth, double screenHeight);
