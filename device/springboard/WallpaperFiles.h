#pragma once
// How SpringBoard names and locates its wallpaper files: one file per screen and appearance, in the
// folder its wallpaper data store names. Plain data and free functions shared by the SpringBoard
// classes, SpringBoardUIServices and the launcher's status.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/image/ImageCodec.h"

enum class WallpaperScreen { Lock, Home };
enum class WallpaperAppearance { Light, Dark };

// Location codes as SpringBoardUIServices and the Photos wallpaper controller take them.
inline constexpr long kWallpaperLocationLockScreen = 1;
inline constexpr long kWallpaperLocationHomeScreen = 2;
inline constexpr long kWallpaperLocationBoth = 3;

// The folder SpringBoard keeps its wallpapers in unless its data store is told otherwise.
inline constexpr const char* kSpringBoardWallpaperDirectory = "/var/mobile/Library/SpringBoard";

// "LockBackground.cpbitmap", "LockBackgroundDark.cpbitmap", "HomeBackground.cpbitmap",
// "HomeBackgroundDark.cpbitmap".
std::string wallpaperFileName(WallpaperScreen screen, WallpaperAppearance appearance);
std::string wallpaperScreenName(WallpaperScreen screen);
std::string wallpaperAppearanceName(WallpaperAppearance appearance);

// The screens a location code covers; empty for a code outside 1..3.
std::vector<WallpaperScreen> screensForLocation(long location);

// "file:///var/mobile/Library/SpringBoard/" -> "/var/mobile/Library/SpringBoard". A plain absolute
// path is accepted as it is. Nothing for anything else (another scheme, a host, a relative path).
std::optional<std::string> pathFromFileURL(std::string_view url);
// The file URL of a folder, with its trailing slash, as NSURL fileURLWithPath:isDirectory: gives it.
std::string directoryURLWithPath(std::string_view path);

// A stable fingerprint of bytes (64-bit FNV-1a, 16 hex digits): the same bytes give the same text
// in every process.
std::string contentHash(std::string_view bytes);
// The fingerprint of a picture's pixels (contentHash of its RGBA rows), whatever form its file is
// in, so a wallpaper in a status line can be compared with the picture that was set.
std::string pictureHash(const platform::Bitmap& bitmap);
