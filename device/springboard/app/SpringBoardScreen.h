#pragma once
// The lock screen and the home screen as a person sees them: the screen's light wallpaper
// aspect-filled at the device's pixel size, the screen's own furniture (the lock screen's clock,
// the home screen's icons), then every visible window. Main thread only: it reads windows.
#include <string>

#include "device/springboard/WallpaperFiles.h"
#include "platform/image/ImageCodec.h"
#include "platform/uikit/Drawing.h"

platform::Bitmap renderSpringBoardScreen(WallpaperScreen screen);

// The same drawn at `scale` pixels per point, for a live view shown smaller than the device's
// pixels. The wallpaper drawn at that size is kept from one frame to the next until the wallpapers
// change (the wallpaper state's change count, which a live view's revision follows too): decoding
// and scaling a full-screen picture costs more than all else in the frame. nullptr when the
// device's screen has no usable size at that scale.
platform::SurfacePtr drawSpringBoardScreen(WallpaperScreen screen, double scale);

// Renders the screen into a PNG at a host path. False with the reason in *error.
bool writeSpringBoardScreenshot(WallpaperScreen screen, const std::string& hostPath, std::string* error);
