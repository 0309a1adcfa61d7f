// Opening the local image selector and the stored image viewer over a folder of phone photos
// (1170 × 2532 JPEG, as a current phone takes them), as a person opens them from the list: the
// screen pushed, laid out, its tiles given their pictures, and the first frame drawn at the
// phone's pixel size. Goal: 100 photos within 1 s, and memory bounded by the tiles on screen
// rather than by the photos in the folder.
//
// The CPU column is the whole process's (the listing decodes on several threads): on a quiet
// machine with one core free, the time to the first frame is about that.
// Counters: "peak_MB", the most live heap while opening above what lived before; "decoded_MB",
// the size of one photo decoded in full, for scale.
#include <benchmark/benchmark.h>

#include <fmt/format.h>

#include <filesystem>

#include "bench/support/BenchDevice.h"
#include "bench/support/HeapCounter.h"
#include "bench/support/PhotoLikePicture.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIWindow.h"
#include "prefs/editors/TovaluneImageSelectorViewController.h"
#include "prefs/editors/TovaluneImageViewerViewController.h"
#include "shared/ImageFolders.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kPhotoWidth = 1170, kPhotoHeight = 2532;
constexpr double kMB = 1024.0 * 1024.0;

// One photo's file; the folders hold hard links to it under distinct names, so a folder of 500
// photos costs the disk one photo while every open still reads and decodes each file.
const fs::path& photoFile() {
  static const fs::path file = [] {
    fs::path path = platform::hostPath("/photo.jpg");
    std::string jpeg = photoLikeJpeg(photoLikePicture(kPhotoWidth, kPhotoHeight), 90);
    platform::writeFile("/photo.jpg", jpeg, true);
    return path;
  }();
  return file;
}

void fillFolder(const std::string& folder, int count) {
  fs::path host = platform::hostPath(folder);
  fs::remove_all(host);
  fs::create_directories(host);
  for (int i = 0; i < count; ++i) {
    fs::path link = host / fmt::format("IMG_{:04}.jpg", i);
    fs::create_hard_link(photoFile(), link);
    platform::setContentModificationDate(platform::devicePathFromHost(link.string()), 1'700'000'000.0 + i);
  }
}

template <typename Screen>
void openScreen(benchmark::State& state, const char* folder) {
  const int count = static_cast<int>(state.range(0));
  fillFolder(folder, count);
  const auto bounds = UIScreen::mainScreen().bounds();
  const double scale = UIScreen::mainScreen().scale();
  double peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto window = UIWindow::alloc()->initWithFrame(bounds);
    auto navigation = UINavigationController::initWithRootViewController(UIViewController::create());
    window->setRootViewController(navigation);
    window->makeKeyAndVisible();
    window->layoutIfNeeded();
    const std::size_t before = heap_counter::liveBytes();
    heap_counter::resetPeak();
    state.ResumeTiming();

    navigation->pushViewController(Screen::init(), true);
    window->layoutIfNeeded();
    platform::drainMainQueue();
    auto frame = platform::renderScreen(nullptr, int(bounds.width() * scale), int(bounds.height() * scale));
    benchmark::DoNotOptimize(frame.rgba.data());

    state.PauseTiming();
    peak = std::max(peak, double(heap_counter::peakBytes() - before));
    window->setHidden(true);
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = peak / kMB;
  state.counters["decoded_MB"] = kPhotoWidth * kPhotoHeight * 4 / kMB;
}

void BM_OpenImageSelector(benchmark::State& state) {
  openScreen<TovaluneImageSelectorViewController>(state, kLocalImagesPath);
}
void BM_OpenImageViewer(benchmark::State& state) {
  openScreen<TovaluneImageViewerViewController>(state, kStoreImagesPath);
}
BENCHMARK(BM_OpenImageSelector)->Arg(10)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);
BENCHMARK(BM_OpenImageViewer)->Arg(10)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  BenchDevice device("picture-editors");
  platform::createDirectoryAtPath("/Library/PreferenceBundles/TovalunePrefs.bundle");
  fs::copy_file(std::string(TOVALUNE_PANE_BUNDLE_DIR) + "/plus.png",
                platform::hostPath(TovaluneImageSelectorViewController::kPlusImagePath));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
