#pragma once
// The picture folders both deliverables share, and how the system names the files it writes.
#include <string>

inline constexpr const char* kLocalImagesPath = "/var/mobile/Library/Tovalune";
inline constexpr const char* kStoreImagesPath = "/var/mobile/Library/TovaluneStore";
inline constexpr const char* kTimelineImagesPath = "/var/mobile/Library/TovaluneTimeline";
// SpringBoard's wallpaper files while the engine is installed, inside the store.
inline constexpr const char* kStoreSpringBoardPath = "/var/mobile/Library/TovaluneStore/SpringBoard";
inline constexpr const char* kStoreCachePath = "/var/mobile/Library/TovaluneStore/Cache";
inline constexpr const char* kSpringBoardPath = "/var/mobile/Library/SpringBoard";

inline constexpr const char* kDefaultCustomURL = "https://loremflickr.com/1080/1920/car";
inline constexpr const char* kRandomImageMarker = "||RANDOM||";

// "%@.png" of a fresh UUID string.
std::string newImageFileName();
// The folder path with a new file name appended.
std::string newImagePathInFolder(const std::string& folder);
