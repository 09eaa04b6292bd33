// The hole table's rows and writers on scenes built in memory: what a hole record that is
// incomplete or holds the wrong types gives, and text that needs quoting or is wider than bytes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "actions/hole_table.h"
#include "export/scene_export.h"
#include "host/host_model.h"
#include "scene/scene.h"

namespace {

using cavix::exporter::HolesOf;
using cavix::rt::Variant;

// A dropped shape with a hole record in component 34 (numbers in group 1, texts in group 2).
cavix::host::IComponent& Record(cavix::scene::Scene& s, const std::string& name,
                                cavix::scene::Vec3 at = {}) {
  cavix::scene::Shape& shape = s.AddDroppedShape({0, 0, -1}, at);
  shape.SetName(name);
  return shape.Components(cavix::host::comp::kHoleData).Add();
}

TEST(HoleTable, RowsTakeWhatTheRecordHoldsAndLeaveTheRestBlank) {
  auto s = cavix::scene::Scene::NewModel();
  auto& tapped = Record(*s, "tapped", {10, 20, 20});
  tapped.SetValue(2, 1, Variant("HoleCDrill"));
  tapped.SetValue(1, 6, Variant(int16_t{1}));
  tapped.SetValue(1, 7, Variant(int16_t{0}));
  for (const auto& [slot, v] : std::vector<std::pair<int16_t, double>>{
           {9, 22.5}, {10, 10}, {11, 15}, {12, 1.5}, {16, 18}, {17, 10.6}, {18, 90}})
    tapped.SetValue(1, slot, Variant(v));
  // Texts where numbers belong, and nothing else: blank cells, no failure.
  auto& odd = Record(*s, "odd");
  odd.SetValue(1, 10, Variant("ten"));
  odd.SetValue(1, 7, Variant("yes"));

  const auto rows = HolesOf(*s);
  ASSERT_EQ(rows.size(), 2u);  // the block has no record
  EXPECT_EQ(rows[0].spec.boreLength, 22.5);  // the drilled length of a blind tapped hole
  // A through tapped hole reports its thread length, which regeneration keeps current.
  tapped.SetValue(1, 7, Variant(int16_t{1}));
  tapped.SetValue(1, 11, Variant(31.0));
  EXPECT_EQ(HolesOf(*s)[0].spec.boreLength, 31.0);

  std::ostringstream csv, text;
  cavix::actions::WriteHoleCsv(HolesOf(*s), csv);
  cavix::actions::WriteHoleTable(HolesOf(*s), text);
  EXPECT_NE(
      csv.str().find(
          "tapped,HoleCDrill,,,10,8.5,31,yes,31,1.5,counterdrill,18,10.6,90,yes,,10,20,20,0,0,-1,"),
      std::string::npos)
      << csv.str();
  // The record that cannot be read is listed, with why, and without sizes.
  EXPECT_NE(csv.str().find("odd,,,,,,,no,,,,,,,no,,"), std::string::npos) << csv.str();
  EXPECT_NE(csv.str().find("hole's stored through flag (number slot 7) holds \"\"yes\"\""),
            std::string::npos)
      << csv.str();
  EXPECT_NE(text.str().find("\u2334 \u230018 \u21a710.6 \u00d7 90\u00b0"), std::string::npos)
      << text.str();
}

// Stored values that make no hole are said to make none: no sizes, "not a hole", and why.
TEST(HoleTable, StoredValuesThatMakeNoHoleAreMarked) {
  auto s = cavix::scene::Scene::NewModel();
  for (const auto& [name, slot, value] : std::vector<std::tuple<const char*, int16_t, double>>{
           {"deep", 11, -5}, {"wide", 12, -20}, {"pointed", 8, 1e308}, {"fine", 11, 5}}) {
    auto& r = Record(*s, name);
    r.SetValue(2, 1, Variant("HoleSimple"));
    r.SetValue(1, 10, Variant(10.0));
    r.SetValue(1, 11, Variant(12.0));
    r.SetValue(1, 8, Variant(-50.0));  // a point of 0 or less is built flat
    r.SetValue(1, slot, Variant(value));
  }
  const auto rows = HolesOf(*s);
  ASSERT_EQ(rows.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(rows[i].IsHole(), i == 3) << rows[i].name;
  }
  std::ostringstream text;
  cavix::actions::WriteHoleList(rows, text);
  EXPECT_NE(text.str().find("not a hole"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("#4 pointed is not a hole: the drill-point angle"), std::string::npos)
      << text.str();
  EXPECT_NE(text.str().find("blind flat"), std::string::npos) << text.str();
  EXPECT_EQ(text.str().find("-50"), std::string::npos) << text.str();
}

TEST(HoleTable, NamesAreQuotedInCsvAndAlignedByCharactersInText) {
  auto s = cavix::scene::Scene::NewModel();
  double d = 5;
  for (const char* name : {"a,b", "say \"hi\"", "two\nlines", "\u00e4\u00f6\u00fc"}) {
    auto& r = Record(*s, name);
    r.SetValue(1, 10, Variant(d++));
    r.SetValue(1, 11, Variant(10.0));
  }
  std::ostringstream csv, text;
  cavix::actions::WriteHoleCsv(HolesOf(*s), csv);
  EXPECT_NE(csv.str().find(",\"a,b\","), std::string::npos);
  EXPECT_NE(csv.str().find(",\"say \"\"hi\"\"\","), std::string::npos);
  EXPECT_NE(csv.str().find(",two\\nlines,"), std::string::npos);  // escaped as on a terminal

  cavix::actions::WriteHoleTable(HolesOf(*s), text);
  std::istringstream in(text.str());
  std::string header, rule, line, umlaut;
  std::getline(in, header);
  std::getline(in, rule);
  int rows = 0;
  for (; std::getline(in, line); ++rows)
    if (line.find("\u00e4") != std::string::npos) umlaut = line;
  EXPECT_EQ(rows, 4) << "a line break in a name must not break the table:\n" << text.str();
  auto chars = [](const std::string& s, size_t bytes) {
    size_t n = 0;
    for (size_t i = 0; i < bytes; ++i)
      if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++n;
    return n;
  };
  // The diameter value sits under the header's "⌀", counting characters, not bytes.
  const size_t diaHeader = chars(header, header.find("\u2300"));
  const size_t diaRow = chars(umlaut, umlaut.find(" 8 ") + 1);
  EXPECT_EQ(diaRow, diaHeader) << header << "\n" << umlaut;
}

}  // namespace
