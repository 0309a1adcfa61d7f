#pragma once
// SpringBoardUIServices' wallpaper function, as the library exports it (C names, found with dlsym):
//
//   void SBSUIWallpaperSetImages(const SBSUIWallpaperDictionary& images,
//                                const SBSUIWallpaperDictionary& options, int location, int flags);
//
// `images` holds UIImage objects under "light" and "dark", `options` SBFWallpaperOptions objects
// under the same keys. The pictures are set at the location code (1 lock, 2 home, 3 both): the
// light one to the light variants, the dark one to the dark variants. A missing or non-picture
// entry leaves its variants as they are; a location outside 1..3 sets nothing. `flags` is recorded
// and otherwise unused. There is no result.
//
// The dictionary is a std::map<std::string, std::shared_ptr<objc::Object>>: a caller may spell the
// pointer type from that alone without including this header.
//
// For tests the library also records the last calls (kSBSUIWallpaperRecordedCalls of them) and the
// most calls it ever had running at once. The record refers to the pictures weakly: SpringBoard
// runs for days, and a record that kept each decoded picture alive would grow by one full-screen
// bitmap with every wallpaper change.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/Runtime.h"

using SBSUIWallpaperDictionary = std::map<std::string, std::shared_ptr<objc::Object>>;
using SBSUIWallpaperSetImagesFunction = void (*)(const SBSUIWallpaperDictionary& images,
                                                 const SBSUIWallpaperDictionary& options, int location, int flags);

inline constexpr const char* kSpringBoardUIServicesPath =
    "/System/Library/PrivateFrameworks/SpringBoardUIServices.framework/SpringBoardUIServices";

inline constexpr std::size_t kSBSUIWallpaperRecordedCalls = 64;

// One call as the library received it.
struct SBSUIWallpaperCall {
  std::weak_ptr<objc::Object> lightImage;  // the entries as given, while someone else holds them
  std::weak_ptr<objc::Object> darkImage;
  std::vector<std::string> imageKeys;
  std::vector<std::string> optionKeys;
  long lightMode = -1;  // the options' wallpaperMode; -1 when missing or not options
  long darkMode = -1;
  int location = 0;
  int flags = 0;
  std::thread::id thread;
  bool onBackgroundThread = false;
};
using SBSUIWallpaperCallObserver = std::function<void(const SBSUIWallpaperCall&)>;

extern "C" {
void SBSUIWallpaperSetImages(const SBSUIWallpaperDictionary& images, const SBSUIWallpaperDictionary& options,
                             int location, int flags);

// Test interface.
void SBSUIWallpaperCopyCalls(std::vector<SBSUIWallpaperCall>* out);
void SBSUIWallpaperResetCalls();
// The most calls that were inside SBSUIWallpaperSetImages at the same moment since the last reset.
int SBSUIWallpaperMaxConcurrentCalls();
// Runs inside each call, on the caller's thread, before the pictures are set; null removes it.
void SBSUIWallpaperSetCallObserver(const SBSUIWallpaperCallObserver* observer);
}

using SBSUIWallpaperCopyCallsFunction = void (*)(std::vector<SBSUIWallpaperCall>*);
using SBSUIWallpaperResetCallsFunction = void (*)();
using SBSUIWallpaperMaxConcurrentCallsFunction = int (*)();
using SBSUIWallpaperSetCallObserverFunction = void (*)(const SBSUIWallpaperCallObserver*);
