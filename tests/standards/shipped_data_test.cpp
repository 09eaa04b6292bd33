// The shipped standards families: every section, standard, size and length loads through the
// queries the dialog uses, the checker finds nothing, and sampled rows hold the published values.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "hole_objects/hole_kinds.h"
#include "runtime/number_text.h"
#include "standards/file_read_tab.h"
#include "standards/table_check.h"

namespace cavix {
namespace {

using namespace FileReadTAB;

const std::string kShipped = CAVIX_SHIPPED_STANDARDS;

struct Family {
  std::string ini;
  std::string data;
};
Family FamilyAt(const std::string& name) {
  return {kShipped + name + "/Cavix.ini", kShipped + name + "/Tab/"};
}

class ShippedFamily : public ::testing::TestWithParam<std::string> {};

TEST_P(ShippedFamily, PassesTheChecker) {
  const Family f = FamilyAt(GetParam());
  for (const auto& finding : tablecheck::CheckFamily(f.ini, f.data)) {
    ADD_FAILURE() << tablecheck::FormatFinding(finding);
  }
}

// Walks the dialog's path for every section, standard, size and length, and checks that what it
// gets back makes a buildable hole.
TEST_P(ShippedFamily, EverySizeLoadsInEverySection) {
  const Family f = FamilyAt(GetParam());
  int sizesSeen = 0;
  for (int type = 1; type <= 4; ++type) {
    for (int thread = 0; thread <= 1; ++thread) {
      SCOPED_TRACE("section [" + std::to_string(type) + " " + std::to_string(thread) + "]");
      const StandardsListing standards = QNorma(f.ini, type, thread);
      ASSERT_EQ(standards.status, 0);
      ASSERT_GT(standards.entries.size(), 0u);
      const holes::HoleKind& kind = *holes::FindHoleKind(static_cast<int16_t>(type));
      for (const auto& standard : standards.entries) {
        SCOPED_TRACE(standard.text);
        const SizeListing sizes = QData(f.ini, f.data, standard.itemData);
        ASSERT_EQ(sizes.status, 0);
        ASSERT_FALSE(sizes.error);
        EXPECT_GE(sizes.entries.size(), 4u);
        for (const Entry& size : sizes.entries) {
          SCOPED_TRACE(size.text);
          ++sizesSeen;
          const SelectedSize selected{*sizes.tabFile, true, size.text, size.itemData};
          const Listing lengths = QDataLunghezze(f.data, selected);
          ASSERT_FALSE(lengths.error);
          ASSERT_GE(lengths.entries.size(), 1u);

          std::pair<std::string, std::string> recess, threadValues;
          if (kind.HasRecess()) recess = QDataIncasso(f.data, selected).values.value();
          if (thread) threadValues = QDataThread(f.data, selected).values.value();

          for (const auto& length : lengths.entries) {
            std::array<double, 21> row{};
            ASSERT_EQ(QMisuraVariabili(f.data + selected.tabFile, size.text, length.text, row)
                          .status,
                      SizeRow::Found);
            EXPECT_EQ(row[1], rt::Val(length.text));  // each listed length has its own row
            const double d = row[0];
            EXPECT_GT(d, 0);
            const double allowance = row[static_cast<size_t>(kind.allowanceColumn)];
            if (thread) {
              const double p = rt::Val(threadValues.second);
              EXPECT_GT(p, 0);
              EXPECT_LT(p, d / 2);
              EXPECT_GT(rt::Val(threadValues.first), 0);
            } else {
              EXPECT_GE(allowance, 0);
              EXPECT_LT(allowance, 0.4 * d);
            }
            if (kind.HasRecess()) {
              // The recess is wider than the widest bore beneath it.
              EXPECT_GT(rt::Val(recess.first), d + allowance);
              EXPECT_EQ(row[2], rt::Val(recess.first));
            }
            if (kind.Has(holes::kRecessDepth)) {
              EXPECT_GT(rt::Val(recess.second), 0);
            }
          }
        }
      }
    }
  }
  EXPECT_GT(sizesSeen, 50);
}

INSTANTIATE_TEST_SUITE_P(Families, ShippedFamily, ::testing::Values("ISO", "UNC"));

// ---- Published values ----

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
      {"ISO", 1, 0, "ISO 273 fine", "6", {{0, 6}, {2, 0.4}}},
      {"ISO", 1, 0, "ISO 273 medium", "6", {{0, 6}, {2, 0.6}}},
      {"ISO", 1, 0, "ISO 273 coarse", "10", {{0, 10}, {2, 2.0}}},
      {"ISO", 1, 0, "ISO 273 medium", "10", {{0, 10}, {2, 1.0}}},
      {"ISO", 1, 0, "ISO 2306 tap drill", "10", {{0, 8.5}}},
      // ISO 262 coarse pitch (entry 3) and ISO 2306 tap drill (entry 4); DIN 76-1 e1 (entry 2).
      {"ISO", 1, 1, "ISO 262 coarse", "M6", {{0, 6}, {2, 5.1}, {3, 1.0}, {4, 5.0}}},
      {"ISO", 1, 1, "ISO 262 coarse", "M10", {{0, 10}, {2, 7.3}, {3, 1.5}, {4, 8.5}}},
      {"ISO", 1, 1, "ISO 261 fine", "M10x1.25", {{0, 10}, {3, 1.25}, {4, 8.75}}},
      // DIN 974-1 counterbores for ISO 4762: diameter, depth k + z, medium clearance.
      {"ISO", 2, 0, "ISO 4762 / DIN 974-1 medium", "6", {{2, 11}, {3, 6.4}, {4, 0.6}}},
      {"ISO", 2, 0, "ISO 4762 / DIN 974-1 medium", "10", {{2, 18}, {3, 10.6}, {4, 1.0}}},
      {"ISO", 4, 1, "ISO 262 / DIN 974-1", "M10", {{2, 18}, {3, 10.6}, {6, 1.5}, {7, 8.5}}},
      // DIN 74 Form F countersinks for ISO 10642.
      {"ISO", 3, 0, "ISO 10642 / DIN 74-F", "6", {{2, 13.71}, {3, 0.6}}},
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
