#pragma once
// The Settings app's screen as a person sees it: its window under the status bar's time, at the
// device's pixel size. Main thread only: it reads windows.
#include <string>

#include "platform/image/ImageCodec.h"
#include "platform/uikit/Drawing.h"

platform::Bitmap renderSettingsScreen();
// The same drawn into a surface at the device's pixel size: what a frame costs, without turning
// it into a picture. nullptr when the device's screen has no usable size.
platform::SurfacePtr drawSettingsScreen();
// The same at `scale` pixels per point: a live view shown smaller than the device's pixels.
platform::SurfacePtr drawSettingsScreen(double scale);

// Renders the screen into a PNG at a host path. False with the reason in *error.
bool writeSettingsScreenshot(const std::string& hostPath, std::string* error);
