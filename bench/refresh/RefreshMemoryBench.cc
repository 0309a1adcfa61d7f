// Peak memory of one whole screen-off refresh (local folder, a phone-size JPEG, both screens), from
// SpringBoard's display-off hook until the new picture is set and every queue is idle, against the
// size of the decoded picture. On both wallpaper paths: SpringBoardUIServices (iOS 13 and later),
// and the Photos wallpaper controller (before). Goal: the peak within 2.5 decoded pictures.
// Also the live heap after the refresh against before it: what a refresh leaves behind.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fmt/format.h>

#include <stdexcept>

#include "bench/support/BenchDevice.h"
#include "bench/support/HeapCounter.h"
#include "bench/support/PhotoLikePicture.h"
#include "device/springboard/SBLockScreenManager.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/SpringBoardClasses.h"
#include "device/uiservices/SBSUIWallpaper.h"
#include "device/uiservices/SpringBoardUIServicesInstall.h"
#include "engine/refresh/RefreshCycle.h"
#include "engine/wallpaper/WallpaperApplication.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSDate.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"

namespace {

constexpr std::uint32_t kPhoneWidth = 1170;
constexpr std::uint32_t kPhoneHeight = 2532;
constexpr double kDecodedBytes = double{kPhoneWidth} * kPhoneHeight * 4;

void setIOSVersion(const char* version) {
  platform::DeviceSettings settings = platform::deviceSettings();
  settings.iosVersion = version;
  settings.network = platform::NetworkKind::WiFi;
  if (!platform::saveDeviceSettings(settings)) throw std::runtime_error("device settings not written");
}

void prepareDevice() {
  setIOSVersion("16.0");
  platform::Dictionary prefs = TovalunePreferencesManager::defaultPrefs();
  prefs["ImageMode"] = 0;
  prefs["Location"] = 3;
  TovalunePreferencesManager::savePrefs(prefs);
  platform::createDirectoryAtPath(kLocalImagesPath, true);
  const std::string photo = photoLikeJpeg(photoLikePicture(kPhoneWidth, kPhoneHeight), 90);
  if (!platform::writeFile(std::string(kLocalImagesPath) + "/photo.jpg", photo))
    throw std::runtime_error("local picture not written");

  registerSpringBoardClasses();
  MSHookMessageEx(objc::objc_getClass("SBLockScreenManager"), objc::sel("_handleBacklightDidTurnOff:"),
                  objc::imp_cast(&replaced_SBLockScreenManager_handleBacklightDidTurnOff),
                  &orig_SBLockScreenManager_handleBacklightDidTurnOff);
  createWallpaperLock();
  resetRefreshCycleState();
  platform::setFixedNow(1'800'000'000);
}

// The engine finds SpringBoardUIServices at start-up on iOS 13 and later, and nothing before.
void bindWallpaperPath(bool uiServices) {
  _SBSUIWallpaperSetImages = nullptr;
  setIOSVersion(uiServices ? "16.0" : "12.4");
  if (!uiServices) return;
  if (!installSpringBoardUIServices()) throw std::runtime_error("SpringBoardUIServices not installed");
  void* handle = ::dlopen(platform::hostPath(kSpringBoardUIServicesPath).c_str(), RTLD_NOW);
  if (!handle) throw std::runtime_error(::dlerror());
  _SBSUIWallpaperSetImages = reinterpret_cast<SBSUIWallpaperSetImagesPointer>(::dlsym(handle, "SBSUIWallpaperSetImages"));
}

// Counters: "peak_x" the most live heap during the refresh above what lived before it, in decoded
// pictures; "kept_x" what lived after it above what lived before, in decoded pictures.
void BM_RefreshPeakMemory(benchmark::State& state) {
  bindWallpaperPath(state.range(0) == 1);
  SBWallpaperState& springBoard = SBWallpaperState::shared();
  double peak = 0, kept = 0;
  for (auto _ : state) {
    platform::advanceFixedNow(5);
    platform::waitUntilQueuesIdle();
    const std::size_t before = heap_counter::liveBytes();
    heap_counter::resetPeak();
    const std::uint64_t target = springBoard.changeCount() + 1;
    SBLockScreenManager::sharedInstance()->handleBacklightDidTurnOff(nullptr);
    if (!springBoard.waitForChangeCount(target)) throw std::runtime_error("the refresh set no wallpaper");
    platform::waitUntilQueuesIdle();
    peak = std::max(peak, double(heap_counter::peakBytes() - before));
    kept = std::max(kept, double(heap_counter::liveBytes()) - double(before));
  }
  state.counters["peak_x"] = peak / kDecodedBytes;
  state.counters["kept_x"] = kept / kDecodedBytes;
  state.SetLabel(fmt::format("{} path; peak {:.1f} MB for a {:.1f} MB picture (goal <= 2.5x)",
                             state.range(0) == 1 ? "SpringBoardUIServices" : "Photos controller", peak / 1e6,
                             kDecodedBytes / 1e6));
}
BENCHMARK(BM_RefreshPeakMemory)->Arg(1)->Arg(0)->Iterations(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  BenchDevice device("refresh-memory");
  prepareDevice();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  platform::waitUntilQueuesIdle();
  platform::clearFixedNow();
}
