#pragma once
// What the screen shows: the wallpaper, then every visible window by level, each with its root
// controller's view and the controllers presented over it. Hosts use this for screenshots.
#include <cairo.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/image/ImageCodec.h"
#include "platform/uikit/Drawing.h"

class UIImage;
class UIWindow;

namespace platform {

// The screen as a picture of pixelWidth x pixelHeight pixels: the wallpaper aspect-filled (black
// without one), then the visible windows, laid out in points at the device's scale. An empty
// bitmap for a zero or negative size.
Bitmap renderScreen(const UIImage* wallpaper, int pixelWidth, int pixelHeight);
// The same drawn into a new surface, for a host that adds to the screen (a status bar) or only
// needs it drawn; nullptr for a size renderScreen refuses.
SurfacePtr drawScreen(const UIImage* wallpaper, int pixelWidth, int pixelHeight);
// The same at `scale` pixels per point rather than the device's: a live view of the screen drawn
// at the size it is shown, which costs a fraction of the device's pixels.
SurfacePtr drawScreen(const UIImage* wallpaper, int pixelWidth, int pixelHeight, double scale);

// A drawn screen (opaque, as drawScreen paints it) as JPEG bytes, read straight from the surface's
// pixels; nothing for a surface that is not an ARGB32 or RGB24 image. `quality` from 1 to 100.
std::optional<std::string> encodeScreenJPEG(cairo_surface_t* surface, int quality);

// Bytes at a host path, written whole or not at all (a temporary file beside it, renamed). False
// with the reason in *error.
bool writeFileWhole(const std::string& bytes, const std::string& hostPath, std::string* error);

// A screen picture as a PNG at a host path, written whole or not at all (a temporary file beside it,
// renamed). False with the reason in *error: an empty picture, or a file that cannot be written.
bool writeScreenshotPNG(const Bitmap& bitmap, const std::string& hostPath, std::string* error);

// One window alone on a transparent picture of its frame's size at the device's scale, drawn
// even while hidden (the caller asked for it by name). The path is a host path. False when the
// window is null, has no size, or the file cannot be written.
bool renderWindowToPNG(const std::shared_ptr<UIWindow>& window, const std::string& hostPath);

// Draws the window's tree and its presented controllers, the window's frame origin applied.
void drawWindow(cairo_t* cr, UIWindow& window);

}  // namespace platform
