#pragma once
// Pictures a fresh device starts with, drawn here rather than shipped: six sample wallpapers for
// the local picture folder, each in its own colours so a change is plain on a screenshot, and
// SpringBoard's own stock wallpaper. All at the device's pixel size.
#include "platform/image/ImageCodec.h"

inline constexpr int kSamplePictureCount = 6;

// Sample picture `index` (0..5) of the given pixel size.
platform::Bitmap drawSamplePicture(int index, int pixelWidth, int pixelHeight);
// SpringBoard's stock wallpaper, light or dark.
platform::Bitmap drawStockWallpaper(bool dark, int pixelWidth, int pixelHeight);

// Fills the local picture folder when it holds no file; returns how many pictures it wrote.
int seedSamplePictures();
// Gives SpringBoard its stock wallpapers in its own folder unless it has wallpapers there already.
// Returns whether the folder now holds all four.
bool installStockWallpapers();
