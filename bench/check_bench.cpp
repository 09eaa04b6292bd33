// The design check at 1 000 holes against one STEP export of the same model, measured in the same
// run: tapped M8 counterbores (8.6 + 12.2 and a point, in a 30 mm plate) 16 mm apart in rows of
// 40 (none meet), and the same holes 12 mm apart, where every neighbour's counterbore cuts into
// the next (the pairs the boxes let through are all decided).
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "actions/design_check.h"
#include "actions/holes.h"
#include "actions/move.h"
#include "bench/ratio_report.h"
#include "bench/scratch.h"
#include "export/scene_export.h"
#include "fuzz/private_install.h"
#include "runtime/regional.h"

namespace fs = std::filesystem;
using namespace cavix;

namespace {

fs::path g_root;
std::unique_ptr<fuzz::PrivateInstall> g_install;
std::unique_ptr<actions::Workspace> g_apart, g_meeting;

const char* kScript =
    "click TabNorme(0)\nclick OptHoleType(1)\ncheck ToggleFiletto 1\ncheck TogglePassante 0\n"
    "select Normativa ISO 262 / DIN 974-1\nselect Misura M8\ntext Lunghezza 6\nclick OKButton\n";

std::unique_ptr<actions::Workspace> Model(double pitch) {
  constexpr int kHoles = 1000, kRow = 40;
  auto w = actions::Workspace::Adopt(
      scene::Scene::NewModel({pitch * kRow + 10, pitch * (kHoles / kRow) + 10, 30}),
      (g_root / "model.cvx").string(), g_install->Services());
  std::vector<actions::Placement> at;
  for (int i = 0; i < kHoles; ++i)
    at.push_back({{5 + pitch * (0.5 + i % kRow), 5 + pitch * (0.5 + i / kRow), 30}});
  std::ostringstream out, diag;
  actions::DialogPlayer player(forms::ParseScript(kScript, "bench"), out, diag);
  if (actions::Drop(*w, at, player).holes.size() != kHoles) std::abort();
  return w;
}

void BM_Check(benchmark::State& state, actions::Workspace* w, size_t findings) {
  for (auto _ : state) {
    const std::vector<actions::Finding> found = actions::CheckModel(w->Model());
    if (found.size() != findings)
      state.SkipWithError(("findings: " + std::to_string(found.size())).c_str());
  }
}

// What a window pays after a change to one hole: the check of that hole against the part and
// every other hole.
void BM_CheckOne(benchmark::State& state, actions::Workspace* w) {
  const std::vector<int32_t> one = {w->Model().BoundShapes()[500]->Id()};
  for (auto _ : state) benchmark::DoNotOptimize(actions::CheckModel(w->Model(), &one));
}

// What the window pays after a hole is moved, with its check kept up to date change by change:
// the move itself is not timed.
void BM_LiveCheckAfterMove(benchmark::State& state, actions::Workspace* w) {
  actions::LiveCheck live;
  live.Update(w->Model());
  scene::Shape* moved = w->Model().BoundShapes()[500];
  const scene::Vec3 home = moved->Position();
  int step = 0;
  for (auto _ : state) {
    state.PauseTiming();
    actions::MoveHoles(w->Model(), {{moved, {{home.x + (++step % 2) * 0.5, home.y, home.z}}}});
    state.ResumeTiming();
    benchmark::DoNotOptimize(live.Update(w->Model()));
  }
  actions::MoveHoles(w->Model(), {{moved, {home}}});
}

void BM_ExportStep(benchmark::State& state, actions::Workspace* w) {
  exporter::ExportOptions options;
  options.jobs = 1;  // the check runs on one thread
  for (auto _ : state)
    exporter::ExportModel(w->Model(), (g_root / "part.step").string(), "bench", options);
}

void Prepare() {
  rt::SetRegional(rt::RegionalFor("en_US"));
  g_root = bench::ScratchFolder("check");
  g_install = std::make_unique<fuzz::PrivateInstall>(CAVIX_BENCH_DATA, g_root / "appl");
  g_apart = Model(16);
  g_meeting = Model(12);
  const auto unit = benchmark::kMillisecond;
  // 40 x 25 holes 12 apart with 14 mm counterbores: 39 x 25 + 40 x 24 neighbours meet.
  benchmark::RegisterBenchmark("Check1000Apart", BM_Check, g_apart.get(), size_t{0})
      ->Unit(unit)->MeasureProcessCPUTime()->UseRealTime();
  benchmark::RegisterBenchmark("Check1000Meeting", BM_Check, g_meeting.get(),
                               size_t{39 * 25 + 40 * 24})
      ->Unit(unit)->MeasureProcessCPUTime()->UseRealTime();
  benchmark::RegisterBenchmark("CheckOneOf1000", BM_CheckOne, g_meeting.get())
      ->Unit(unit)->MeasureProcessCPUTime()->UseRealTime();
  benchmark::RegisterBenchmark("LiveCheckAfterMoveOf1000", BM_LiveCheckAfterMove, g_meeting.get())
      ->Unit(unit)->MeasureProcessCPUTime()->UseRealTime();
  benchmark::RegisterBenchmark("ExportStep1000Apart", BM_ExportStep, g_apart.get())
      ->Unit(unit)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
  // Google Benchmark's names: the benchmark's, then how it is timed.
  auto name = [](const std::string& benchmark) { return benchmark + "/process_time/real_time"; };
  const std::string exported = name("ExportStep1000Apart/iterations:1");
  bench::BaselineOf(name("Check1000Apart"), exported);
  bench::BaselineOf(name("Check1000Meeting"), exported);
  bench::BaselineOf(name("CheckOneOf1000"), name("Check1000Meeting"));
  bench::BaselineOf(name("LiveCheckAfterMoveOf1000"), name("Check1000Meeting"));
}

}  // namespace

int main(int argc, char** argv) { return bench::RunWithRatios(argc, argv, Prepare); }
