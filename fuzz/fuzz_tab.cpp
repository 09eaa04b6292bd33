// Fuzz target: a TAB file (fuzzed) read by every query a dialog runs on it: the sizes (QData),
// the lengths of each size, the recess and thread columns, and the row nearest to each length.
#include <array>
#include <cstdint>
#include <string>

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
  fuzz::WriteBytes(family.tab, data, size);

  const auto sizes = FileReadTAB::QData(family.ini, family.dataDir, 2);
  std::array<double, 21> row{};
  // The first two sizes, one from the middle and the last: enough for every kind of row, and
  // few enough passes over the file for the fuzzer to stay quick on big inputs.
  const int n = static_cast<int>(sizes.entries.size());
  for (int i : {0, 1, n / 2, n - 1}) {
    if (i < 0 || i >= n) continue;
    const auto& size = sizes.entries[static_cast<size_t>(i)];
    const FileReadTAB::SelectedSize selected{sizes.tabFile.value_or(""), true, size.text,
                                             size.itemData};
    const auto lengths = FileReadTAB::QDataLunghezze(family.dataDir, selected);
    for (size_t k = 0; k < lengths.entries.size() && k < 4; ++k)
      FileReadTAB::QMisuraVariabili(family.tab, size.text, lengths.entries[k].text, row);
    FileReadTAB::QMisuraVariabili(family.tab, size.text, "", row);
    FileReadTAB::QDataIncasso(family.dataDir, selected);
    FileReadTAB::QDataThread(family.dataDir, selected);
  }
  // A size the file does not have, and a row too short for the whole size row.
  FileReadTAB::QMisuraVariabili(family.tab, "M3", "6", std::span<double>(row.data(), 3));
  return 0;
}
