// The table queries over small fixture families: what they list, which row they pick, what they
// hand back as text, and the exact message of each failure.
#include "standards/file_read_tab.h"

#include <gtest/gtest.h>

#include <array>

#include "forms/list_control.h"
#include "tests/standards/test_support.h"

namespace cavix {
namespace {

using namespace FileReadTAB;
using Listed = std::vector<std::pair<std::string, int>>;
using forms::msg::kCritical;
using forms::msg::kExclamation;

const std::string kFamily = std::string(CAVIX_STANDARDS_FIXTURES) + "family/";
const std::string kIni = kFamily + "sections.ini";
const std::string kTab = kFamily + "Tab/";
const std::string kInvalid = "Error  5 Invalid procedure call or argument\r\n";

Listed Entries(const forms::ListModel& list) {
  Listed out;
  for (const auto& e : list.Entries()) out.emplace_back(e.text, e.itemData);
  return out;
}

class QueriesTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::TakeMessages(); }
  void TearDown() override { EXPECT_TRUE(testing::TakeMessages().empty()) << "unexpected box"; }

  // Exactly one message box was shown since the last check, with this text and icon, no title.
  static void ExpectShown(const std::string& prompt, int style) {
    const auto shown = testing::TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt, prompt);
    EXPECT_EQ(shown[0].style, style);
    EXPECT_EQ(shown[0].title, "");
  }

  // The size list as QData fills it from line `iniLine` of sections.ini, with `size` selected.
  static forms::ListModel Sizes(int iniLine, const std::string& size) {
    std::string path = kIni;
    forms::ListModel sizes;
    EXPECT_EQ(QData(path, kTab, iniLine, sizes), 0);
    for (int i = 0; i < sizes.ListCount(); ++i) {
      if (sizes.List(i) == size) sizes.SetListIndex(i);
    }
    return sizes;
  }
};

TEST_F(QueriesTest, QNormaSections) {
  forms::ListModel list;
  // "[1 0]   plain holes": text after the header is ignored; comments and empty lines are
  // skipped but counted.
  EXPECT_EQ(QNorma(kIni, 1, 0, list), 0);
  EXPECT_EQ(Entries(list), (Listed{{"Plain A", 4}, {"Runs", 6}}));
  // A section of comments only lists nothing and says nothing.
  EXPECT_EQ(QNorma(kIni, 2, 0, list), 62);
  EXPECT_EQ(list.ListCount(), 0);

  // The last section ends at the end of the file: its entries are listed, then reported.
  const std::string atEnd = kFamily + "endsection.ini";
  EXPECT_EQ(QNorma(atEnd, 1, 0, list), 62);
  EXPECT_EQ(Entries(list), (Listed{{"Last A", 4}, {"Last B", 5}}));
  ExpectShown("Error Reading " + atEnd + "\rin QNorma", kCritical);

  // A header preceded by a blank is not a header.
  const std::string indented = kFamily + "indented.ini";
  EXPECT_EQ(QNorma(indented, 1, 0, list), 62);
  ExpectShown("Error Reading " + indented + "\rin QNorma", kCritical);

  const std::string missing = kFamily + "nothing.ini";
  EXPECT_EQ(QNorma(missing, 1, 0, list), 53);
  ExpectShown("Error Reading File INI\r\n\r\n" + missing + "\r\n\r\nFile INI not found\rIn QNorma",
              kExclamation);

  // An entry line with two quotes has no display name: refused as an invalid argument.
  EXPECT_EQ(QNorma(kIni, 1, 1, list), 5);
  ExpectShown(kInvalid + "in QNorma", kCritical);
}

TEST_F(QueriesTest, Windows1252AndUtf8FilesReadAlike) {
  for (const char* ini : {"cp1252.ini", "utf8bom.ini"}) {
    SCOPED_TRACE(ini);
    forms::ListModel standards, sizes;
    ASSERT_EQ(QNorma(kFamily + ini, 1, 0, standards), 0);
    EXPECT_EQ(Entries(standards), (Listed{{"Gewinde L\xC3\xA4nge", 2}}));
    std::string path = kFamily + ini;
    ASSERT_EQ(QData(path, kTab, 2, sizes), 0);
    EXPECT_EQ(path,
              "gr\xC3\xB6\xC3\x9F"
              "e.tab");
    EXPECT_EQ(Entries(sizes), (Listed{{"Gr\xC3\xB6\xC3\x9F"
                                       "e \xC3\xA4",
                                       0}}));
  }
}

TEST_F(QueriesTest, QDataRunsAndFailures) {
  std::string path = kIni;
  forms::ListModel sizes;
  EXPECT_EQ(QData(path, kTab, 6, sizes), 0);
  EXPECT_EQ(path, "runs.tab");
  EXPECT_EQ(sizes.Tag(), "runs.tab");
  // The comment between M6 rows does not break the run; M6 again after M8 is a new run.
  EXPECT_EQ(Entries(sizes), (Listed{{"M6", 0}, {"M8", 4}, {"M6", 5}}));

  // The TAB file is missing: the message names the bare file name.
  path = kIni;
  EXPECT_EQ(QData(path, kTab, 11, sizes), 62);
  ExpectShown("Error Reading File\r\n\r\nmissing.tab\r\n\r\nFile not found\rIn QData",
              kExclamation);

  // A line number past the end of the INI file: the INI path is kept and named.
  path = kIni;
  EXPECT_EQ(QData(path, kTab, 400, sizes), 62);
  EXPECT_EQ(path, kIni);
  ExpectShown("Error Reading " + kIni + "\rin QData", kCritical);

  // A data row without "|": the sizes before it stay listed, and the status says so.
  EXPECT_EQ(QData(path, kTab, 12, sizes), 0);
  EXPECT_EQ(Entries(sizes), (Listed{{"M6", 0}}));
  ExpectShown(kInvalid + "in QData", kCritical);
}

TEST_F(QueriesTest, NearestLengthWithTiesAndOverwrites) {
  const double s = -77;  // entries the rows do not reach keep it
  const std::pair<const char*, std::vector<double>> cases[] = {
      {"13", {5, 12, 2, 2, 7, 7}},      // 12 is nearest
      {"14", {5, 12, 2, 2, 7, 7}},      // tie between 12 and 16: the earlier row stays
      {"16", {5, 16, 3, 3, 7, 7}},      // exact; entries 4, 5 keep what the 12-row wrote
      {"9.2 mm", {5, 10, 1, 1, 1, s}},  // the leading number of the text
  };
  for (const auto& [length, expected] : cases) {
    SCOPED_TRACE(length);
    std::array<double, 21> row;
    row.fill(s);
    EXPECT_TRUE(QMisuraVariabili(kTab + "nearest.tab", " M5 ", length, row));
    for (size_t i = 0; i < row.size(); ++i) {
      EXPECT_EQ(row[i], i < expected.size() ? expected[i] : s) << "entry " << i;
    }
  }
  std::array<double, 21> row{};
  EXPECT_FALSE(QMisuraVariabili(kTab + "nearest.tab", "M7", "10", row));

  // The exact row ends the scan before a malformed line; without one the scan reaches it.
  EXPECT_TRUE(QMisuraVariabili(kTab + "stop.tab", "M5", "16", row));
  EXPECT_FALSE(QMisuraVariabili(kTab + "stop.tab", "M5", "15", row));
  ExpectShown(kInvalid + "in QMisuraVariabili", kCritical);

  const std::string missing = kTab + "none.tab";
  EXPECT_FALSE(QMisuraVariabili(missing, "M5", "10", row));
  ExpectShown(
      "Error Reading File\r\n\r\n" + missing + "\r\n\r\nFile not found\rIn QMisuraVariabili",
      kExclamation);
}

TEST_F(QueriesTest, RowLongerThanSizeRowNeverWritesPastIt) {
  std::array<double, 23> buffer;
  buffer.fill(-1);
  const std::span<double> row(buffer.data(), 21);
  // 21 columns fill all 21 entries (the last one twice).
  EXPECT_TRUE(QMisuraVariabili(kTab + "long.tab", "M5", "2", row));
  EXPECT_EQ(buffer[19], 20);
  EXPECT_EQ(buffer[20], 20);
  // 22 columns: written up to the end of the row values, not one past, and reported.
  EXPECT_FALSE(QMisuraVariabili(kTab + "long.tab", "M6", "2", row));
  EXPECT_EQ(buffer[20], 21);
  EXPECT_EQ(buffer[21], -1);
  ExpectShown("Error  9 Subscript out of range\r\nin QMisuraVariabili", kCritical);
}

TEST_F(QueriesTest, LengthsRecessAndThreadValues) {
  forms::ListModel lengths;
  // Blank lines, and a heading line holding "|", inside the run are passed over.
  QDataLunghezze(kTab, Sizes(14, "A"), lengths);
  EXPECT_EQ(Entries(lengths), (Listed{{".5", 0}, {"6", 1}, {"1.25", 2}}));
  // A size followed by another size's rows has one length, and so has the file's last line.
  QDataLunghezze(kTab, Sizes(14, "B"), lengths);
  EXPECT_EQ(Entries(lengths), (Listed{{"7", 0}}));
  QDataLunghezze(kTab, Sizes(14, "D"), lengths);
  EXPECT_EQ(Entries(lengths), (Listed{{"9", 0}}));

  // M6|5|10|11|6.4|0.1|3|1|0|0: columns 4 and 5, then columns N-3 and N-2.
  std::string v1, v2;
  QDataIncasso(kTab, Sizes(10, "M6"), v1, v2);
  EXPECT_EQ(v1 + " " + v2, "11 6.4");
  QDataThread(kTab, Sizes(10, "M6"), v1, v2);
  EXPECT_EQ(v1 + " " + v2, "3 1");
  QDataThread(kTab, Sizes(10, "M8"), v1, v2);  // the last line, without a line end
  EXPECT_EQ(v1 + " " + v2, "4 1.25");
}

TEST_F(QueriesTest, SizeQueryFailuresLeaveTheOutputs) {
  std::string v1 = "keep1", v2 = "keep2";
  forms::ListModel lengths;
  // The first row of the size lies past the end of the file (the table changed meanwhile).
  forms::ListModel stale = Sizes(14, "A");
  stale.SetItemData(stale.ListIndex(), 500);
  const std::string tab = kTab + "lengths.tab";
  QDataLunghezze(kTab, stale, lengths);
  ExpectShown("Error Reading " + tab + "\rin QLunghezze", kCritical);
  QDataIncasso(kTab, stale, v1, v2);
  ExpectShown("Error Reading " + tab + "\rin QDataIncasso", kCritical);
  QDataThread(kTab, stale, v1, v2);
  ExpectShown("Error Reading " + tab + "\rin QDataThread", kCritical);

  // Rows of four columns have no recess depth, nor four "|" for the thread columns.
  QDataIncasso(kTab, Sizes(14, "A"), v1, v2);
  ExpectShown(kInvalid + "in QDataIncasso", kCritical);
  QDataThread(kTab, Sizes(14, "A"), v1, v2);
  ExpectShown(kInvalid + "in QDataThread", kCritical);
  EXPECT_EQ(v1 + v2, "keep1keep2");

  QDataLunghezze(kTab, Sizes(14, "no such size"), lengths);
  ExpectShown("Error  9 Subscript out of range\r\nin QDataLunghezze", kCritical);

  forms::ListModel gone = Sizes(14, "A");
  gone.SetTag("gone.tab");
  QDataThread(kTab, gone, v1, v2);
  ExpectShown(
      "Error Reading File\r\n\r\n" + kTab + "gone.tab\r\n\r\nFile not found\rIn QDataThread",
      kExclamation);
}

}  // namespace
}  // namespace cavix
