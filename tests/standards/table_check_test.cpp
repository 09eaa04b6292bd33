// The table checker on a family broken in every way the queries care about.
#include "standards/table_check.h"

#include <gtest/gtest.h>

namespace cavix {
namespace {

const std::string kBroken = std::string(CAVIX_STANDARDS_FIXTURES) + "broken/";

TEST(TableCheck, ReportsEveryLineTheQueriesWouldRefuseOrMisread) {
  const std::string ini = kBroken + "Cavix.ini";
  const std::string tab = kBroken + "Tab/";
  const auto findings = tablecheck::CheckFamily(ini, tab);

  struct Expected {
    std::string file;
    int64_t line;
    std::string problemStart;
  };
  const std::vector<Expected> expected = {
      {ini, 5, "entry line has fewer than four double quotes"},
      {ini, 8, "section [1 0] (plain, not threaded) appears again; only the one on line 2"},
      {ini, 10, "section [3 0] (countersink, not threaded) lists no standard"},
      {ini, 20, "section [1 1] (plain, threaded) has no closing line"},
      // plain.tab is also named by a counterbore section, which needs six columns.
      {tab + "plain.tab", 2, "row has 4 columns; section [2 0] (counterbore, not threaded) needs"},
      {tab + "plain.tab", 3, "row has 4 columns"},
      {tab + "plain.tab", 3, "column 3 is not a number (\"12,5\" reads as 12)"},
      {tab + "plain.tab", 4, "data row without \"|\""},
      {tab + "plain.tab", 5, "row has 4 columns"},
      {tab + "plain.tab", 5, "column 4 is out of range (\"1e999\")"},
      {tab + "plain.tab", 6, "size \"M6\" appears again after other sizes"},
      {tab + "plain.tab", 6, "row has 4 columns"},
      {tab + "plain.tab", 6, "column 4 is not a number (\"abc\" reads as 0)"},
      {tab + "plain.tab", 7,
       std::string("size key \"M1") + '\0' + "X\" holds a NUL byte at character 3"},
      {tab + "plain.tab", 7, "row has 4 columns"},
      {ini, 4, "table file \"absent.tab\" not found (" + tab + "absent.tab)"},
      {tab + "wide.tab", 2, "row has 22 columns; a size row holds at most 21"},
  };
  ASSERT_EQ(findings.size(), expected.size()) << [&] {
    std::string all;
    for (const auto& f : findings) all += tablecheck::FormatFinding(f) + "\n";
    return all;
  }();
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(tablecheck::FormatFinding(findings[i]));
    EXPECT_EQ(findings[i].file, expected[i].file);
    EXPECT_EQ(findings[i].line, expected[i].line);
    EXPECT_EQ(findings[i].problem.substr(0, expected[i].problemStart.size()),
              expected[i].problemStart);
  }
}

TEST(TableCheck, MissingSectionsAndUnreadableFiles) {
  // The query fixtures' INI has only some of the eight sections.
  const std::string family = std::string(CAVIX_STANDARDS_FIXTURES) + "family/";
  const auto findings = tablecheck::CheckFamily(family + "endsection.ini", family + "Tab/");
  std::vector<std::string> missing;
  for (const auto& f : findings) {
    if (f.problem.find("is missing") != std::string::npos) missing.push_back(f.problem);
  }
  EXPECT_EQ(missing.size(), 6u);

  const auto none = tablecheck::CheckFamily(family + "no.ini", family + "Tab/");
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(tablecheck::FormatFinding(none[0]),
            family + "no.ini: cannot be read: error 53 File not found");
}

}  // namespace
}  // namespace cavix
