// Opening the pane in a running Settings app, as a person does: a tap on its row in the list of
// panes, until the pane's first frame is drawn (the pushed list laid out, every cell on screen
// made, the screen drawn at the phone's pixel size). The first open also loads the pane's
// executable; the runs after it find it loaded, as the phone does. Goal: within 100 ms. The
// footer's package lookup (a run of dpkg-query) is inside this time; bench_prefs reports it alone.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/support/BenchDevice.h"
#include "device/settings/SettingsApp.h"
#include "device/settings/SettingsScreen.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UITouchDelivery.h"
#include "tests/prefs/support/DevicePackageDatabase.h"

namespace {

void installPane() {
  namespace fs = std::filesystem;
  fs::create_directories(platform::hostPath("/Library/PreferenceBundles"));
  fs::copy(TOVALUNE_PANE_BUNDLE_DIR, platform::hostPath("/Library/PreferenceBundles/TovalunePrefs.bundle"),
           fs::copy_options::recursive);
  fs::create_directories(platform::hostPath("/Library/PreferenceLoader/Preferences"));
  fs::copy(TOVALUNE_PANE_ENTRY, platform::hostPath("/Library/PreferenceLoader/Preferences/TovalunePrefs.plist"));
  DevicePackageDatabase database;
  database.setStatus(DevicePackageDatabase::installedRecord("com.orbel.tovalune", "1.0.2"));
  platform::DeviceSettings settings = platform::deviceSettings();
  settings.screenWidth = 390;
  settings.screenHeight = 844;
  settings.screenScale = 3;
  // The build's pane module in the bundle folder is the rootful one, laid out as such.
  settings.jailbreak = platform::JailbreakKind::Rootful;
  platform::saveDeviceSettings(settings);
}

void BM_TapToFirstFrame(benchmark::State& state) {
  SettingsApp& app = SettingsApp::shared();
  for (auto _ : state) {
    if (!platform::tapControlWithTitle("Tovalune")) state.SkipWithError("no Tovalune row to tap");
    platform::settleAllQueues();
    benchmark::DoNotOptimize(drawSettingsScreen().get());
    state.PauseTiming();
    if (app.navigation().viewControllers().size() != 2) state.SkipWithError("the pane did not open");
    app.navigation().popToRootViewControllerAnimated(false);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TapToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  BenchDevice device("open-pane");
  installPane();
  SettingsApp::shared().launch();
  renderSettingsScreen();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
