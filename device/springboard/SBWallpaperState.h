#pragma once
// SpringBoard's wallpapers: the lock and home screen pictures in their light and dark variants,
// kept as raw bitmap files (platform/image/CPBitmap.h) in the folder the wallpaper data store
// names (asked afresh at every use, so a hooked `directoryURL` moves them) and read back through
// UIImage initWithContentsOfFile:cache:, which also still reads the PNG files older builds wrote.
// One per SpringBoard process; SpringBoardUIServices and the Photos wallpaper controller set
// pictures through it, the launcher's status and screenshots read it.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/springboard/WallpaperFiles.h"
#include "platform/runtime/Runtime.h"

class UIImage;
class SBFWallpaperDirectoryDataStore;
class SBFWallpaperCache;

// One wallpaper file as it is on disk now.
struct WallpaperFile {
  WallpaperScreen screen = WallpaperScreen::Lock;
  WallpaperAppearance appearance = WallpaperAppearance::Light;
  std::string path;         // device path
  bool exists = false;
  bool readable = false;    // UIImage could load it
  double width = 0;         // points
  double height = 0;
  std::string contentHash;  // pictureHash of its pixels (of its bytes when no picture); empty when missing
};

// What one successful change wrote.
struct WallpaperChange {
  std::uint64_t count = 0;  // the change counter after this change
  long location = 0;
  std::vector<std::string> paths;
};

class SBWallpaperState {
 public:
  using Observer = std::function<void(const WallpaperChange&)>;

  static SBWallpaperState& shared();

  // Sets the pictures at a location code (1 lock, 2 home, 3 both): `light` to the light variants,
  // `dark` to the dark ones; a null picture leaves its variants as they are. False, with a log line
  // and nothing written, for a code outside 1..3, for no picture at all, or when a file cannot be
  // written. Safe from any thread; changes are applied one at a time.
  bool setWallpapers(const UIImage* light, const UIImage* dark, long location);

  // The folder the data store names now; nothing (logged) when it names no local folder.
  std::optional<std::string> wallpaperDirectory();
  WallpaperFile currentWallpaper(WallpaperScreen screen, WallpaperAppearance appearance);
  // Lock light, lock dark, home light, home dark.
  std::vector<WallpaperFile> currentWallpapers();
  // The same for a folder named by the caller: a process without SpringBoard's hooks (the
  // launcher) cannot ask the data store where a running SpringBoard keeps its files.
  static std::vector<WallpaperFile> wallpapersInFolder(const std::string& folder);
  // The picture itself, loaded through the hookable UIImage init; nullptr when missing or unreadable.
  std::shared_ptr<UIImage> loadWallpaper(WallpaperScreen screen, WallpaperAppearance appearance);

  std::uint64_t changeCount() const;
  // Waits for the change counter to reach `count`; false when the timeout passes first.
  bool waitForChangeCount(std::uint64_t count, std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // Observers run after each change, on the thread that made it. Returns a token for removeObserver.
  int addObserver(Observer observer);
  void removeObserver(int token);

  // The data store and cache objects, made on first use through the runtime (alloc + init, so
  // hooks installed before then apply). reset() drops them so the next use makes new ones, as a
  // fresh SpringBoard launch would; the files stay.
  objc::id dataStore();
  objc::id cache();
  void reset();

 private:
  SBFWallpaperDirectoryDataStore* dataStoreLocked();
  SBFWallpaperCache* cacheLocked();
  static WallpaperFile readWallpaperFile(const std::string& folder, WallpaperScreen screen,
                                         WallpaperAppearance appearance);

  mutable std::mutex mu_;  // guards files and objects; changes are serialised by it
  objc::id dataStore_;
  objc::id cache_;

  mutable std::mutex countMu_;
  std::condition_variable countChanged_;
  std::uint64_t changeCount_ = 0;
  std::vector<std::pair<int, Observer>> observers_;
  int nextObserver_ = 1;
};
