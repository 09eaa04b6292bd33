// Hole creation and the model file at scale: Create of 1 000, 10 000 and 100 000 tapped
// counterbored holes in one scene (the growth from size to size should be linear); saving and
// loading a model of 10 000 holes against serialising and parsing the same JSON document alone;
// and one drop that places 10, 1 000, 10 000 and 100 000 holes (the most a drop places) through
// the dialog and saves the model, against serialising the model it makes, with the file's size;
// then reading that largest model back.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "actions/holes.h"
#include "actions/placement.h"
#include "bench/ratio_report.h"
#include "bench/scratch.h"
#include "fuzz/private_install.h"
#include "hole_objects/hole.h"
#include "runtime/regional.h"
#include "scene/model_file.h"

namespace fs = std::filesystem;
using namespace cavix;

namespace {

fs::path g_root;
std::unique_ptr<fuzz::PrivateInstall> g_install;
std::unique_ptr<actions::Workspace> g_model10k;  // for the model file benchmarks
std::string g_modelPath, g_modelText;
nlohmann::ordered_json g_modelDoc;

// Places `count` M8 tapped blind counterbored holes on the main part of `model`, on a grid.
void PlaceHoles(scene::Scene& model, int count) {
  for (int i = 0; i < count; ++i) {
    scene::Shape& shape = model.AddDroppedShape(
        {0, 0, -1}, {1.0 + (i % 300) * 0.3, 1.0 + (i / 300 % 300) * 0.2, 20});
    holes::HoleSpec spec = holes::SpecOfKind(holes::kHoleKinds[1]);
    spec.diameter = 8;
    spec.boreLength = spec.threadLength = 16;
    spec.pitch = 1.25;
    spec.pointAngle = 118;
    spec.threaded = true;
    spec.standard = "ISO 262 / DIN 974-1";
    spec.sizeCode = "M8";
    spec.tableFile = "iso4762_cbore_thread.tab";
    spec.recessDiameter = 14;
    spec.recessDepth = 8.6;
    holes::HoleCBore().Create(shape, spec);
  }
}

void BM_CreateHoles(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto model = g_install->NewModel();
    state.ResumeTiming();
    PlaceHoles(model->Model(), count);
    state.PauseTiming();
    if (static_cast<int>(model->Model().BoundShapes().size()) != count)
      state.SkipWithError("holes missing");
    model.reset();  // tearing a big scene down is not part of Create
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_ModelText(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(scene::ModelText(g_model10k->Model()));
}
void BM_SaveModel(benchmark::State& state) {
  for (auto _ : state) scene::SaveModel(g_model10k->Model(), g_modelPath);
}
void BM_DumpJsonDocument(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(g_modelDoc.dump(2));
}
void BM_LoadModel(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(scene::LoadModel(g_modelPath));
}
void BM_ParseJsonDocument(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(nlohmann::ordered_json::parse(g_modelText));
}

const char* kPatternScript =
    "click TabNorme(0)\nclick OptHoleType(1)\ncheck ToggleFiletto 1\ncheck TogglePassante 0\n"
    "select Normativa ISO 262 / DIN 974-1\nselect Misura M8\ntext Lunghezza 16\nclick OKButton\n";

// The placements of an n-hole pattern: rows of 100 holes 2 mm apart on a 400 x 400 plate.
std::vector<actions::Placement> PatternOf(int n) {
  std::vector<actions::Placement> out;
  for (int i = 0; i < n; ++i) out.push_back({{1.0 + (i % 100) * 2, 1.0 + (i / 100) * 2, 20}});
  return out;
}

// One `cavix drop` of an n-hole pattern: the dialog played once, every hole made, the model saved.
void BM_DropPattern(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const forms::Script script = forms::ParseScript(kPatternScript, "pattern");
  const std::vector<actions::Placement> placements = PatternOf(n);
  const std::string path = (g_root / "pattern.cvx").string();
  for (auto _ : state) {
    state.PauseTiming();
    auto w = actions::Workspace::Adopt(scene::Scene::NewModel({400, 400, 20}), path,
                                       g_install->Services());
    std::ostringstream out, diag;
    actions::DialogPlayer player(script, out, diag);
    state.ResumeTiming();
    const actions::DialogOutcome done = actions::Drop(*w, placements, player);
    w->Save();
    if (static_cast<int>(done.holes.size()) != n) state.SkipWithError(("not placed: " + out.str()).c_str());
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["file_MB"] = static_cast<double>(fs::file_size(path)) / (1 << 20);
  if (n == 100000)
    fs::copy_file(path, g_root / "pattern100k.cvx", fs::copy_options::overwrite_existing);
}

// Every command reads the model first: the largest a drop makes must read back.
void BM_LoadPattern100k(benchmark::State& state) {
  const std::string path = (g_root / "pattern100k.cvx").string();
  for (auto _ : state) {
    auto model = scene::LoadModel(path);
    if (model->BoundShapes().size() != 100000) state.SkipWithError("holes missing");
  }
}

// What saving that model costs in text alone.
void BM_PatternModelText(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto w = actions::Workspace::Adopt(scene::Scene::NewModel({400, 400, 20}), "unused",
                                     g_install->Services());
  std::ostringstream out, diag;
  actions::DialogPlayer player(forms::ParseScript(kPatternScript, "pattern"), out, diag);
  actions::Drop(*w, PatternOf(n), player);
  for (auto _ : state) benchmark::DoNotOptimize(w->Text());
}

void Prepare() {
  rt::SetRegional(rt::RegionalFor("en_US"));
  g_root = bench::ScratchFolder("scene");
  g_install = std::make_unique<fuzz::PrivateInstall>(CAVIX_BENCH_DATA, g_root / "appl");
  g_model10k = g_install->NewModel();
  PlaceHoles(g_model10k->Model(), 10000);
  g_modelPath = (g_root / "model10k.cvx").string();
  scene::SaveModel(g_model10k->Model(), g_modelPath);
  g_modelText = scene::ModelText(g_model10k->Model());
  g_modelDoc = scene::ModelToJson(g_model10k->Model());

  const auto unit = benchmark::kMillisecond;
  for (int n : {1000, 10000, 100000})
    benchmark::RegisterBenchmark("CreateHoles", BM_CreateHoles)->Arg(n)->Unit(unit)->Iterations(
        n >= 100000 ? 1 : 3);
  benchmark::RegisterBenchmark("DumpJsonDocument10k", BM_DumpJsonDocument)->Unit(unit);
  benchmark::RegisterBenchmark("ModelText10k", BM_ModelText)->Unit(unit);
  benchmark::RegisterBenchmark("SaveModel10k", BM_SaveModel)->Unit(unit);
  benchmark::RegisterBenchmark("ParseJsonDocument10k", BM_ParseJsonDocument)->Unit(unit);
  benchmark::RegisterBenchmark("LoadModel10k", BM_LoadModel)->Unit(unit);
  bench::BaselineOf("CreateHoles/10000/iterations:3", "CreateHoles/1000/iterations:3");
  bench::BaselineOf("CreateHoles/100000/iterations:1", "CreateHoles/10000/iterations:3");
  bench::BaselineOf("CreateHoles/100000/iterations:1", "CreateHoles/1000/iterations:3");
  bench::BaselineOf("ModelText10k", "DumpJsonDocument10k");
  bench::BaselineOf("SaveModel10k", "DumpJsonDocument10k");
  bench::BaselineOf("LoadModel10k", "ParseJsonDocument10k");
  for (int n : {10, 1000, 10000, 100000}) {
    const int times = n >= 100000 ? 1 : 3;
    benchmark::RegisterBenchmark("DropPattern", BM_DropPattern)
        ->Arg(n)
        ->Unit(unit)
        ->Iterations(times);
    benchmark::RegisterBenchmark("PatternModelText", BM_PatternModelText)->Arg(n)->Unit(unit);
    bench::BaselineOf("DropPattern/" + std::to_string(n) + "/iterations:" + std::to_string(times),
                      "PatternModelText/" + std::to_string(n));
  }
  benchmark::RegisterBenchmark("LoadPattern100k", BM_LoadPattern100k)->Unit(unit)->Iterations(1);
  bench::BaselineOf("LoadPattern100k/iterations:1", "DropPattern/100000/iterations:1");
}

}  // namespace

int main(int argc, char** argv) { return bench::RunWithRatios(argc, argv, Prepare); }
