#pragma once
// Turns a picture into the device's wallpaper. From iOS 13 on through SpringBoardUIServices'
// light/dark function, on a background-priority task under `wallpaperLock`; where that function is
// not bound, through the Photos wallpaper controller, synchronously on the caller's thread.
//
// Location codes (WallpaperLocation) are handed to the platform unchanged: 1 lock screen, 2 home
// screen, 3 both.
#include <map>
#include <memory>
#include <string>

#include "platform/foundation/NSLock.h"
#include "platform/runtime/Runtime.h"
#include "shared/PreferenceValues.h"

class UIImage;

// The dictionaries SBSUIWallpaperSetImages takes: "light"/"dark" -> UIImage, and "light"/"dark" ->
// SBFWallpaperOptions.
using WallpaperObjectDictionary = std::map<std::string, std::shared_ptr<objc::Object>>;
using SBSUIWallpaperSetImagesPointer = void (*)(const WallpaperObjectDictionary& images,
                                                const WallpaperObjectDictionary& options, int location, int flags);

// Serialises every call of _SBSUIWallpaperSetImages. Made by start-up with createWallpaperLock().
extern platform::NSLock* wallpaperLock;
// Creates wallpaperLock once and returns it; later calls return the same lock.
platform::NSLock* createWallpaperLock();

extern "C" {
// Null until start-up binds it (iOS 13 and later).
extern SBSUIWallpaperSetImagesPointer _SBSUIWallpaperSetImages;

// Applies a light and a dark picture at a location, asynchronously; iOS 13 and later only.
void setLightAndDarkWallpaperImages(std::shared_ptr<UIImage> light, std::shared_ptr<UIImage> dark, int location);
// One picture for both appearances; nothing for a missing picture.
void setWallpaperImage(std::shared_ptr<UIImage> image, int location);
}

// The refresh cycle's step: SpringBoardUIServices when bound, else the Photos controller.
void applyToLocation(std::shared_ptr<UIImage> image, int location);
