// The table queries over small fixture families: what they list, which row they pick, what they
// hand back as text, and the exact message of each failure.
#include "standards/file_read_tab.h"

#include <gtest/gtest.h>

#include <array>

namespace cavix {
namespace {

using namespace FileReadTAB;
using Listed = std::vector<std::pair<std::string, int>>;
using Icon = QueryError::Icon;

const std::string kFamily = std::string(CAVIX_STANDARDS_FIXTURES) + "family/";
const std::string kIni = kFamily + "sections.ini";
const std::string kTab = kFamily + "Tab/";
const std::string kInvalid = "Error  5 Invalid procedure call or argument\r\n";

Listed Entries(const std::vector<Entry>& entries) {
  Listed out;
  for (const auto& e : entries) out.emplace_back(e.text, e.itemData);
  return out;
}

// The query stopped with this message, shown with this icon.
void ExpectError(const std::optional<QueryError>& e, const std::string& text, Icon icon) {
  ASSERT_TRUE(e.has_value()) << "no error; expected " << text;
  EXPECT_EQ(e->text, text);
  EXPECT_EQ(e->icon, icon);
}

// The size `key` of the list QData makes from line `iniLine` of sections.ini.
SelectedSize Size(int iniLine, const std::string& key) {
  const SizeListing l = QData(kIni, kTab, iniLine);
  EXPECT_FALSE(l.error) << l.error->text;
  SelectedSize s{l.tabFile.value_or(""), false, key, 0};
  for (const Entry& e : l.entries)
    if (e.text == key) {
      s.selected = true;
      s.firstRow = e.itemData;
    }
  return s;
}

TEST(Queries, QNormaSections) {
  // "[1 0]   plain holes": text after the header is ignored; comments and empty lines are
  // skipped but counted.
  StandardsListing l = QNorma(kIni, 1, 0);
  EXPECT_FALSE(l.error);
  EXPECT_EQ(Entries(l.entries), (Listed{{"Plain A", 4}, {"Runs", 6}}));
  // A section of comments only lists nothing and says nothing.
  l = QNorma(kIni, 2, 0);
  EXPECT_EQ(l.status, 62);
  EXPECT_TRUE(l.entries.empty());
  EXPECT_FALSE(l.error);

  // The last section ends at the end of the file: its entries are listed, then reported.
  const std::string atEnd = kFamily + "endsection.ini";
  l = QNorma(atEnd, 1, 0);
  EXPECT_EQ(l.status, 62);
  EXPECT_EQ(Entries(l.entries), (Listed{{"Last A", 4}, {"Last B", 5}}));
  ExpectError(l.error, "Error Reading " + atEnd + "\rin QNorma", Icon::Critical);

  // A header preceded by a blank is not a header.
  const std::string indented = kFamily + "indented.ini";
  ExpectError(QNorma(indented, 1, 0).error, "Error Reading " + indented + "\rin QNorma",
              Icon::Critical);

  const std::string missing = kFamily + "nothing.ini";
  l = QNorma(missing, 1, 0);
  EXPECT_EQ(l.status, 53);
  ExpectError(l.error,
              "Error Reading File INI\r\n\r\n" + missing + "\r\n\r\nFile INI not found\rIn QNorma",
              Icon::Exclamation);

  // An entry line with two quotes has no display name: refused as an invalid argument.
  l = QNorma(kIni, 1, 1);
  EXPECT_EQ(l.status, 5);
  ExpectError(l.error, kInvalid + "in QNorma", Icon::Critical);
}

TEST(Queries, Windows1252AndUtf8FilesReadAlike) {
  for (const char* ini : {"cp1252.ini", "utf8bom.ini"}) {
    SCOPED_TRACE(ini);
    EXPECT_EQ(Entries(QNorma(kFamily + ini, 1, 0).entries), (Listed{{"Gewinde L\xC3\xA4nge", 2}}));
    const SizeListing sizes = QData(kFamily + ini, kTab, 2);
    EXPECT_EQ(sizes.tabFile, "gr\xC3\xB6\xC3\x9F" "e.tab");
    EXPECT_EQ(Entries(sizes.entries), (Listed{{"Gr\xC3\xB6\xC3\x9F" "e \xC3\xA4", 0}}));
  }
}

TEST(Queries, QDataRunsAndFailures) {
  SizeListing l = QData(kIni, kTab, 6);
  EXPECT_EQ(l.tabFile, "runs.tab");
  // The comment between M6 rows does not break the run; M6 again after M8 is a new run.
  EXPECT_EQ(Entries(l.entries), (Listed{{"M6", 0}, {"M8", 4}, {"M6", 5}}));

  // The TAB file is missing: the message names the bare file name.
  l = QData(kIni, kTab, 11);
  EXPECT_EQ(l.status, 62);
  ExpectError(l.error, "Error Reading File\r\n\r\nmissing.tab\r\n\r\nFile not found\rIn QData",
              Icon::Exclamation);

  // A line number past the end of the INI file: the INI path is named, no TAB file opened.
  l = QData(kIni, kTab, 400);
  EXPECT_EQ(l.status, 62);
  EXPECT_FALSE(l.tabFile);
  ExpectError(l.error, "Error Reading " + kIni + "\rin QData", Icon::Critical);

  // A data row without "|": the sizes before it stay listed, and the status says so.
  l = QData(kIni, kTab, 12);
  EXPECT_EQ(l.status, 0);
  EXPECT_EQ(Entries(l.entries), (Listed{{"M6", 0}}));
  ExpectError(l.error, kInvalid + "in QData", Icon::Critical);
}

TEST(Queries, NearestLengthWithTiesAndOverwrites) {
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
    EXPECT_EQ(QMisuraVariabili(kTab + "nearest.tab", " M5 ", length, row).status, SizeRow::Found);
    for (size_t i = 0; i < row.size(); ++i) {
      EXPECT_EQ(row[i], i < expected.size() ? expected[i] : s) << "entry " << i;
    }
  }
  std::array<double, 21> row{};
  EXPECT_EQ(QMisuraVariabili(kTab + "nearest.tab", "M7", "10", row).status, SizeRow::NotFound);

  // The exact row ends the scan before a malformed line; without one the scan reaches it.
  EXPECT_EQ(QMisuraVariabili(kTab + "stop.tab", "M5", "16", row).status, SizeRow::Found);
  const SizeRowResult malformed = QMisuraVariabili(kTab + "stop.tab", "M5", "15", row);
  EXPECT_EQ(malformed.status, SizeRow::Reported);
  ExpectError(malformed.error, kInvalid + "in QMisuraVariabili", Icon::Critical);
}

TEST(Queries, RowLongerThanSizeRowNeverWritesPastIt) {
  std::array<double, 23> buffer;
  buffer.fill(-1);
  const std::span<double> row(buffer.data(), 21);
  // 21 columns fill all 21 entries (the last one twice).
  EXPECT_EQ(QMisuraVariabili(kTab + "long.tab", "M5", "2", row).status, SizeRow::Found);
  EXPECT_EQ(buffer[19], 20);
  EXPECT_EQ(buffer[20], 20);
  // 22 columns: written up to the end of the row values, not one past, and reported.
  ExpectError(QMisuraVariabili(kTab + "long.tab", "M6", "2", row).error,
              "Error  9 Subscript out of range\r\nin QMisuraVariabili", Icon::Critical);
  EXPECT_EQ(buffer[20], 21);
  EXPECT_EQ(buffer[21], -1);
}

TEST(Queries, LengthsRecessAndThreadValues) {
  // Blank lines, and a heading line holding "|", inside the run are passed over.
  EXPECT_EQ(Entries(QDataLunghezze(kTab, Size(14, "A")).entries),
            (Listed{{".5", 0}, {"6", 1}, {"1.25", 2}}));
  // A size followed by another size's rows has one length, and so has the file's last line.
  EXPECT_EQ(Entries(QDataLunghezze(kTab, Size(14, "B")).entries), (Listed{{"7", 0}}));
  EXPECT_EQ(Entries(QDataLunghezze(kTab, Size(14, "D")).entries), (Listed{{"9", 0}}));

  // M6|5|10|11|6.4|0.1|3|1|0|0: columns 4 and 5, then columns N-3 and N-2.
  using Pair = std::optional<std::pair<std::string, std::string>>;
  EXPECT_EQ(QDataIncasso(kTab, Size(10, "M6")).values, Pair({"11", "6.4"}));
  EXPECT_EQ(QDataThread(kTab, Size(10, "M6")).values, Pair({"3", "1"}));
  // The last line, without a line end.
  EXPECT_EQ(QDataThread(kTab, Size(10, "M8")).values, Pair({"4", "1.25"}));
}

TEST(Queries, SizeQueryFailures) {
  // The first row of the size lies past the end of the file (the table changed meanwhile).
  SelectedSize stale = Size(14, "A");
  stale.firstRow = 500;
  const std::string tab = kTab + "lengths.tab";
  ExpectError(QDataLunghezze(kTab, stale).error, "Error Reading " + tab + "\rin QLunghezze",
              Icon::Critical);

  // Rows of four columns have no recess depth, nor four "|" for the thread columns.
  ExpectError(QDataIncasso(kTab, Size(14, "A")).error, kInvalid + "in QDataIncasso",
              Icon::Critical);
  ExpectError(QDataThread(kTab, Size(14, "A")).error, kInvalid + "in QDataThread",
              Icon::Critical);

  ExpectError(QDataLunghezze(kTab, Size(14, "no such size")).error,
              "Error  9 Subscript out of range\r\nin QDataLunghezze", Icon::Critical);

  // A TAB name that leads out of the family's folder is refused before anything is opened.
  const SizeListing outside = QData(kFamily + "outside.ini", kTab, 2);
  EXPECT_FALSE(outside.tabFile);
  ASSERT_TRUE(outside.error);
  EXPECT_EQ(outside.error->number, 75);
  EXPECT_NE(outside.error->text.find("../family/sections.ini"), std::string::npos)
      << outside.error->text;
}

}  // namespace
}  // namespace cavix
