// The table checker on a family missing sections and on one without its INI file. (Each problem
// it finds on a broken family is checked through `cavix check-tables`, in this folder's
// CMakeLists.txt.)
#include "standards/table_check.h"

#include <gtest/gtest.h>

namespace cavix {
namespace {

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
