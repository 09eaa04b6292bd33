// The standards table queries on a generated 100 MB TAB file and a 100 MB INI file, each against
// a plain line-by-line read of the same file measured in the same run. Every query here has to
// read its whole file (the wanted size or section is the last one), as the baseline does.
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/big_tables.h"
#include "bench/ratio_report.h"
#include "forms/list_control.h"
#include "forms/message_box.h"
#include "runtime/text_file.h"
#include "standards/file_read_tab.h"

namespace fs = std::filesystem;
using namespace cavix;

namespace {

// The TAB queries take their table from a family INI of the usual size; QNorma reads the 100 MB
// INI, whose wanted section comes last.
struct Files {
  fs::path dir;
  std::string dataDir, ini, bigIni, tab;
  bench::TabInfo info;
  int entryLine = 0;  // the INI line of the generated table's entry, as QNorma lists it
};
Files g;

int64_t TableBytes() {
  const char* mb = std::getenv("CAVIX_BENCH_TABLE_MB");
  return (mb ? std::atoll(mb) : 100) * 1000 * 1000;
}

// The plain read: every line of the file with std::getline, nothing done with it.
void PlainLineRead(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    size_t lines = 0;
    while (std::getline(in, line)) ++lines;
    benchmark::DoNotOptimize(lines);
  }
}

// The sizes list with the last size selected, as the dialog has it after a pick.
forms::ListModel SizesWithLastSelected() {
  forms::ListModel sizes;
  std::string ini = g.ini;
  FileReadTAB::QData(ini, g.dataDir, g.entryLine, sizes);
  if (sizes.ListCount() == 0) return sizes;
  sizes.SetListIndex(sizes.ListCount() - 1);
  return sizes;
}

void BM_PlainLineReadTab(benchmark::State& s) { PlainLineRead(s, g.tab); }
void BM_PlainLineReadIni(benchmark::State& s) { PlainLineRead(s, g.bigIni); }
void BM_TextReaderTab(benchmark::State& state) {
  for (auto _ : state) {
    rt::TextReader in(g.tab);
    std::string line;
    while (in.ReadLine(line)) benchmark::DoNotOptimize(line);
  }
}

void BM_QNorma(benchmark::State& state) {
  forms::ListModel standards;
  for (auto _ : state) FileReadTAB::QNorma(g.bigIni, 4, 1, standards);
  if (standards.ListCount() != 1) state.SkipWithError("QNorma found nothing");
}

void BM_QData(benchmark::State& state) {
  forms::ListModel sizes;
  for (auto _ : state) {
    std::string ini = g.ini;
    FileReadTAB::QData(ini, g.dataDir, g.entryLine, sizes);
  }
  if (sizes.ListCount() != g.info.sizes) state.SkipWithError("QData listed the wrong sizes");
}

void BM_QDataLunghezze(benchmark::State& state) {
  const forms::ListModel sizes = SizesWithLastSelected();
  if (sizes.ListIndex() < 0) state.SkipWithError("no sizes");
  forms::ListModel lengths;
  for (auto _ : state) FileReadTAB::QDataLunghezze(g.dataDir, sizes, lengths);
  if (lengths.ListCount() != 4) state.SkipWithError("QDataLunghezze found no lengths");
}

void BM_QMisuraVariabili(benchmark::State& state) {
  std::array<double, 21> row{};
  for (auto _ : state) {
    // A length that no row has exactly, so the whole size is compared.
    if (!FileReadTAB::QMisuraVariabili(g.tab, g.info.lastKey, "0.1", row))
      state.SkipWithError("QMisuraVariabili found no row");
  }
}

void BM_QDataIncasso(benchmark::State& state) {
  const forms::ListModel sizes = SizesWithLastSelected();
  for (auto _ : state) {
    std::string a, b;
    FileReadTAB::QDataIncasso(g.dataDir, sizes, a, b);
    benchmark::DoNotOptimize(a);
  }
}

void BM_QDataThread(benchmark::State& state) {
  const forms::ListModel sizes = SizesWithLastSelected();
  for (auto _ : state) {
    std::string a, b;
    FileReadTAB::QDataThread(g.dataDir, sizes, a, b);
    benchmark::DoNotOptimize(a);
  }
}

void Prepare() {
  g.dir = fs::temp_directory_path() / ("cavix-bench-tables-" + std::to_string(::getpid()));
  fs::create_directories(g.dir / "Tab");
  g.dataDir = (g.dir / "Tab").string() + "/";
  g.tab = g.dataDir + "big.tab";
  g.ini = (g.dir / "Cavix.ini").string();
  g.bigIni = (g.dir / "Big.ini").string();
  g.info = bench::WriteTab(g.tab, TableBytes());
  bench::WriteIni(g.ini, 0, "big.tab");
  bench::WriteIni(g.bigIni, TableBytes(), "big.tab");
  forms::ListModel standards;
  FileReadTAB::QNorma(g.ini, 1, 0, standards);
  if (standards.ListCount() == 1) g.entryLine = standards.ItemData(0);
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(g.dir, ec);
  });

  const auto unit = benchmark::kMillisecond;
  benchmark::RegisterBenchmark("PlainLineReadTab", BM_PlainLineReadTab)->Unit(unit);
  benchmark::RegisterBenchmark("PlainLineReadIni", BM_PlainLineReadIni)->Unit(unit);
  benchmark::RegisterBenchmark("TextReaderTab", BM_TextReaderTab)->Unit(unit);
  benchmark::RegisterBenchmark("QNorma", BM_QNorma)->Unit(unit);
  benchmark::RegisterBenchmark("QData", BM_QData)->Unit(unit);
  benchmark::RegisterBenchmark("QDataLunghezze", BM_QDataLunghezze)->Unit(unit);
  benchmark::RegisterBenchmark("QMisuraVariabili", BM_QMisuraVariabili)->Unit(unit);
  benchmark::RegisterBenchmark("QDataIncasso", BM_QDataIncasso)->Unit(unit);
  benchmark::RegisterBenchmark("QDataThread", BM_QDataThread)->Unit(unit);
  bench::BaselineOf("TextReaderTab", "PlainLineReadTab");
  bench::BaselineOf("QNorma", "PlainLineReadIni");
  for (const char* q : {"QData", "QDataLunghezze", "QMisuraVariabili", "QDataIncasso",
                        "QDataThread"})
    bench::BaselineOf(q, "PlainLineReadTab");
}

}  // namespace

int main(int argc, char** argv) {
  forms::SetMessageService(nullptr);  // a failed query is recorded, and the check above says so
  return bench::RunWithRatios(argc, argv, Prepare);
}
