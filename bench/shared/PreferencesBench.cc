// getPrefForKey: on a realistic preferences file (every key, a 100-entry timeline), XML and binary,
// next to the floor: reading the same bytes and parsing them with libplist alone.
#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "bench/support/RunTimes.h"
#include "shared/TovalunePreferencesManager.h"

using namespace platform;

namespace {

Dictionary realisticPrefs() {
  Dictionary d = TovalunePreferencesManager::defaultPrefs();
  d["SelectedPhotoAlbum"] = "6F0B1D2E-5A4C-4B7E-9C1D-0E2F3A4B5C6D/L0/040";
  d["Version"] = 1;
  Array timeline;
  for (int i = 0; i < 100; ++i)
    timeline.push_back(Dictionary{{"Start", fmt::format("{:02d}:{:02d}:00", i * 14 / 60, i * 14 % 60)},
                                  {"ImagePath", i % 3 ? fmt::format("/var/mobile/Library/TovaluneTimeline/"
                                                                    "{:08X}-0000-4000-8000-000000000000.png", i)
                                                      : "||RANDOM||"}});
  d["ImageTimeline"] = timeline;
  return d;
}

struct Fixture {
  explicit Fixture(bool binary) {
    root = std::filesystem::temp_directory_path() / fmt::format("tovalune-bench-{}", ::getpid());
    setDeviceRoot(root.string());
    setLogToStderr(false);
    createDirectoryAtPath("/var/mobile/Library/Preferences");
    Value v(realisticPrefs());
    writeFile(TovalunePreferencesManager::kPreferencesPath, binary ? binaryPropertyList(v) : xmlPropertyList(v));
  }
  ~Fixture() { std::filesystem::remove_all(root); }
  std::filesystem::path root;
};

void floorRead(benchmark::State& state, bool binary) {
  Fixture f(binary);
  for (auto _ : state) {
    auto bytes = readFile(TovalunePreferencesManager::kPreferencesPath);
    plist_t p = nullptr;
    if (binary) plist_from_bin(bytes->data(), bytes->size(), &p);
    else plist_from_xml(bytes->data(), bytes->size(), &p);
    plist_t item = plist_dict_get_item(p, "UpdateMode");
    uint64_t v = 0;
    plist_get_uint_val(item, &v);
    benchmark::DoNotOptimize(v);
    plist_free(p);
  }
}

void lookup(benchmark::State& state, bool binary, const char* key) {
  Fixture f(binary);
  for (auto _ : state) {
    auto v = TovalunePreferencesManager::getPrefForKey(key);
    benchmark::DoNotOptimize(v);
  }
}

// Medians of interleaved repetitions: single runs on a shared machine swing by a third.
BENCHMARK_CAPTURE(floorRead, xml, false)->Repetitions(7);
BENCHMARK_CAPTURE(lookup, xml_UpdateMode, false, "UpdateMode")->Repetitions(7);
BENCHMARK_CAPTURE(lookup, xml_ImageTimeline, false, "ImageTimeline")->Repetitions(7);
BENCHMARK_CAPTURE(floorRead, binary, true)->Repetitions(7);
BENCHMARK_CAPTURE(lookup, binary_UpdateMode, true, "UpdateMode")->Repetitions(7);
BENCHMARK_CAPTURE(lookup, binary_ImageTimeline, true, "ImageTimeline")->Repetitions(7);

void printRatios(const RunTimes& times) {
  for (const char* kind : {"xml", "binary"}) {
    const double floor = times.cpuSeconds(fmt::format("floorRead/{}/repeats:7_median", kind));
    for (const char* key : {"UpdateMode", "ImageTimeline"}) {
      const double t = times.cpuSeconds(fmt::format("lookup/{}_{}/repeats:7_median", kind, key));
      if (floor > 0) std::printf("getPrefForKey(%s) %s: %.2fx the floor (goal <= 1.30x)\n", key, kind, t / floor);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  interleaveRepetitionsByDefault(argc, argv);
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter(printRatios);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
