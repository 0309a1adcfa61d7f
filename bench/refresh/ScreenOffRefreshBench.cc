// One whole screen-off refresh with the local-folder provider, from SpringBoard's display-off hook
// to the new picture set in SpringBoard (its wallpaper change count reached), and the stages the
// refresh goes through, each timed alone with the calls the refresh makes:
//   preference reads     the nine getPrefForKey lookups of the hook and reloadWallpaper
//   folder listing       the local folder's existence check and listing
//   decoding             UIImage::imageWithContentsOfFile of the phone-size photo
//   application          applyToLocation on the lock screen, SpringBoard's work included
//   SpringBoard's write  SBWallpaperState::setWallpapers alone: SpringBoard's own work, which is not
//                        the engine's: one raw bitmap file written for both screens and both
//                        appearances, then given the four wallpaper names and the cache's four
// The picture is set on both screens (Location 3). The device runs iOS 12, so the Photos wallpaper
// controller applies it synchronously on the refresh's thread and there is no SpringBoardUIServices
// queue to wait for; the picture is the screen's size, so nothing is scaled on the way. Goal: the
// whole refresh within 60 ms. The engine's own share (the whole minus decoding and SpringBoard's
// own work) is reported beside it.
//
// SpringBoard's work and the decoding are tens of milliseconds against the engine's fraction of
// one, so the engine's share is not found by subtracting separately timed runs (their noise alone
// is larger):
// each refresh stamps the moment SpringBoard is handed the picture (a hook on the Photos
// controller's setWallpaperForLocations:) and the moment its change is made (an observer), and
// only the decoding is taken from its own run.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "bench/support/BenchDevice.h"
#include "bench/support/PhotoLikePicture.h"
#include "bench/support/RunTimes.h"
#include "device/springboard/PLStaticWallpaperImageViewController.h"
#include "device/springboard/SBLockScreenManager.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/SpringBoardClasses.h"
#include "engine/refresh/RefreshCycle.h"
#include "engine/wallpaper/WallpaperApplication.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSDate.h"
#include "platform/image/UIImage.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"

namespace {

constexpr std::uint32_t kPhoneWidth = 1170;
constexpr std::uint32_t kPhoneHeight = 2532;
// Past the refresh cool-down, so every display-off refreshes.
constexpr double kSecondsBetweenDisplayOffs = 5;
// In the order the display-off hook and reloadWallpaper ask for them.
constexpr const char* kRefreshPrefKeys[] = {"UpdateMode",     "Enabled",      "DisableOnCellular",
                                            "Location",       "ImageMode",    "FullResolution",
                                            "CustomURL",      "StoreLastTen", "SelectedPhotoAlbum"};

using Clock = std::chrono::steady_clock;

// When SpringBoard was last handed a picture, and when it last made a change.
std::atomic<Clock::rep> handedToSpringBoard{0};
std::atomic<Clock::rep> springBoardChanged{0};
objc::IMP orig_setWallpaperForLocations = nullptr;

void stampedSetWallpaperForLocations(objc::Object* self, objc::SEL _cmd, long location) {
  handedToSpringBoard = Clock::now().time_since_epoch().count();
  reinterpret_cast<void (*)(objc::Object*, objc::SEL, long)>(orig_setWallpaperForLocations)(self, _cmd, location);
}

double secondsBetween(Clock::rep from, Clock::rep to) {
  return std::chrono::duration<double>(Clock::duration(to - from)).count();
}

std::string picturePath() { return fmt::format("{}/photo.jpg", kLocalImagesPath); }

void prepareDevice() {
  platform::DeviceSettings settings = platform::deviceSettings();
  settings.iosVersion = "12.4";
  settings.network = platform::NetworkKind::WiFi;
  if (!platform::saveDeviceSettings(settings)) throw std::runtime_error("device settings not written");

  platform::Dictionary prefs = TovalunePreferencesManager::defaultPrefs();
  prefs["Enabled"] = true;
  prefs["UpdateMode"] = 0;
  prefs["ImageMode"] = 0;
  prefs["Location"] = 3;
  TovalunePreferencesManager::savePrefs(prefs);

  platform::createDirectoryAtPath(kLocalImagesPath, true);
  const std::string photo = photoLikeJpeg(photoLikePicture(kPhoneWidth, kPhoneHeight), 90);
  if (!platform::writeFile(picturePath(), photo)) throw std::runtime_error("local picture not written");

  // SpringBoard's classes with the engine's display-off hook on them, as start-up leaves them.
  registerSpringBoardClasses();
  MSHookMessageEx(objc::objc_getClass("SBLockScreenManager"), objc::sel("_handleBacklightDidTurnOff:"),
                  objc::imp_cast(&replaced_SBLockScreenManager_handleBacklightDidTurnOff),
                  &orig_SBLockScreenManager_handleBacklightDidTurnOff);
  MSHookMessageEx(PLStaticWallpaperImageViewController::cls(), objc::sel("setWallpaperForLocations:"),
                  objc::imp_cast(&stampedSetWallpaperForLocations), &orig_setWallpaperForLocations);
  SBWallpaperState::shared().addObserver(
      [](const WallpaperChange&) { springBoardChanged = Clock::now().time_since_epoch().count(); });
  createWallpaperLock();
  resetRefreshCycleState();
  platform::setFixedNow(1'800'000'000);
}

// Counters: "before_springboard" from the display-off to SpringBoard being handed the picture (the
// engine's work and the decoding), "springboard" from then to the change.
void BM_WholeRefresh(benchmark::State& state) {
  SBWallpaperState& springBoard = SBWallpaperState::shared();
  double before = 0, inside = 0;
  for (auto _ : state) {
    platform::advanceFixedNow(kSecondsBetweenDisplayOffs);
    const std::uint64_t target = springBoard.changeCount() + 1;
    const Clock::time_point start = Clock::now();
    SBLockScreenManager::sharedInstance()->handleBacklightDidTurnOff(nullptr);
    if (!springBoard.waitForChangeCount(target)) throw std::runtime_error("the refresh set no wallpaper");
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    platform::waitUntilQueuesIdle();
    before += secondsBetween(start.time_since_epoch().count(), handedToSpringBoard);
    inside += secondsBetween(handedToSpringBoard, springBoardChanged);
  }
  state.counters["before_springboard"] = benchmark::Counter(before, benchmark::Counter::kAvgIterations);
  state.counters["springboard"] = benchmark::Counter(inside, benchmark::Counter::kAvgIterations);
}

void BM_PreferenceReads(benchmark::State& state) {
  for (auto _ : state)
    for (const char* key : kRefreshPrefKeys) benchmark::DoNotOptimize(TovalunePreferencesManager::getPrefForKey(key));
}

void BM_FolderListing(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::directoryExistsAtPath(kLocalImagesPath));
    benchmark::DoNotOptimize(platform::contentsOfDirectoryAtPath(kLocalImagesPath));
  }
}

void BM_Decoding(benchmark::State& state) {
  for (auto _ : state) {
    auto image = UIImage::imageWithContentsOfFile(picturePath());
    if (!image) throw std::runtime_error("the local picture did not decode");
    benchmark::DoNotOptimize(image->bitmap().rgba.data());
  }
}

std::shared_ptr<UIImage> decodedPicture() {
  static const std::shared_ptr<UIImage> image = UIImage::imageWithContentsOfFile(picturePath());
  return image;
}

// Counter "engine_part": from the call to SpringBoard being handed the picture.
void BM_Application(benchmark::State& state) {
  SBWallpaperState& springBoard = SBWallpaperState::shared();
  double enginePart = 0;
  for (auto _ : state) {
    const std::uint64_t target = springBoard.changeCount() + 1;
    const Clock::rep start = Clock::now().time_since_epoch().count();
    applyToLocation(decodedPicture(), LocationBoth);
    if (springBoard.changeCount() < target) throw std::runtime_error("applyToLocation set no wallpaper");
    enginePart += secondsBetween(start, handedToSpringBoard);
  }
  state.counters["engine_part"] = benchmark::Counter(enginePart, benchmark::Counter::kAvgIterations);
}

void BM_SpringBoardWrite(benchmark::State& state) {
  for (auto _ : state) {
    auto image = decodedPicture();
    if (!SBWallpaperState::shared().setWallpapers(image.get(), image.get(), LocationBoth))
      throw std::runtime_error("SpringBoard wrote no wallpaper");
  }
}

void measured(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
}
BENCHMARK(BM_WholeRefresh)->Apply(measured)->UseManualTime();
BENCHMARK(BM_PreferenceReads)->Apply(measured)->UseRealTime();
BENCHMARK(BM_FolderListing)->Apply(measured)->UseRealTime();
BENCHMARK(BM_Decoding)->Apply(measured)->UseRealTime();
BENCHMARK(BM_Application)->Apply(measured)->UseRealTime();
BENCHMARK(BM_SpringBoardWrite)->Apply(measured)->UseRealTime();

void printSplit(const RunTimes& times) {
  auto name = [](const char* benchmark, const char* timing) {
    return fmt::format("{}/repeats:5/{}_median", benchmark, timing);
  };
  // The whole refresh and its parts from the same runs' means, so that the parts add up.
  const std::string wholeRun = "BM_WholeRefresh/repeats:5/manual_time_mean";
  const double whole = times.realSeconds(wholeRun);
  const double beforeSpringBoard = times.counter(wholeRun, "before_springboard");
  const double springBoard = times.counter(wholeRun, "springboard");
  const double prefs = times.realSeconds(name("BM_PreferenceReads", "real_time"));
  const double listing = times.realSeconds(name("BM_FolderListing", "real_time"));
  const double decoding = times.realSeconds(name("BM_Decoding", "real_time"));
  const double application = times.counter(name("BM_Application", "real_time"), "engine_part");
  if (whole <= 0 || decoding <= 0 || springBoard <= 0) return;
  // The engine's own work is everything but the decoding before SpringBoard takes over; after
  // that only SpringBoard runs until its change is made, and then the waiting thread wakes up.
  const double engine = beforeSpringBoard - decoding;
  auto line = [&](const char* stage, double seconds) {
    std::printf("  %-58s %9.3f ms  %6.2f%%\n", stage, seconds * 1e3, 100 * seconds / whole);
  };
  std::printf("screen-off refresh, local folder, one %ux%u JPEG on both screens, iOS 12 (Photos controller path):\n",
              kPhoneWidth,
              kPhoneHeight);
  line("whole refresh (display-off -> picture set, goal <= 60 ms)", whole);
  line("preference reads (9 lookups)", prefs);
  line("folder listing", listing);
  line("decoding", decoding);
  line("application, engine's part", application);
  line("the rest (hook, dispatch, controller)", engine - prefs - listing - application);
  line("SpringBoard's own write (raw bitmap + names)", springBoard);
  line("waking the waiting thread", whole - beforeSpringBoard - springBoard);
  std::printf("engine's own share: %.3f ms = %.2f%% of the whole refresh\n", engine * 1e3, 100 * engine / whole);
  std::printf("SpringBoard's write alone, timed by itself: %.3f ms\n", times.realSeconds(name("BM_SpringBoardWrite", "real_time")) * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  interleaveRepetitionsByDefault(argc, argv);
  benchmark::Initialize(&argc, argv);
  BenchDevice device("screen-off-refresh");
  prepareDevice();
  SummaryReporter reporter(printSplit);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  platform::waitUntilQueuesIdle();
  platform::clearFixedNow();
}
