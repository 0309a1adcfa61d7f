#pragma once
// A live view's frame of a host's screen (SpringBoard's, the Settings app's): drawn at the width
// the view shows it, as JPEG into a file of the viewer's. The viewer asks for one only when the
// host's revision moved, so each is a new picture; full-size screenshots stay PNG. Main thread
// only: drawing reads windows.
#include <functional>
#include <string>

#include "platform/uikit/Drawing.h"

// JPEG quality of a live frame: text stays clean at the size shown, and a frame of a phone's
// screen at 390 pixels across is some 30 to 60 kB.
inline constexpr int kLiveFrameQuality = 80;

// Answers a frame request: `width` in pixels (never more than the device's own pixel width), `path`
// an absolute host path for the JPEG. `draw` draws the screen at a scale in pixels per point. The
// reply line: ok, path, width, height, bytes, and the milliseconds spent drawing and encoding
// ("drawMs", "encodeMs"); or ok false with the reason.
std::string answerFrameRequest(const std::string& width, const std::string& path,
                               const std::function<platform::SurfacePtr(double scale)>& draw);
