// Opening the photo picker over a library of phone photos (1920 x 1440 JPEGs), as a person does
// from the picture screens: presented, laid out and drawn once at the phone's pixel size. Only the
// tiles on screen are made, each from its photo decoded at tile size, so the time and the memory
// follow the screen rather than the library. Also: the peak heap of one open.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "bench/support/BenchDevice.h"
#include "bench/support/HeapCounter.h"
#include "bench/support/PhotoLikePicture.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSDate.h"
#include "platform/photos/PhotoLibrary.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UIImagePickerController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIWindow.h"

namespace {

BenchDevice& device() {
  static BenchDevice d("picker");
  return d;
}

// Fills the library up to `count` photos (the runs share one library, growing it).
void libraryOf(std::size_t count) {
  static std::string jpeg = photoLikeJpeg(photoLikePicture(1920, 1440), 85);
  static std::size_t have = 0;
  for (; have < count; ++have) {
    platform::advanceFixedNow(1);
    platform::photoLibraryAddPictureData(jpeg, "jpg");
  }
}

std::shared_ptr<UIWindow> phone() {
  static std::shared_ptr<UIWindow> window = [] {
    device();
    platform::DeviceSettings settings = platform::deviceSettings();
    settings.screenWidth = 390;
    settings.screenHeight = 844;
    settings.screenScale = 3;
    platform::saveDeviceSettings(settings);
    platform::setFixedNow(1'700'000'000);
    auto w = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
    w->setRootViewController(UIViewController::create());
    w->makeKeyAndVisible();
    return w;
  }();
  return window;
}

void openOnce(UIWindow& window) {
  auto picker = UIImagePickerController::create();
  window.rootViewController()->presentViewController(picker, false, nullptr);
  picker->view()->layoutIfNeeded();
  benchmark::DoNotOptimize(platform::renderScreen(nullptr, 1170, 2532).rgba.data());
  picker->dismissViewControllerAnimated(false, nullptr);
}

void BM_OpenPicker(benchmark::State& state) {
  auto window = phone();
  libraryOf(std::size_t(state.range(0)));
  std::size_t peak = 0;
  for (auto _ : state) {
    heap_counter::resetPeak();
    std::size_t before = heap_counter::liveBytes();
    openOnce(*window);
    peak = std::max(peak, heap_counter::peakBytes() - before);
  }
  state.counters["peak_MB"] = double(peak) / (1 << 20);
}
BENCHMARK(BM_OpenPicker)->Arg(10)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
