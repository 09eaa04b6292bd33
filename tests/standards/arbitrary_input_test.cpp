// Arbitrary INI and TAB files: every query and the checker end normally on them, and whatever goes
// wrong is told in a message box of the query, never by an escaping error or a crash.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "standards/file_read_tab.h"
#include "standards/table_check.h"
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
  int sizesSeen = 0;  // the rounds must reach the size queries, not stop at the INI file
  const auto checkError = [](const std::optional<QueryError>& e) {
    if (e) {
      EXPECT_EQ(e->text.rfind("Error ", 0), 0u) << e->text;
    }
  };

  for (int round = 0; round < 300; ++round) {
    dir.Write("Cavix.ini", RandomText(rng, true));
    dir.Write("Tab/a.tab", RandomText(rng, false));
    auto everyQuery = [&] {
      for (int type = 1; type <= 4; ++type) {
        for (int thread = 0; thread <= 1; ++thread) {
          const StandardsListing standards = QNorma(ini, type, thread);
          checkError(standards.error);
          for (const auto& e : standards.entries) {
            const SizeListing sizes = QData(ini, data, e.itemData);
            checkError(sizes.error);
            for (const Entry& size : sizes.entries) {
              ++sizesSeen;
              const SelectedSize selected{sizes.tabFile.value_or(""), true, size.text,
                                          size.itemData};
              checkError(QDataLunghezze(data, selected).error);
              checkError(QDataIncasso(data, selected).error);
              checkError(QDataThread(data, selected).error);
              std::array<double, 21> row{};
              checkError(QMisuraVariabili(data + selected.tabFile, size.text, "10", row).error);
            }
          }
        }
      }
      tablecheck::CheckFamily(ini, data);
    };
    ASSERT_NO_THROW(everyQuery());
  }
  EXPECT_GT(sizesSeen, 50);
}

}  // namespace
}  // namespace cavix
