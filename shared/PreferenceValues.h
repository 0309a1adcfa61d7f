#pragma once
// The numbers the preferences file stores for the picture source (`ImageMode`), the update mode
// (`UpdateMode`) and the wallpaper location (`Location`). They are written in users' files and
// read by both deliverables, so each name keeps its number for good: add, never renumber.
//
// The types are plain enums over int, as the file and the platform speak ints: a stored number
// outside a list is still a number (the engine then does nothing with it), not an error.

// `ImageMode`, also the provider controller's `CurrentProvider`.
enum ImageProvider : int {
  ProviderLocalFolder = 0,
  ProviderCustomURL = 1,
  ProviderMicrosoft = 2,
  ProviderUnsplash = 3,
  ProviderDesktoppr = 4,
  ProviderPicsum = 5,
  ProviderLoremFlickr = 6,
  ProviderCatAPI = 7,
  ProviderPhotosAlbum = 8,
};
inline constexpr int kImageProviderCount = 9;

// `UpdateMode`: when a new wallpaper is due. Any other stored number changes nothing by itself.
enum UpdateMode : int {
  UpdateModeScreenOff = 0,  // a random picture each time the display turns off
  UpdateModeTimeline = 1,   // the timeline's entry, checked each time the display turns on
};

// `Location`, and the location code handed to the platform. LocationSeparate is a preference value
// only: the engine turns it into two pictures, one for code 1 and one for code 2, so the platform
// never sees it.
enum WallpaperLocation : int { LocationLockScreen = 1, LocationHomeScreen = 2, LocationBoth = 3, LocationSeparate = 4 };
