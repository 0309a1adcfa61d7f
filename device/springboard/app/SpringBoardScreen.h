#pragma once
// The lock screen and the home screen as a person sees them: the screen's light wallpaper
// aspect-filled at the device's pixel size, the screen's own furniture (the lock screen's clock,
// the home screen's icons), then every visible window. Main thread only: it reads windows.
#include <string>

#include "device/springboard/WallpaperFiles.h"
#include "platform/image/ImageCodec.h"

platform::Bitmap renderSpringBoardScreen(WallpaperScreen screen);

// Renders the screen into a PNG at a host path. False with the reason in *error.
bool writeSpringBoardScreenshot(WallpaperScreen screen, const std::string& hostPath, std::string* error);
