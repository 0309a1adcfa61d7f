#pragma once
// The pane's two pictures, drawn by the build rather than shipped: the large icon of the
// Settings banner (icon-large.png) and the plus tile of the local picture folder (plus.png).
#include <string>

// The banner icon, `size` pixels square: two wallpaper cards, the front one a dusk landscape, and
// a badge of two turning arrows, on a night-blue ground that fills the square (the pane rounds
// the corners itself). Written as a PNG at `path`; false with the reason in *error.
bool drawBannerIcon(const std::string& path, int size, std::string* error);

// A white plus sign with rounded ends on a transparent square of `size` pixels: the tile shows
// it as a template image, so only its coverage counts, and white keeps it visible as it is.
bool drawPlusSign(const std::string& path, int size, std::string* error);
