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
#include "bench/scratch.h"
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

// The last size of the list, as the dialog has it after a pick.
FileReadTAB::SelectedSize LastSize() {
  const auto sizes = FileReadTAB::QData(g.ini, g.dataDir, g.entryLine);
  if (sizes.entries.empty()) return {};
  return {sizes.tabFile.value_or(""), true, sizes.entries.back().text,
          sizes.entries.back().itemData};
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
  size_t found = 0;
  for (auto _ : state) found = FileReadTAB::QNorma(g.bigIni, 4, 1).entries.size();
  if (found != 1) state.SkipWithError("QNorma found nothing");
}

void BM_QData(benchmark::State& state) {
  size_t listed = 0;
  for (auto _ : state) listed = FileReadTAB::QData(g.ini, g.dataDir, g.entryLine).entries.size();
  if (static_cast<int>(listed) != g.info.sizes) state.SkipWithError("QData listed the wrong sizes");
}

void BM_QDataLunghezze(benchmark::State& state) {
  const FileReadTAB::SelectedSize size = LastSize();
  if (!size.selected) state.SkipWithError("no sizes");
  size_t lengths = 0;
  for (auto _ : state) lengths = FileReadTAB::QDataLunghezze(g.dataDir, size).entries.size();
  if (lengths != 4) state.SkipWithError("QDataLunghezze found no lengths");
}

void BM_QMisuraVariabili(benchmark::State& state) {
  std::array<double, 21> row{};
  for (auto _ : state) {
    // A length that no row has exactly, so the whole size is compared.
    if (FileReadTAB::QMisuraVariabili(g.tab, g.info.lastKey, "0.1", row).status !=
        FileReadTAB::SizeRow::Found)
      state.SkipWithError("QMisuraVariabili found no row");
  }
}

void BM_QDataIncasso(benchmark::State& state) {
  const FileReadTAB::SelectedSize size = LastSize();
  for (auto _ : state) benchmark::DoNotOptimize(FileReadTAB::QDataIncasso(g.dataDir, size));
}

void BM_QDataThread(benchmark::State& state) {
  const FileReadTAB::SelectedSize size = LastSize();
  for (auto _ : state) benchmark::DoNotOptimize(FileReadTAB::QDataThread(g.dataDir, size));
}

void Prepare() {
  g.dir = bench::ScratchFolder("tables");
  fs::create_directories(g.dir / "Tab");
  g.dataDir = (g.dir / "Tab").string() + "/";
  g.tab = g.dataDir + "big.tab";
  g.ini = (g.dir / "Cavix.ini").string();
  g.bigIni = (g.dir / "Big.ini").string();
  g.info = bench::WriteTab(g.tab, TableBytes());
  bench::WriteIni(g.ini, 0, "big.tab");
  bench::WriteIni(g.bigIni, TableBytes(), "big.tab");
  const auto standards = FileReadTAB::QNorma(g.ini, 1, 0);
  if (standards.entries.size() == 1) g.entryLine = standards.entries[0].itemData;

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
  return bench::RunWithRatios(argc, argv, Prepare);
}
