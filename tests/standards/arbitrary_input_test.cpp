// Arbitrary INI and TAB files: every query and the checker end normally on them, and whatever goes
// wrong is told in a message box of the query, never by an escaping error or a crash.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "forms/list_control.h"
#include "standards/file_read_tab.h"
#include "standards/table_check.h"
#include "tests/standards/test_support.h"
#include "tests/support/test_files.h"

namespace cavix {
namespace {

using namespace FileReadTAB;

// Text made of the pieces the formats give meaning to, in random order.
std::string RandomText(std::mt19937& rng, bool ini) {
  // clang-format off
  static const char* const kPieces[] = {
      "|", "\"", "\"a.tab\" \"A\"", "[1 0]", "[2 1]", "[", "#", "@", " ", "M6", "M8", "0.5", "10", "-3",
      "1e999", "&H7FFFFFFF", ".", "e", "\xff\xfe", "\xC3\xA4", "\r\n", "\n", "\r", "\xEF\xBB\xBF", "\t",
      "|||||||||||||||||||||||"};
  // clang-format on
  std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> count(0, 120);
  std::string text = ini ? "[1 0]\r\n" : "";
  for (int i = count(rng); i > 0; --i) text += kPieces[piece(rng)];
  return text;
}

TEST(ArbitraryInput, QueriesAndCheckerEndNormally) {
  const test::TempDir dir("cavix_standards_arbitrary_");
  const std::string ini = dir.File("Cavix.ini"), data = dir.File("Tab") + "/";
  std::mt19937 rng(20261206);
  testing::TakeMessages();
  int sizesSeen = 0;  // the rounds must reach the size queries, not stop at the INI file

  for (int round = 0; round < 300; ++round) {
    dir.Write("Cavix.ini", RandomText(rng, true));
    dir.Write("Tab/a.tab", RandomText(rng, false));
    auto everyQuery = [&] {
      for (int type = 1; type <= 4; ++type) {
        for (int thread = 0; thread <= 1; ++thread) {
          forms::ListModel standards;
          QNorma(ini, type, thread, standards);
          for (const auto& e : standards.Entries()) {
            std::string path = ini;
            forms::ListModel sizes, lengths;
            QData(path, data, e.itemData, sizes);
            for (int i = 0; i < sizes.ListCount(); ++i) {
              sizes.SetListIndex(i);
              ++sizesSeen;
              std::string v1, v2;
              QDataLunghezze(data, sizes, lengths);
              QDataIncasso(data, sizes, v1, v2);
              QDataThread(data, sizes, v1, v2);
              std::array<double, 21> row{};
              QMisuraVariabili(data + sizes.Tag(), sizes.List(i), "10", row);
            }
          }
        }
      }
      tablecheck::CheckFamily(ini, data);
    };
    ASSERT_NO_THROW(everyQuery());
    for (const auto& m : testing::TakeMessages()) {
      EXPECT_EQ(m.prompt.rfind("Error ", 0), 0u) << m.prompt;
    }
  }
  EXPECT_GT(sizesSeen, 50);
}

}  // namespace
}  // namespace cavix
