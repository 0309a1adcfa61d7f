#pragma once
// The picture folders both deliverables share, and how the system names the files it writes. Each
// folder is filled by one deliverable and read by the other; a folder's listing is its content (no
// index file), and a file put there by other means is read like the system's own.
#include <string>

// The user's own pictures for the Local Folder source: the pane adds and deletes, the engine reads.
inline constexpr const char* kLocalImagesPath = "/var/mobile/Library/Tovalune";
// The latest pictures fetched from the network sources: the engine adds and prunes, the pane lists,
// deletes and copies them to the photo library.
inline constexpr const char* kStoreImagesPath = "/var/mobile/Library/TovaluneStore";
// Pictures chosen for timeline entries, named by the entries' absolute `ImagePath`.
inline constexpr const char* kTimelineImagesPath = "/var/mobile/Library/TovaluneTimeline";
// SpringBoard's wallpaper files while the engine is installed, inside the store.
inline constexpr const char* kStoreSpringBoardPath = "/var/mobile/Library/TovaluneStore/SpringBoard";
inline constexpr const char* kStoreCachePath = "/var/mobile/Library/TovaluneStore/Cache";
inline constexpr const char* kSpringBoardPath = "/var/mobile/Library/SpringBoard";

// The `CustomURL` preference's default.
inline constexpr const char* kDefaultCustomURL = "https://loremflickr.com/1080/1920/car";
// A timeline entry's `ImagePath` that means "a new picture from the configured source".
inline constexpr const char* kRandomImageMarker = "||RANDOM||";

// "%@.png" of a fresh UUID string.
std::string newImageFileName();
// The folder path with a new file name appended.
std::string newImagePathInFolder(const std::string& folder);
