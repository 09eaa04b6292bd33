// The table queries over small fixture families: what they list, which row they pick, what they
// hand back as text, and the exact message of each failure.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "forms/list_control.h"
#include "standards/file_read_tab.h"
#include "tests/standards/test_support.h"

namespace cavix {
namespace {

using FileReadTAB::QData;
using FileReadTAB::QDataIncasso;
using FileReadTAB::QDataLunghezze;
using FileReadTAB::QDataThread;
using FileReadTAB::QMisuraVariabili;
using FileReadTAB::QNorma;
using testing::TakeMessages;

const std::string kFamily = std::string(CAVIX_STANDARDS_FIXTURES) + "family/";
const std::string kTab = kFamily + "Tab/";

std::vector<std::pair<std::string, int>> Entries(const forms::ListModel& list) {
  std::vector<std::pair<std::string, int>> out;
  for (const auto& e : list.Entries()) out.emplace_back(e.text, e.itemData);
  return out;
}

using Listed = std::vector<std::pair<std::string, int>>;

class QueriesTest : public ::testing::Test {
 protected:
  void SetUp() override { TakeMessages(); }
  void TearDown() override { EXPECT_TRUE(TakeMessages().empty()) << "unexpected message box"; }

};

// ---- QNorma ----

TEST_F(QueriesTest, QNormaListsSectionWithLineNumbersAndHeaderComment) {
  forms::ListModel standards;
  // "[1 0]   plain holes": characters after the header are ignored; comment and empty lines are
  // skipped but counted.
  EXPECT_EQ(QNorma(kFamily + "sections.ini", 1, 0, standards), 0);
  EXPECT_EQ(Entries(standards), (Listed{{"Plain A", 4}, {"Runs", 6}}));

  EXPECT_EQ(QNorma(kFamily + "sections.ini", 3, 0, standards), 0);
  EXPECT_EQ(Entries(standards),
            (Listed{{"Ten columns", 10}, {"Missing table", 11}, {"No bar", 12}}));
}

TEST_F(QueriesTest, QNormaCommentOnlySectionListsNothingSilently) {
  forms::ListModel standards;
  standards.AddItem("stale");
  EXPECT_EQ(QNorma(kFamily + "sections.ini", 2, 0, standards), 62);
  EXPECT_EQ(standards.ListCount(), 0);
}

TEST_F(QueriesTest, QNormaSectionAtEndOfFileListsThenReportsEndOfFile) {
  forms::ListModel standards;
  const std::string ini = kFamily + "endsection.ini";
  EXPECT_EQ(QNorma(ini, 1, 0, standards), 62);
  EXPECT_EQ(Entries(standards), (Listed{{"Last A", 4}, {"Last B", 5}}));
  auto shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error Reading " + ini + "\rin QNorma");
  EXPECT_EQ(shown[0].style, forms::msg::kCritical);
  EXPECT_EQ(shown[0].title, "");
}

TEST_F(QueriesTest, QNormaHeaderMustStartTheLine) {
  forms::ListModel standards;
  const std::string ini = kFamily + "indented.ini";
  EXPECT_EQ(QNorma(ini, 1, 0, standards), 62);
  EXPECT_EQ(standards.ListCount(), 0);
  auto shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error Reading " + ini + "\rin QNorma");
}

TEST_F(QueriesTest, QNormaMissingFileAndShortEntry) {
  forms::ListModel standards;
  const std::string missing = kFamily + "nothing.ini";
  EXPECT_EQ(QNorma(missing, 1, 0, standards), 53);
  auto shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error Reading File INI\r\n\r\n" + missing +
                                 "\r\n\r\nFile INI not found\rIn QNorma");
  EXPECT_EQ(shown[0].style, forms::msg::kExclamation);

  // An entry line with two quotes cannot hold a display name: refused as an invalid argument.
  EXPECT_EQ(QNorma(kFamily + "sections.ini", 1, 1, standards), 5);
  shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error  5 Invalid procedure call or argument\r\nin QNorma");
  EXPECT_EQ(shown[0].style, forms::msg::kCritical);
}

TEST_F(QueriesTest, Windows1252AndUtf8FilesReadAlike) {
  for (const char* ini : {"cp1252.ini", "utf8bom.ini"}) {
    SCOPED_TRACE(ini);
    forms::ListModel standards;
    ASSERT_EQ(QNorma(kFamily + ini, 1, 0, standards), 0);
    EXPECT_EQ(Entries(standards), (Listed{{"Gewinde L\xC3\xA4nge", 2}}));

    std::string path = kFamily + ini;
    forms::ListModel sizes;
    ASSERT_EQ(QData(path, kTab, 2, sizes), 0);
    EXPECT_EQ(path, "gr\xC3\xB6\xC3\x9F" "e.tab");
    EXPECT_EQ(Entries(sizes), (Listed{{"Gr\xC3\xB6\xC3\x9F" "e \xC3\xA4", 0}}));
  }
}

// ---- QData ----

TEST_F(QueriesTest, QDataListsOneKeyPerRunAndKeepsTheTableName) {
  std::string path = kFamily + "sections.ini";
  forms::ListModel sizes;
  EXPECT_EQ(QData(path, kTab, 6, sizes), 0);
  EXPECT_EQ(path, "runs.tab");
  EXPECT_EQ(sizes.Tag(), "runs.tab");
  // The comment between M6 rows does not break the run; M6 again after M8 is a new run.
  EXPECT_EQ(Entries(sizes), (Listed{{"M6", 0}, {"M8", 4}, {"M6", 5}}));
}

TEST_F(QueriesTest, QDataFailures) {
  forms::ListModel sizes;

  // The TAB file named by the entry is missing: the message names the bare file name.
  std::string path = kFamily + "sections.ini";
  EXPECT_EQ(QData(path, kTab, 11, sizes), 62);
  auto shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt,
            "Error Reading File\r\n\r\nmissing.tab\r\n\r\nFile not found\rIn QData");
  EXPECT_EQ(shown[0].style, forms::msg::kExclamation);

  // A line number past the end of the INI file: the INI path is kept and named.
  path = kFamily + "sections.ini";
  EXPECT_EQ(QData(path, kTab, 400, sizes), 62);
  EXPECT_EQ(path, kFamily + "sections.ini");
  shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error Reading " + kFamily + "sections.ini\rin QData");
  EXPECT_EQ(shown[0].style, forms::msg::kCritical);

  // A data row without "|": the sizes before it stay listed and the status says so.
  path = kFamily + "sections.ini";
  EXPECT_EQ(QData(path, kTab, 12, sizes), 0);
  EXPECT_EQ(Entries(sizes), (Listed{{"M6", 0}}));
  shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error  5 Invalid procedure call or argument\r\nin QData");
}

// ---- QMisuraVariabili ----

TEST_F(QueriesTest, NearestLengthWithTiesAndOverwrites) {
  struct Case {
    const char* length;
    std::vector<double> expected;  // entries 0.. (the rest keep the sentinel)
  };
  const double s = -77;
  const Case cases[] = {
      {"13", {5, 12, 2, 2, 7, 7}},          // 12 is nearest
      {"14", {5, 12, 2, 2, 7, 7}},          // tie 12/16: the earlier row stays
      {"16", {5, 16, 3, 3, 7, 7}},          // exact; entries 4, 5 keep the 12-row's values
      {"9.2 mm", {5, 10, 1, 1, 1, s}},      // leading number of the text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    std::array<double, 21> row;
    row.fill(s);
    EXPECT_TRUE(QMisuraVariabili(kTab + "nearest.tab", " M5 ", c.length, row));
    for (size_t i = 0; i < row.size(); ++i) {
      EXPECT_EQ(row[i], i < c.expected.size() ? c.expected[i] : s) << "entry " << i;
    }
  }
}

TEST_F(QueriesTest, NearestLengthStopsAtExactMatchAndReportsBadRows) {
  std::array<double, 21> row{};
  // The exact row ends the scan before the malformed line.
  EXPECT_TRUE(QMisuraVariabili(kTab + "stop.tab", "M5", "16", row));
  // Without an exact match the scan reaches it.
  EXPECT_FALSE(QMisuraVariabili(kTab + "stop.tab", "M5", "15", row));
  auto shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt,
            "Error  5 Invalid procedure call or argument\r\nin QMisuraVariabili");

  row.fill(1);
  EXPECT_FALSE(QMisuraVariabili(kTab + "nearest.tab", "M7", "10", row));
  EXPECT_EQ(row[0], 1);

  const std::string missing = kTab + "none.tab";
  EXPECT_FALSE(QMisuraVariabili(missing, "M5", "10", row));
  shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error Reading File\r\n\r\n" + missing +
                                 "\r\n\r\nFile not found\rIn QMisuraVariabili");
}

TEST_F(QueriesTest, RowLongerThanSizeRowNeverWritesPastIt) {
  // 21 columns fill all 21 entries; 22 columns report the subscript error.
  std::array<double, 23> buffer;
  buffer.fill(-1);
  std::span<double> row(buffer.data(), 21);
  EXPECT_TRUE(QMisuraVariabili(kTab + "long.tab", "M5", "2", row));
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(buffer[19], 20);
  EXPECT_EQ(buffer[20], 20);
  EXPECT_EQ(buffer[21], -1);

  EXPECT_FALSE(QMisuraVariabili(kTab + "long.tab", "M6", "2", row));
  EXPECT_EQ(buffer[20], 21);  // written up to the end of the row values...
  EXPECT_EQ(buffer[21], -1);  // ...and not one past
  auto shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error  9 Subscript out of range\r\nin QMisuraVariabili");
  EXPECT_EQ(shown[0].style, forms::msg::kCritical);
}

// ---- QDataLunghezze, QDataIncasso, QDataThread ----

class SizeQueriesTest : public QueriesTest {
 protected:
  // The size list as QData fills it from `iniLine` of sections.ini, with `size` selected.
  forms::ListModel Sizes(int iniLine, const std::string& size) {
    std::string path = kFamily + "sections.ini";
    forms::ListModel sizes;
    EXPECT_EQ(QData(path, kTab, iniLine, sizes), 0);
    for (int i = 0; i < sizes.ListCount(); ++i) {
      if (sizes.List(i) == size) {
        sizes.SetListIndex(i);
        break;
      }
    }
    return sizes;
  }
};

TEST_F(SizeQueriesTest, LengthsAreReformattedAndStopAtTheNextSize) {
  forms::ListModel lengths;
  lengths.AddItem("stale");
  // Blank lines, and a heading line holding "|", inside the run are passed over.
  QDataLunghezze(kTab, Sizes(14, "A"), lengths);
  EXPECT_EQ(Entries(lengths), (Listed{{".5", 0}, {"6", 1}, {"1.25", 2}}));

  // A size followed only by another size's rows has one length...
  QDataLunghezze(kTab, Sizes(14, "B"), lengths);
  EXPECT_EQ(Entries(lengths), (Listed{{"7", 0}}));
  // ...and so does a size on the file's last line (no line end after it).
  QDataLunghezze(kTab, Sizes(14, "D"), lengths);
  EXPECT_EQ(Entries(lengths), (Listed{{"9", 0}}));
}

TEST_F(SizeQueriesTest, TenColumnRowGivesRecessAndThreadValues) {
  std::string v1 = "x", v2 = "y";
  QDataIncasso(kTab, Sizes(10, "M6"), v1, v2);
  EXPECT_EQ(v1, "11");
  EXPECT_EQ(v2, "6.4");
  QDataThread(kTab, Sizes(10, "M6"), v1, v2);
  EXPECT_EQ(v1, "3");
  EXPECT_EQ(v2, "1");
  // The last row of the file, without a line end.
  QDataThread(kTab, Sizes(10, "M8"), v1, v2);
  EXPECT_EQ(v1, "4");
  EXPECT_EQ(v2, "1.25");
}

TEST_F(SizeQueriesTest, FailuresNameTheQueryAndLeaveOutputs) {
  // Row index past the end of the file (the table changed since the list was filled).
  forms::ListModel sizes = Sizes(14, "A");
  sizes.SetItemData(sizes.ListIndex(), 500);
  forms::ListModel lengths;
  std::string v1 = "keep1", v2 = "keep2";
  QDataLunghezze(kTab, sizes, lengths);
  QDataIncasso(kTab, sizes, v1, v2);
  QDataThread(kTab, sizes, v1, v2);
  auto shown = TakeMessages();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].prompt, "Error Reading " + kTab + "lengths.tab\rin QLunghezze");
  EXPECT_EQ(shown[1].prompt, "Error Reading " + kTab + "lengths.tab\rin QDataIncasso");
  EXPECT_EQ(shown[2].prompt, "Error Reading " + kTab + "lengths.tab\rin QDataThread");
  for (const auto& m : shown) EXPECT_EQ(m.style, forms::msg::kCritical);
  EXPECT_EQ(v1, "keep1");
  EXPECT_EQ(v2, "keep2");

  // Rows of four columns have no recess depth nor four "|" for the thread columns.
  QDataIncasso(kTab, Sizes(14, "A"), v1, v2);
  QDataThread(kTab, Sizes(14, "A"), v1, v2);
  shown = TakeMessages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].prompt, "Error  5 Invalid procedure call or argument\r\nin QDataIncasso");
  EXPECT_EQ(shown[1].prompt, "Error  5 Invalid procedure call or argument\r\nin QDataThread");
  EXPECT_EQ(v1, "keep1");

  // No size selected.
  forms::ListModel none = Sizes(14, "none");
  QDataLunghezze(kTab, none, lengths);
  shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error  9 Subscript out of range\r\nin QDataLunghezze");

  // The table file is gone.
  forms::ListModel gone = Sizes(14, "A");
  gone.SetTag("gone.tab");
  QDataThread(kTab, gone, v1, v2);
  shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].prompt, "Error Reading File\r\n\r\n" + kTab +
                                 "gone.tab\r\n\r\nFile not found\rIn QDataThread");
  EXPECT_EQ(shown[0].style, forms::msg::kExclamation);
}

}  // namespace
}  // namespace cavix
