#pragma once
// A console reporter that also keeps each run's time per iteration in seconds and its user counters,
// by the run's name (aggregates as "<name>_median" and so on), and hands them to a summary printed
// after the table: the ratios and splits a benchmark program exists to show.
#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class RunTimes {
 public:
  double realSeconds(const std::string& name) const { return find(real_, name); }
  double cpuSeconds(const std::string& name) const { return find(cpu_, name); }
  bool has(const std::string& name) const { return real_.count(name) != 0; }
  double counter(const std::string& name, const std::string& counter) const {
    return find(counters_, name + "." + counter);
  }

  void record(const benchmark::BenchmarkReporter::Run& run) {
    const double toSeconds = 1.0 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    real_[run.benchmark_name()] = run.GetAdjustedRealTime() * toSeconds;
    cpu_[run.benchmark_name()] = run.GetAdjustedCPUTime() * toSeconds;
    for (const auto& [counter, value] : run.counters) counters_[run.benchmark_name() + "." + counter] = value.value;
  }

 private:
  static double find(const std::map<std::string, double>& m, const std::string& name) {
    auto it = m.find(name);
    return it == m.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> real_, cpu_, counters_;
};

// Repetitions of the benchmarks run in a random interleaved order unless the command line says
// otherwise: on a shared machine, a burst of load then spreads over the runs being compared instead
// of landing on one of them.
inline void interleaveRepetitionsByDefault(int& argc, char**& argv) {
  static std::vector<char*> args;
  static char flag[] = "--benchmark_enable_random_interleaving=true";
  args.assign(argv, argv + argc);
  for (char* a : args)
    if (std::string_view(a).starts_with("--benchmark_enable_random_interleaving")) return;
  args.insert(args.begin() + 1, flag);
  args.push_back(nullptr);
  argc = static_cast<int>(args.size()) - 1;
  argv = args.data();
}

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  explicit SummaryReporter(std::function<void(const RunTimes&)> summary) : summary_(std::move(summary)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (!run.error_occurred && !run.report_big_o && !run.report_rms) times_.record(run);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    summary_(times_);
  }

 private:
  std::function<void(const RunTimes&)> summary_;
  RunTimes times_;
};
