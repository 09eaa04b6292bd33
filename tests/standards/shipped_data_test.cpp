// Sampled rows of the shipped standards families hold the published values. (That every row of
// them reads as its section needs is checked by `cavix check-tables`, run by the cli tests of
// this folder.)
#include <gtest/gtest.h>

#include <array>

#include "standards/file_read_tab.h"

namespace cavix {
namespace {

using namespace FileReadTAB;

const std::string kShipped = CAVIX_SHIPPED_STANDARDS;

struct Family {
  std::string ini, data;
};
Family FamilyAt(const std::string& name) {
  return {kShipped + name + "/Cavix.ini", kShipped + name + "/Tab/"};
}

// The row of `size` in the first standard of section [type thread] named `standard`.
std::array<double, 21> RowOf(const Family& f, int type, int thread, const std::string& standard,
                             const std::string& size) {
  const StandardsListing standards = QNorma(f.ini, type, thread);
  EXPECT_EQ(standards.status, 0);
  for (const auto& e : standards.entries) {
    if (e.text != standard) continue;
    const SizeListing sizes = QData(f.ini, f.data, e.itemData);
    EXPECT_EQ(sizes.status, 0);
    std::array<double, 21> row{};
    EXPECT_EQ(QMisuraVariabili(f.data + sizes.tabFile.value_or(""), size, "0", row).status,
              SizeRow::Found)
        << size;
    return row;
  }
  ADD_FAILURE() << "no standard " << standard;
  return {};
}

TEST(ShippedValues, RowsMatchThePublishedStandards) {
  struct Case {
    const char* family;
    int type, thread;
    const char* standard;
    const char* size;
    std::vector<std::pair<int, double>> entries;  // (row entry, value)
  };
  const Case cases[] = {
      // ISO 273 clearance: D + allowance.
      {"ISO", 1, 0, "ISO 273 medium", "6", {{0, 6}, {2, 0.6}}},
      {"ISO", 1, 0, "ISO 273 coarse", "10", {{0, 10}, {2, 2.0}}},
      {"ISO", 1, 0, "ISO 2306 tap drill", "10", {{0, 8.5}}},
      // ISO 262 coarse pitch (entry 3) and ISO 2306 tap drill (entry 4); DIN 76-1 e1 (entry 2).
      {"ISO", 1, 1, "ISO 262 coarse", "M10", {{0, 10}, {2, 7.3}, {3, 1.5}, {4, 8.5}}},
      {"ISO", 1, 1, "ISO 261 fine", "M10x1.25", {{0, 10}, {3, 1.25}, {4, 8.75}}},
      // DIN 974-1 counterbores for ISO 4762: diameter, depth k + z, medium clearance.
      {"ISO", 2, 0, "ISO 4762 / DIN 974-1 medium", "10", {{2, 18}, {3, 10.6}, {4, 1.0}}},
      {"ISO", 4, 1, "ISO 262 / DIN 974-1", "M10", {{2, 18}, {3, 10.6}, {6, 1.5}, {7, 8.5}}},
      // DIN 74 Form F countersinks for ISO 10642.
      {"ISO", 3, 0, "ISO 10642 / DIN 74-F", "10", {{2, 22.73}, {3, 1.0}}},
      // Unified sizes in millimetres.
      {"UNC", 1, 1, "UNC", "1/4-20", {{0, 6.35}, {3, 25.4 / 20}, {4, 5.11}}},
      {"UNC", 1, 1, "UNF", "10-32", {{0, 4.826}, {3, 25.4 / 32}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.standard) + " " + c.size);
    const auto row = RowOf(FamilyAt(c.family), c.type, c.thread, c.standard, c.size);
    for (const auto& [entry, value] : c.entries) EXPECT_NEAR(row[entry], value, 1e-4) << entry;
  }
  const auto clearance = RowOf(FamilyAt("UNC"), 1, 0, "ASME B18.2.8 normal", "1/4");
  EXPECT_NEAR(clearance[0] + clearance[2], 7.14, 1e-9);

  // Number sizes begin with a digit, never with "#", which would make the row a comment.
  const Family unc = FamilyAt("UNC");
  const StandardsListing standards = QNorma(unc.ini, 1, 1);
  ASSERT_EQ(standards.status, 0);
  const SizeListing sizes = QData(unc.ini, unc.data, standards.entries.at(0).itemData);
  ASSERT_EQ(sizes.status, 0);
  EXPECT_EQ(sizes.entries.at(0).text, "4-40");
  EXPECT_EQ(sizes.entries.size(), 11u);
}

}  // namespace
}  // namespace cavix
