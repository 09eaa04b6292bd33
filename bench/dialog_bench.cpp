// A whole dialog session as a user has it (drop on a new model, pick the hole type, the thread
// state, the size, OK) with the shipped standards tables, and with the tapped counterbore table
// replaced by a generated 100 MB one; baseline: a plain line read of that 100 MB file.
// Typing: a keys action of 10 000 and of 100 000 characters into a text box, then Cancel; the
// longer one against the shorter, which is about ten when typing costs the same for every key.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "actions/holes.h"
#include "bench/big_tables.h"
#include "bench/ratio_report.h"
#include "bench/scratch.h"
#include "forms/script.h"
#include "fuzz/private_install.h"
#include "runtime/regional.h"

namespace fs = std::filesystem;
using namespace cavix;

namespace {

fs::path g_root;
std::unique_ptr<fuzz::PrivateInstall> g_shipped, g_big;
std::string g_bigTable, g_bigScript;

const char* kShippedScript =
    "click OptHoleType(1)\ncheck ToggleFiletto 1\ncheck TogglePassante 0\n"
    "select Misura M8\nselect Lunghezza 16\nclick OKButton\n";

// Drops the catalog item on `shape`, its dialog answered by `script`.
void Drop(actions::Workspace& work, scene::Shape& shape, const forms::Script& script,
          std::ostream& out, std::ostream& diag) {
  actions::DialogPlayer(script, out, diag).Run(work.AddIn(),
                                                [&] { work.Model().DropCatalogEntry(shape); });
}

void Session(benchmark::State& state, const fuzz::PrivateInstall& install,
             const std::string& scriptText) {
  const forms::Script script = forms::ParseScript(scriptText, "session");
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(install.PrefsFile());  // every session starts from the same state
    auto work = install.NewModel();
    scene::Shape& shape = work->Model().AddDroppedShape({0, 0, -1}, {50, 30, 20});
    state.ResumeTiming();
    std::ostringstream out, diag;
    Drop(*work, shape, script, out, diag);
    if (shape.BindingTag().empty()) state.SkipWithError(("no hole was placed: " + out.str()).c_str());
  }
}

void BM_SessionShippedTables(benchmark::State& s) { Session(s, *g_shipped, kShippedScript); }

// `control` is typed into: the length (no key filter) or the counterbore depth (numbers only).
void Typing(benchmark::State& state, const char* control) {
  const forms::Script script =
      forms::ParseScript(std::string("click OptHoleType(1)\nkeys ") + control + " " +
                             std::string(static_cast<size_t>(state.range(0)), '1') + "\nclose\n",
                         "typing");
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(g_shipped->PrefsFile());
    auto work = g_shipped->NewModel();
    scene::Shape& shape = work->Model().AddDroppedShape({0, 0, -1}, {50, 30, 20});
    state.ResumeTiming();
    std::ostringstream out, diag;
    Drop(*work, shape, script, out, diag);
    if (!diag.str().empty()) state.SkipWithError(diag.str().substr(0, 200).c_str());
  }
}
void BM_TypeLength(benchmark::State& s) { Typing(s, "Lunghezza"); }
void BM_TypeRecessDepth(benchmark::State& s) { Typing(s, "ProfIncasso"); }
void BM_SessionBigTable(benchmark::State& s) { Session(s, *g_big, g_bigScript); }
void BM_PlainLineReadBigTable(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(g_bigTable, std::ios::binary);
    std::string line;
    size_t lines = 0;
    while (std::getline(in, line)) ++lines;
    benchmark::DoNotOptimize(lines);
  }
}

void Prepare() {
  rt::SetRegional(rt::RegionalFor("en_US"));
  g_root = bench::ScratchFolder("dialog");
  g_shipped = std::make_unique<fuzz::PrivateInstall>(CAVIX_BENCH_DATA, g_root / "shipped");
  g_big = std::make_unique<fuzz::PrivateInstall>(CAVIX_BENCH_DATA, g_root / "big");
  const char* mb = std::getenv("CAVIX_BENCH_TABLE_MB");
  g_bigTable = (g_big->Dir() / "Standards" / "ISO" / "Tab" / "iso4762_cbore_thread.tab").string();
  const bench::TabInfo info = bench::WriteTab(g_bigTable, (mb ? std::atoll(mb) : 100) * 1000000);
  g_bigScript = "click OptHoleType(1)\ncheck ToggleFiletto 1\ncheck TogglePassante 0\n"
                "select Misura " + info.lastKey + "\nclick OKButton\n";

  const auto unit = benchmark::kMillisecond;
  benchmark::RegisterBenchmark("SessionShippedTables", BM_SessionShippedTables)->Unit(unit);
  benchmark::RegisterBenchmark("PlainLineReadBigTable", BM_PlainLineReadBigTable)->Unit(unit);
  benchmark::RegisterBenchmark("SessionBigTable", BM_SessionBigTable)->Unit(unit)->Iterations(2);
  bench::BaselineOf("SessionBigTable/iterations:2", "PlainLineReadBigTable");
  bench::BaselineOf("SessionBigTable/iterations:2", "SessionShippedTables");
  for (const char* name : {"TypeLength", "TypeRecessDepth"}) {
    benchmark::RegisterBenchmark(name, name[4] == 'L' ? BM_TypeLength : BM_TypeRecessDepth)
        ->Arg(10000)
        ->Arg(100000)
        ->Unit(unit);
    bench::BaselineOf(std::string(name) + "/100000", std::string(name) + "/10000");
  }
}

}  // namespace

int main(int argc, char** argv) { return bench::RunWithRatios(argc, argv, Prepare); }
