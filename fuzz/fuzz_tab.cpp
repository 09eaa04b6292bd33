// Fuzz target: a TAB file (fuzzed) read by every query a dialog runs on it: the sizes (QData),
// the lengths of each size, the recess and thread columns, and the row nearest to each length.
#include <array>
#include <cstdint>
#include <string>

#include "forms/list_control.h"
#include "fuzz/fuzz_support.h"
#include "standards/file_read_tab.h"

using namespace cavix;

namespace {

struct Family {
  std::string ini, dataDir, tab;
  Family() {
    const auto dir = fuzz::ScratchDir() / "tab";
    std::filesystem::create_directories(dir / "Tab");
    fuzz::WriteText(dir / "Cavix.ini", "[1 0] plain\r\n\"f.tab\" \"Fuzzed\"\r\n[END]\r\n");
    ini = (dir / "Cavix.ini").string();
    dataDir = (dir / "Tab").string() + "/";
    tab = dataDir + "f.tab";
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Family family;
  fuzz::InstallSilentMessages();
  fuzz::WriteBytes(family.tab, data, size);

  forms::ListModel sizes, lengths;
  std::string iniPath = family.ini;
  FileReadTAB::QData(iniPath, family.dataDir, 2, sizes);
  std::array<double, 21> row{};
  // The first two sizes, one from the middle and the last: enough for every kind of row, and
  // few enough passes over the file for the fuzzer to stay quick on big inputs.
  const int n = sizes.ListCount();
  for (int i : {0, 1, n / 2, n - 1}) {
    if (i < 0 || i >= n) continue;
    sizes.SetListIndex(i);
    FileReadTAB::QDataLunghezze(family.dataDir, sizes, lengths);
    for (int k = 0; k < lengths.ListCount() && k < 4; ++k) {
      FileReadTAB::QMisuraVariabili(family.tab, sizes.List(i), lengths.List(k), row);
    }
    FileReadTAB::QMisuraVariabili(family.tab, sizes.List(i), "", row);
    std::string v1, v2;
    FileReadTAB::QDataIncasso(family.dataDir, sizes, v1, v2);
    FileReadTAB::QDataThread(family.dataDir, sizes, v1, v2);
  }
  // A size the file does not have, and a row too short for the whole size row.
  FileReadTAB::QMisuraVariabili(family.tab, "M3", "6", std::span<double>(row.data(), 3));
  return 0;
}
