// One run of OrbelTovaluneController::saveImageToStore (prune, then write the new picture) against
// store folders of 10, 1,000 and 10,000 PNG files, timed from the call until the background queue
// is idle again. The picture is small (64x64) so that its PNG encoding does not hide the cost of
// listing, dating and sorting the folder. Three cases:
//   ListSortWrite: StoreLast equals the count, so nothing is deleted;
//   PruneOne:      StoreLast one below the count, so the oldest file goes;
//   StoreLast10:   the preference's real value, so all but ten go.
// Between runs, outside the measured time, the folder is put back exactly as it was: the new
// picture removed and the pruned files written again with their old dates.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "bench/support/BenchDevice.h"
#include "bench/support/PhotoLikePicture.h"
#include "bench/support/RunTimes.h"
#include "engine/providers/OrbelTovaluneController.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "shared/ImageFolders.h"

namespace {

constexpr std::int64_t kCounts[] = {10, 1000, 10000};
// A day before the run, one second apart, so that every seeded file is older than the new one and
// the sort has a single right answer.
constexpr double kSeedEpoch = 1'700'000'000;

const std::string& seedPng() {
  static const std::string png = *platform::encodePNG(photoLikePicture(64, 64));
  return png;
}

std::string seedPath(std::int64_t i) { return fmt::format("{}/seed-{:05d}.png", kStoreImagesPath, i); }

void writeSeed(std::int64_t i) {
  const std::string path = seedPath(i);
  if (!platform::writeFile(path, seedPng(), false)) throw std::runtime_error("seed not written: " + path);
  const timespec when{static_cast<time_t>(kSeedEpoch + i), 0};
  const timespec times[2] = {when, when};
  ::utimensat(AT_FDCWD, platform::hostPath(path).c_str(), times, 0);
}

void seedStore(std::int64_t count) {
  std::filesystem::remove_all(platform::hostPath(kStoreImagesPath));
  platform::createDirectoryAtPath(kStoreImagesPath, true);
  for (std::int64_t i = 0; i < count; ++i) writeSeed(i);
}

// Removes what the run wrote and brings back the `pruned` oldest seeds; returns the file count.
std::int64_t restoreStore(std::int64_t pruned) {
  std::int64_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(platform::hostPath(kStoreImagesPath))) {
    if (entry.path().filename().string().starts_with("seed-")) ++files;
    else std::filesystem::remove(entry.path());
  }
  for (std::int64_t i = 0; i < pruned; ++i) writeSeed(i);
  return files + pruned;
}

void storeRun(benchmark::State& state, std::int64_t keep) {
  const std::int64_t count = state.range(0);
  seedStore(count);
  auto image = UIImage::imageWithBitmap(photoLikePicture(64, 64));
  auto controller = OrbelTovaluneController::create();
  controller->StorePath = kStoreImagesPath;
  controller->StoreLast = static_cast<int>(keep);
  const std::int64_t pruned = std::max<std::int64_t>(0, count - keep);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    controller->saveImageToStore(image);
    if (!platform::waitUntilQueuesIdle()) throw std::runtime_error("store run did not finish");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (restoreStore(pruned) != count) {
      state.SkipWithError("the store run left a different number of files");
      break;
    }
  }
  state.SetComplexityN(count);
}

void BM_StoreRun_ListSortWrite(benchmark::State& state) { storeRun(state, state.range(0)); }
void BM_StoreRun_PruneOne(benchmark::State& state) { storeRun(state, state.range(0) - 1); }
void BM_StoreRun_StoreLast10(benchmark::State& state) { storeRun(state, 10); }

void counts(benchmark::internal::Benchmark* b) {
  for (std::int64_t n : kCounts) b->Arg(n);
  b->UseManualTime()->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);
}
BENCHMARK(BM_StoreRun_ListSortWrite)->Apply(counts);
BENCHMARK(BM_StoreRun_PruneOne)->Apply(counts);
BENCHMARK(BM_StoreRun_StoreLast10)->Apply(counts);

void printGrowth(const RunTimes& times) {
  for (const char* name : {"ListSortWrite", "PruneOne", "StoreLast10"}) {
    auto at = [&](std::int64_t n) { return times.realSeconds(fmt::format("BM_StoreRun_{}/{}/manual_time", name, n)); };
    if (at(10) <= 0 || at(10000) <= 0) continue;
    std::printf("store run %-13s: %8.0f us at 10 files, %8.0f us at 1,000, %9.0f us at 10,000; "
                "%.2f us per further file\n",
                name, at(10) * 1e6, at(1000) * 1e6, at(10000) * 1e6, (at(10000) - at(1000)) / 9000 * 1e6);
  }
}

}  // namespace

int main(int argc, char** argv) {
  interleaveRepetitionsByDefault(argc, argv);
  benchmark::Initialize(&argc, argv);
  BenchDevice device("store-run");
  SummaryReporter reporter(printGrowth);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
