// The cost of the `open` hook on a path it does not refuse: the same open + close of an existing
// file through a hooked import slot and through an untouched one, in the same run. The replacement
// does what the engine's does (two substring tests, then a call through). Goal: at most 3% slower.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/substrate/MSHookFunction.h"

namespace {

using OpenFunction = int (*)(const char*, int, ...);
using Caller = int (*)(const char*);

OpenFunction previousOpen = nullptr;
Caller hookedCaller = nullptr, plainCaller = nullptr;
std::string benchFile;

// The engine's refusal test. string_view::find (a memchr for the first byte, then a compare) costs
// about half of strstr, whose two-way search sets itself up anew for each call.
bool refused(const char* path) {
  const std::string_view bytes(path);
  return bytes.find("/var/mobile/Library/SpringBoard") != bytes.npos && bytes.find("Background") != bytes.npos;
}

int replacementOpen(const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list args;
    va_start(args, flags);
    mode = static_cast<mode_t>(va_arg(args, int));
    va_end(args);
  }
  if (refused(path)) return -1;
  return previousOpen(path, flags, mode);
}

Caller load(void* (*opener)(const char*, int), const char* library) {
  void* handle = opener(library, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "cannot load %s: %s\n", library, dlerror());
    std::exit(1);
  }
  return reinterpret_cast<Caller>(dlsym(handle, "openAndClose"));
}

void setUp() {
  char folder[] = "/tmp/substrate-bench-XXXXXX";
  if (!mkdtemp(folder)) std::exit(1);
  benchFile = std::string(folder) + "/wallpaper.png";
  std::ofstream(benchFile) << "not refused";
  // Taken before the hook reroutes dlopen: a library loaded through it keeps its own slots.
  auto realDlopen = reinterpret_cast<void* (*)(const char*, int)>(dlsym(RTLD_DEFAULT, "dlopen"));
  MSHookFunction(reinterpret_cast<void*>(&::open), reinterpret_cast<void*>(&replacementOpen),
                 reinterpret_cast<void**>(&previousOpen));
  hookedCaller = load(&dlopen, HOOKED_CALLER);
  plainCaller = load(realDlopen, PLAIN_CALLER);
  if (hookedCaller(benchFile.c_str()) < 0 || plainCaller(benchFile.c_str()) < 0) std::exit(1);
}

void run(benchmark::State& state, Caller caller) {
  for (auto _ : state) benchmark::DoNotOptimize(caller(benchFile.c_str()));
}

void unhookedOpen(benchmark::State& state) { run(state, plainCaller); }
void hookedOpen(benchmark::State& state) { run(state, hookedCaller); }
// The replacement's own work, without the system call: a steadier view of the hook's cost than the
// difference of two open loops on a busy machine.
void refusalTest(benchmark::State& state) {
  for (auto _ : state) {
    const char* path = benchFile.c_str();
    benchmark::DoNotOptimize(path);
    benchmark::DoNotOptimize(refused(path));
  }
}
// Repetitions of the two are interleaved (see main), so that a busy moment of a shared machine
// falls on both alike; the ratio is taken from the medians of their CPU times.
BENCHMARK(unhookedOpen)->MinTime(0.05)->Repetitions(40)->ReportAggregatesOnly(true);
BENCHMARK(hookedOpen)->MinTime(0.05)->Repetitions(40)->ReportAggregatesOnly(true);
BENCHMARK(refusalTest)->Repetitions(5)->ReportAggregatesOnly(true);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs)
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") times_[r.run_name.function_name] = r.GetAdjustedCPUTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    double plain = times_["unhookedOpen"], hooked = times_["hookedOpen"], work = times_["refusalTest"];
    if (plain <= 0) return;
    std::printf("hooked open / unhooked open: %.3fx (goal <= 1.03x)\n", hooked / plain);
    std::printf("the replacement's own work: %.1f ns, %.2f%% of an unhooked open + close\n", work, 100 * work / plain);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  setUp();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
