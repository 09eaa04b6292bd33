// A console reporter that also prints, after the run, each measurement divided by the baseline
// measured in the same run: every benchmark declares its baseline with BaselineOf().
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace cavix::bench {

// Pairs (measured, baseline) of benchmark names, arguments included, in the order declared.
inline std::vector<std::pair<std::string, std::string>>& Baselines() {
  static std::vector<std::pair<std::string, std::string>> pairs;
  return pairs;
}
inline void BaselineOf(const std::string& measured, const std::string& baseline) {
  Baselines().emplace_back(measured, baseline);
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
      const double perSecond = benchmark::GetTimeUnitMultiplier(r.time_unit);
      real_[r.benchmark_name()] = r.GetAdjustedRealTime() / perSecond;
      cpu_[r.benchmark_name()] = r.GetAdjustedCPUTime() / perSecond;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    // CPU time is the fairer measure on a shared machine; both are shown.
    std::printf("\n%-60s %10s %10s %8s %8s\n", "measured / baseline", "cpu s", "base cpu s",
                "cpu x", "real x");
    for (const auto& [measured, baseline] : Baselines()) {
      const auto m = cpu_.find(measured), b = cpu_.find(baseline);
      if (m == cpu_.end() || b == cpu_.end() || b->second <= 0) continue;
      std::printf("%-60s %10.4f %10.4f %8.2f %8.2f\n", (measured + " / " + baseline).c_str(),
                  m->second, b->second, m->second / b->second,
                  real_[measured] / real_[baseline]);
    }
    std::fflush(stdout);
  }

 private:
  std::map<std::string, double> real_, cpu_;
};

// main() of a benchmark program whose set-up (generated files, baselines) is `prepare`.
template <class Prepare>
int RunWithRatios(int argc, char** argv, Prepare prepare) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  prepare();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace cavix::bench
