// A message send through the runtime next to a plain C++ virtual call, the cheapest dynamic
// dispatch there is. Every hooked SpringBoard method goes through a send, so it has to stay close.
// Prints the send/virtual ratio after the table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "platform/runtime/Runtime.h"

namespace {

struct Shape {
  virtual ~Shape() = default;
  virtual int area(int scale) const = 0;
};
struct Square : Shape {
  int side = 3;
  int area(int scale) const override { return side * side * scale; }
};

int areaImp(objc::Object*, objc::SEL, int scale) { return 9 * scale; }

objc::IMP gPrevious = nullptr;
int hookedAreaImp(objc::Object* self, objc::SEL cmd, int scale) {
  return reinterpret_cast<int (*)(objc::Object*, objc::SEL, int)>(gPrevious)(self, cmd, scale) + 1;
}

objc::Class* benchClass() {
  static objc::Class* cls = [] {
    objc::Class* base = objc::objc_allocateClassPair(objc::NSObjectClass(), "BenchShape");
    base->addMethod(objc::sel("area:"), objc::imp_cast(&areaImp));
    // Methods a real class carries beside the one sent, so the probe is not of a one-entry table.
    for (int i = 0; i < 40; ++i) base->addMethod(objc::sel("filler" + std::to_string(i)), objc::imp_cast(&areaImp));
    return objc::objc_allocateClassPair(base, "BenchSquare");
  }();
  return cls;
}

void BM_VirtualCall(benchmark::State& state) {
  std::unique_ptr<Shape> shape = std::make_unique<Square>();
  Shape* target = shape.get();
  int scale = 2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(target);
    benchmark::DoNotOptimize(target->area(scale));
  }
}
BENCHMARK(BM_VirtualCall);

void BM_MessageSend(benchmark::State& state) {
  objc::Object object(benchClass());
  objc::Object* target = &object;
  objc::SEL area = objc::sel("area:");
  int scale = 2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(target);
    benchmark::DoNotOptimize(objc::msgSend<int, int>(target, area, scale));
  }
}
BENCHMARK(BM_MessageSend);

void BM_MessageSendHooked(benchmark::State& state) {
  // The runner calls this more than once; hooking again would make the hook its own previous.
  static objc::Class* cls = [] {
    objc::Class* c = objc::objc_allocateClassPair(benchClass(), "BenchHookedSquare");
    MSHookMessageEx(c, objc::sel("area:"), objc::imp_cast(&hookedAreaImp), &gPrevious);
    return c;
  }();
  objc::Object object(cls);
  objc::Object* target = &object;
  objc::SEL area = objc::sel("area:");
  for (auto _ : state) {
    benchmark::DoNotOptimize(target);
    benchmark::DoNotOptimize(objc::msgSend<int, int>(target, area, 2));
  }
}
BENCHMARK(BM_MessageSendHooked);

// Keeps the time per iteration of each run for the ratio line.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedCPUTime();
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto virtualCall = reporter.times.find("BM_VirtualCall");
  if (virtualCall != reporter.times.end() && virtualCall->second > 0)
    for (const char* name : {"BM_MessageSend", "BM_MessageSendHooked"})
      if (auto it = reporter.times.find(name); it != reporter.times.end())
        std::printf("%s / BM_VirtualCall: %.1fx\n", name, it->second / virtualCall->second);
  benchmark::Shutdown();
  return 0;
}
