#pragma once
// The status panel beside the phone: whether the engine is loaded, the display, the current lock
// and home wallpapers (with a fingerprint, so a page reloads a thumbnail only when it changed),
// how many pictures the store keeps, the preferences as they stand, and the device's clock and
// network. Read from SpringBoard's `status` request and the device's files.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

nlohmann::json collectWebStatus();

// A small PNG of the current wallpaper of "lock" or "home", at most `maxWidth` x `maxHeight`
// pixels, aspect kept; nothing when the screen has no readable wallpaper.
std::optional<std::string> wallpaperThumbnail(const std::string& screen, unsigned maxWidth, unsigned maxHeight);
