// The shipped standards families: every section, standard, size and length loads through the
// queries the dialog uses, the checker finds nothing, and sampled rows hold the published values.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "forms/list_control.h"
#include "runtime/number_text.h"
#include "standards/file_read_tab.h"
#include "standards/table_check.h"
#include "tests/standards/test_support.h"

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

class ShippedFamily : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { testing::TakeMessages(); }
};

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
      forms::ListModel standards;
      ASSERT_EQ(QNorma(f.ini, type, thread, standards), 0);
      ASSERT_GT(standards.ListCount(), 0);
      for (const auto& standard : standards.Entries()) {
        SCOPED_TRACE(standard.text);
        std::string path = f.ini;
        forms::ListModel sizes;
        ASSERT_EQ(QData(path, f.data, standard.itemData, sizes), 0);
        EXPECT_GE(sizes.ListCount(), 4);
        for (int i = 0; i < sizes.ListCount(); ++i) {
          SCOPED_TRACE(sizes.List(i));
          sizes.SetListIndex(i);
          ++sizesSeen;
          forms::ListModel lengths;
          QDataLunghezze(f.data, sizes, lengths);
          ASSERT_GE(lengths.ListCount(), 1);

          std::string recess1, recess2, afterThread, pitch;
          if (type >= 2) QDataIncasso(f.data, sizes, recess1, recess2);
          if (thread) QDataThread(f.data, sizes, afterThread, pitch);

          for (const auto& length : lengths.Entries()) {
            std::array<double, 21> row{};
            ASSERT_TRUE(QMisuraVariabili(f.data + sizes.Tag(), sizes.List(i), length.text, row));
            EXPECT_EQ(row[1], rt::Val(length.text));  // each listed length has its own row
            const double d = row[0];
            EXPECT_GT(d, 0);
            if (thread) {
              const double p = rt::Val(pitch);
              EXPECT_GT(p, 0);
              EXPECT_LT(p, d / 2);
              EXPECT_GT(rt::Val(afterThread), 0);
            } else {
              const int allowance = type == 1 ? 2 : type == 3 ? 3 : 4;
              EXPECT_GE(row[allowance], 0);
              EXPECT_LT(row[allowance], 0.4 * d);
            }
            if (type >= 2) {
              // The recess is wider than the widest bore beneath it.
              EXPECT_GT(rt::Val(recess1), d + row[type == 3 ? 3 : 4]);
              EXPECT_EQ(row[2], rt::Val(recess1));
            }
            if (type == 2 || type == 4) {
              EXPECT_GT(rt::Val(recess2), 0);
            }
          }
        }
      }
    }
  }
  EXPECT_GT(sizesSeen, 50);
  EXPECT_TRUE(testing::TakeMessages().empty());
}

INSTANTIATE_TEST_SUITE_P(Families, ShippedFamily, ::testing::Values("ISO", "UNC"));

// ---- Published values ----

// The row of `size` in the first standard of section [type thread] named `standard`.
std::array<double, 21> RowOf(const Family& f, int type, int thread, const std::string& standard,
                             const std::string& size) {
  forms::ListModel standards;
  EXPECT_EQ(QNorma(f.ini, type, thread, standards), 0);
  for (const auto& e : standards.Entries()) {
    if (e.text != standard) continue;
    std::string path = f.ini;
    forms::ListModel sizes;
    EXPECT_EQ(QData(path, f.data, e.itemData, sizes), 0);
    std::array<double, 21> row{};
    EXPECT_TRUE(QMisuraVariabili(f.data + path, size, "0", row)) << size;
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
  forms::ListModel standards;
  ASSERT_EQ(QNorma(unc.ini, 1, 1, standards), 0);
  std::string path = unc.ini;
  forms::ListModel sizes;
  ASSERT_EQ(QData(path, unc.data, standards.ItemData(0), sizes), 0);
  EXPECT_EQ(sizes.List(0), "4-40");
  EXPECT_EQ(sizes.ListCount(), 11);
}

}  // namespace
}  // namespace cavix
