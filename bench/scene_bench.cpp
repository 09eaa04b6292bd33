// Hole creation and the model file at scale: Create of 1 000, 10 000 and 100 000 tapped
// counterbored holes in one scene (the growth from size to size should be linear), and saving and
// loading a model of 10 000 holes against serialising and parsing the same JSON document alone.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/ratio_report.h"
#include "fuzz/private_install.h"
#include "hole_objects/hole.h"
#include "runtime/regional.h"
#include "scene/model_file.h"

namespace fs = std::filesystem;
using namespace cavix;

namespace {

fs::path g_root;
std::unique_ptr<fuzz::PrivateInstall> g_install;
std::unique_ptr<scene::Scene> g_model10k;  // for the model file benchmarks
std::string g_modelPath, g_modelText;
nlohmann::ordered_json g_modelDoc;

// Places `count` M8 tapped blind counterbored holes on the main part of `model`, on a grid.
void PlaceHoles(scene::Scene& model, int count) {
  for (int i = 0; i < count; ++i) {
    scene::Shape& shape = model.AddDroppedShape(
        {0, 0, -1}, {1.0 + (i % 300) * 0.3, 1.0 + (i / 300 % 300) * 0.2, 20});
    holes::HoleCBore hole;
    hole.SetDiametro(8);
    hole.SetLunghezza(16);
    hole.SetLungFiletto(16);
    hole.SetpassoFiletto(1.25);
    hole.SetangPunta(118);
    hole.SetHToll(0);
    hole.SetisThread(true);
    hole.SetisThrough(false);
    hole.SetNormativa("ISO 262 / DIN 974-1");
    hole.SetCodice("M8");
    hole.SetFileData("iso4762_cbore_thread.tab");
    hole.SetDiamIncasso(14);
    hole.SetLungIncasso(8.6);
    hole.Create(shape);
  }
}

void BM_CreateHoles(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto model = g_install->NewScene();
    state.ResumeTiming();
    PlaceHoles(*model, count);
    state.PauseTiming();
    if (static_cast<int>(model->BoundShapes().size()) != count) state.SkipWithError("holes missing");
    model.reset();  // tearing a big scene down is not part of Create
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_ModelText(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(scene::ModelText(*g_model10k));
}
void BM_SaveModel(benchmark::State& state) {
  for (auto _ : state) scene::SaveModel(*g_model10k, g_modelPath);
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

void Prepare() {
  rt::SetRegional(rt::RegionalFor("en_US"));
  g_root = fs::temp_directory_path() / ("cavix-bench-scene-" + std::to_string(::getpid()));
  g_install = std::make_unique<fuzz::PrivateInstall>(CAVIX_BENCH_DATA, g_root / "appl");
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(g_root, ec);
  });
  g_model10k = g_install->NewScene();
  PlaceHoles(*g_model10k, 10000);
  g_modelPath = (g_root / "model10k.cvx").string();
  scene::SaveModel(*g_model10k, g_modelPath);
  g_modelText = scene::ModelText(*g_model10k);
  g_modelDoc = scene::ModelToJson(*g_model10k);

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
}

}  // namespace

int main(int argc, char** argv) { return bench::RunWithRatios(argc, argv, Prepare); }
