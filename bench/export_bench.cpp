// Export time for grids of M6 counterbored holes (ISO 4762: counterbore 11 x 6.4 over a 6.6 bore,
// 118 degree point, in a block 20 mm thick): disjoint grids on a 15 mm pitch from 100 to 10 000
// holes, and grids on a 10 x 6 mm pitch whose counterbores and bores overlap, at 100, 400 and
// 1 600 holes. Each benchmark's second argument is the number of workers (1, or 0 for every
// core). Reported against baselines measured in the same run:
//   - each size against the size ten (or four) times smaller: linear growth gives 10 (or 4);
//   - each size against one hole exported on its own: the cost of N holes in holes;
//   - overlapping against disjoint at the same size: the cost of a hole that meets its
//     neighbours against one that does not;
//   - every core against one worker (the "real x" column: wall time).
//
// The 1 600-hole runs are there to compare with other CAD systems (bench/freecad_peer.py runs
// FreeCAD on the same holes); the 10 000-hole runs take minutes: pick with --benchmark_filter.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "bench/ratio_report.h"
#include "export/export.h"
#include "export/occ_part.h"

namespace {

using namespace cavix::exporter;
namespace bench = cavix::bench;

constexpr double kThickness = 20;

// Counterbore 11 x 6.4 over a 6.6 bore 10 mm long, with a 118 degree point: blind in 20 mm.
ProfileChain M6Counterbore() {
  const double r = 3.3, l = 10, lc = 6.4;
  const double h = r / std::tan(118.0 / 2 * M_PI / 180);
  return {{0, 0}, {5.5, 0}, {5.5, -lc}, {r, -lc}, {r, -(l + lc)}, {0, -(l + lc + h)}, {0, 0}};
}

// n holes on a 15 mm grid, as square as n allows, in a block just large enough.
PartInput DisjointGrid(int n) {
  const int cols = static_cast<int>(std::ceil(std::sqrt(n)));
  const int rows = (n + cols - 1) / cols;
  PartInput part;
  part.block = {15.0 * cols, 15.0 * rows, kThickness};
  for (int i = 0; i < n; ++i) {
    HoleSolidInput h;
    h.chains = {M6Counterbore()};
    h.position = {7.5 + 15.0 * (i % cols), 7.5 + 15.0 * (i / cols), kThickness};
    part.holes.push_back(h);
  }
  return part;
}

// n holes (a square number of hundreds) on a 10 x 6 mm grid, 10 columns to a 100 x 60 mm block
// of a hundred: counterbores and bores overlap.
PartInput OverlappingGrid(int n) {
  const int side = 10 * static_cast<int>(std::lround(std::sqrt(n / 100.0)));
  PartInput part;
  part.block = {10.0 * side, 6.0 * side, kThickness};
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < side; ++j) {
      HoleSolidInput h;
      h.chains = {M6Counterbore()};
      h.position = {5 + 10.0 * i, 3 + 6.0 * j, kThickness};
      part.holes.push_back(h);
    }
  return part;
}

std::string TempFile(const char* ext) {
  return (std::filesystem::temp_directory_path() /
          ("cavix-bench-" + std::to_string(::getpid()) + ext))
      .string();
}

template <class Export>
void Run(benchmark::State& state, const PartInput& part, const char* ext, Export exportTo) {
  const std::string path = TempFile(ext);
  ExportOptions options;
  options.jobs = static_cast<int>(state.range(1));
  ExportSummary s;
  for (auto _ : state) benchmark::DoNotOptimize(s = exportTo(part, path, options));
  state.counters["holes"] = static_cast<double>(part.holes.size());
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
}

// What `cavix export MODEL OUT.step` costs past reading the model: cut, check, volume, file.
void BM_StepDisjoint(benchmark::State& state) {
  Run(state, DisjointGrid(static_cast<int>(state.range(0))), ".step", ExportStep);
}
void BM_StlDisjoint(benchmark::State& state) {
  Run(state, DisjointGrid(static_cast<int>(state.range(0))), ".stl", ExportStl);
}
void BM_StepOverlapping(benchmark::State& state) {
  Run(state, OverlappingGrid(static_cast<int>(state.range(0))), ".step", ExportStep);
}
void BM_StlOverlapping(benchmark::State& state) {
  Run(state, OverlappingGrid(static_cast<int>(state.range(0))), ".stl", ExportStl);
}

// What a 3D view does after a drop: one more hole cut out of a part of N holes already cut, with
// the part's faces merged (argument 1) or split at the tiles' seams (0). Each iteration places a
// small M3 counterbore at another corner between four holes of the grid.
void BM_CutOneMore(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const PartInput part = DisjointGrid(n);
  CutOptions options;
  options.mergeFaces = state.range(1) != 0;
  CutResult cut = CutHoles(part, options);
  const int cols = static_cast<int>(std::ceil(std::sqrt(n)));
  const int rows = (n + cols - 1) / cols;
  HoleSolidInput extra;
  extra.chains = {{{0, 0}, {3.2, 0}, {3.2, -3.4}, {1.7, -3.4}, {1.7, -10}, {0, -11}, {0, 0}}};
  const int corners = std::max(1, (cols - 1) * (rows - 1));
  int next = 0;
  for (auto _ : state) {
    const int corner = next % corners;
    if (next > 0 && corner == 0) {  // every corner has its hole: start again from the grid
      state.PauseTiming();
      cut = CutHoles(part, options);
      state.ResumeTiming();
    }
    extra.position = {15.0 * (1 + corner % std::max(1, cols - 1)),
                      15.0 * (1 + corner / std::max(1, cols - 1)), kThickness};
    CutOneMoreHole(cut, extra, HoleIndex(n + next++));
  }
  state.counters["holes"] = n;
}

// The baseline: the whole export pipeline's cut of a part with a single hole.
void BM_CutOneHole(benchmark::State& state) {
  const PartInput part = DisjointGrid(1);
  for (auto _ : state) benchmark::DoNotOptimize(CutHoles(part));
}

// Process CPU time counts every worker thread: on a shared machine it is the steadier measure of
// the work; the ratios give wall time beside it. Small sizes repeat until the time is steady;
// large ones run once. Arguments: holes, workers (1, or 0 for every core).
void Small(benchmark::internal::Benchmark* b) {
  b->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
  b->ArgsProduct({{1, 10, 100}, {1, 0}});
}
void Large(benchmark::internal::Benchmark* b) {
  b->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);
  b->ArgsProduct({{400, 1000, 1600, 10000}, {1, 0}});
}
void Overlapping(benchmark::internal::Benchmark* b) {
  b->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);
  b->ArgsProduct({{100, 400, 1600}, {1, 0}});
}
BENCHMARK(BM_CutOneHole)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CutOneMore)
    ->ArgsProduct({{10, 100, 1000}, {1, 0}})
    ->Iterations(20)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepDisjoint)->Apply(Small);
BENCHMARK(BM_StepDisjoint)->Apply(Large);
BENCHMARK(BM_StlDisjoint)->Apply(Small);
BENCHMARK(BM_StlDisjoint)->Apply(Large);
BENCHMARK(BM_StepOverlapping)->Apply(Overlapping);
BENCHMARK(BM_StlOverlapping)->Apply(Overlapping);

// The name Google Benchmark gives a run of `kind` with n holes on `jobs` workers.
std::string Name(const std::string& kind, int n, int jobs) {
  const bool once = kind.find("Overlapping") != std::string::npos || n >= 400;
  return kind + "/" + std::to_string(n) + "/" + std::to_string(jobs) +
         (once ? "/iterations:1" : "") + "/process_time/real_time";
}

void Prepare() {
  for (const char* kind : {"BM_StepDisjoint", "BM_StlDisjoint"}) {
    for (int jobs : {1, 0}) {
      auto name = [&](int n) { return Name(kind, n, jobs); };
      // Growth per x10 (linear: 10) and per x4 (linear: 4).
      bench::BaselineOf(name(100), name(10));
      bench::BaselineOf(name(1000), name(100));
      bench::BaselineOf(name(10000), name(1000));
      bench::BaselineOf(name(1600), name(400));
      // Each size against one hole on its own: the cost of N holes in holes.
      for (int n : {100, 400, 1000, 1600, 10000}) bench::BaselineOf(name(n), name(1));
    }
  }
  for (int n : {10, 100, 1000})
    for (int merged : {1, 0})
      bench::BaselineOf("BM_CutOneMore/" + std::to_string(n) + "/" + std::to_string(merged) +
                            "/iterations:20/process_time/real_time",
                        "BM_CutOneHole/process_time/real_time");
  // Overlapping against disjoint holes, as many of them, on the same workers: the ratio of the
  // cost per hole.
  for (const char* kind : {"Step", "Stl"})
    for (int jobs : {1, 0})
      for (int n : {100, 400, 1600})
        bench::BaselineOf(Name(std::string("BM_") + kind + "Overlapping", n, jobs),
                          Name(std::string("BM_") + kind + "Disjoint", n, jobs));
  // Every core against one worker (read the "real x" column).
  for (const char* kind : {"BM_StepDisjoint", "BM_StlDisjoint", "BM_StepOverlapping",
                           "BM_StlOverlapping"})
    for (int n : {100, 400, 1600, 10000})
      if (n != 10000 || std::string(kind).find("Disjoint") != std::string::npos)
        bench::BaselineOf(Name(kind, n, 0), Name(kind, n, 1));
}

}  // namespace

int main(int argc, char** argv) { return bench::RunWithRatios(argc, argv, Prepare); }
