// Fuzz target: a standards family's INI file (fuzzed) listed by QNorma for every hole type and
// thread state, and each listed entry's TAB file opened by QData.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "standards/file_read_tab.h"

using namespace cavix;

namespace {

struct Family {
  std::string ini, dataDir;
  Family() {
    const auto dir = fuzz::ScratchDir() / "ini";
    std::filesystem::create_directories(dir / "Tab");
    fuzz::WriteText(dir / "Tab" / "a.tab",
                    "@ Size | D | L\r\n  M3 | 3 | 6\r\n  M3 | 3 | 9\r\n  M4 | 4 | 8\r\n");
    ini = (dir / "Cavix.ini").string();
    dataDir = (dir / "Tab").string() + "/";
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Family family;
  fuzz::WriteBytes(family.ini, data, size);

  for (int holeType = 1; holeType <= 4; ++holeType) {
    for (int thread = 0; thread <= 1; ++thread) {
      const auto standards = FileReadTAB::QNorma(family.ini, holeType, thread);
      for (size_t i = 0; i < standards.entries.size() && i < 8; ++i)
        FileReadTAB::QData(family.ini, family.dataDir, standards.entries[i].itemData);
    }
  }
  // Line numbers the queries did not hand out: before the file, past its end, a comment line.
  for (int line : {0, 1, 2, 1000000}) FileReadTAB::QData(family.ini, family.dataDir, line);
  return 0;
}
