// Export time for grids of M6 counterbored holes: disjoint grids of growing size, to see that the
// one-boolean cut grows about linearly, and the overlapping 10 x 6 mm grid.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "export/export.h"
#include "export/occ_part.h"

namespace {

using namespace cavix::exporter;

// ISO 4762 M6 counterbore (11 x 6.4) over a 6.6 bore 15 deep with a 118 degree point.
ProfileChain M6Counterbore() {
  const double r = 3.3, l = 15, lc = 6.4;
  const double h = r / std::tan(118.0 / 2 * M_PI / 180);
  return {{0, 0}, {5.5, 0}, {5.5, -lc}, {r, -lc}, {r, -(l + lc)}, {0, -(l + lc + h)}, {0, 0}};
}

// n blind holes on a 15 mm grid, as square as n allows, in a block just large enough.
PartInput DisjointGrid(int n) {
  const int cols = static_cast<int>(std::ceil(std::sqrt(n)));
  const int rows = (n + cols - 1) / cols;
  PartInput part;
  part.block = {15.0 * cols, 15.0 * rows, 30};
  for (int i = 0; i < n; ++i) {
    HoleSolidInput h;
    h.chains = {M6Counterbore()};
    h.position = {7.5 + 15.0 * (i % cols), 7.5 + 15.0 * (i / cols), 30};
    part.holes.push_back(h);
  }
  return part;
}

// 100 holes on a 10 x 6 mm grid of a 100 x 60 x 20 block: counterbores and bores overlap.
PartInput OverlappingGrid() {
  PartInput part;
  part.block = {100, 60, 20};
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j) {
      HoleSolidInput h;
      h.chains = {M6Counterbore()};
      h.position = {5 + 10.0 * i, 3 + 6.0 * j, 20};
      part.holes.push_back(h);
    }
  return part;
}

std::string TempStep() {
  return (std::filesystem::temp_directory_path() /
          ("cavix-bench-" + std::to_string(::getpid()) + ".step"))
      .string();
}

void Report(benchmark::State& state, const PartInput& part) {
  state.counters["holes"] = static_cast<double>(part.holes.size());
}

// The cut and its validity check alone.
void BM_CutDisjoint(benchmark::State& state) {
  const PartInput part = DisjointGrid(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(CutPart(part));
  Report(state, part);
}

// Cut, check, volume and STEP file: what `cavix export MODEL OUT.step` costs.
void BM_StepDisjoint(benchmark::State& state) {
  const PartInput part = DisjointGrid(static_cast<int>(state.range(0)));
  const std::string path = TempStep();
  for (auto _ : state) benchmark::DoNotOptimize(ExportStep(part, path));
  std::filesystem::remove(path);
  Report(state, part);
}

void BM_CutOverlapping(benchmark::State& state) {
  const PartInput part = OverlappingGrid();
  for (auto _ : state) benchmark::DoNotOptimize(CutPart(part));
  Report(state, part);
}

void BM_StepOverlapping(benchmark::State& state) {
  const PartInput part = OverlappingGrid();
  const std::string path = TempStep();
  for (auto _ : state) benchmark::DoNotOptimize(ExportStep(part, path));
  std::filesystem::remove(path);
  Report(state, part);
}

// Process CPU time counts the kernel's worker threads too: on a shared machine it is the
// steadier measure of the algorithm, and wall time shows what a user waits.
BENCHMARK(BM_CutDisjoint)
    ->Arg(10)
    ->Arg(100)
    ->Arg(400)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepDisjoint)
    ->Arg(10)
    ->Arg(100)
    ->Arg(400)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CutOverlapping)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepOverlapping)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
