// From a scene (and a saved model file) to the writers: holes found on the main part with their
// axes, callouts from the holes' facts, the writer chosen by extension, inch models in millimetres.

#include "export/scene_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/holes/hole_input.h"
#include "scene/model_file.h"
#include "scene/scene.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;
using namespace cavix;
using namespace cavix::exporter;
using holetest::HoleInput;
using holetest::Spec;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Draws a chain into a dropped shape's profile the way the hole builders do.
scene::Shape& Drop(scene::Scene& s, scene::Vec3 normal, scene::Vec3 at,
                   const std::vector<std::array<double, 2>>& pts) {
  scene::Shape& shape = s.AddDroppedShape(normal, at);
  if (pts.empty()) return shape;
  host::IComponent& chain =
      shape.Components(host::comp::kRevolve).Item(1).Profile().Components(host::comp::kChain).Add();
  chain.SetStartPoint(0.0, 0.0);
  for (const auto& p : pts) chain.AddLineTo(p[0], p[1]);
  return shape;
}

double Tip(double r) { return r / std::tan(59.0 * kPi / 180); }

std::vector<std::array<double, 2>> CBore(double l) {
  return {{5.5, 0}, {5.5, -6.4}, {3.3, -6.4}, {3.3, -(6.4 + l)}, {0, -(6.4 + l + Tip(3.3))},
          {0, 0}};
}

// A hole dropped at `at` along `normal` whose record holds `spec` (its outline is not drawn: the
// callout is what the record says).
scene::Shape& Stored(scene::Scene& s, scene::Vec3 normal, scene::Vec3 at, holes::HoleSpec spec) {
  scene::Shape& shape = s.AddDroppedShape(normal, at);
  holes::EncodeHoleRecord(shape.Components(host::comp::kHoleData).Add(), holes::RecordOf(spec),
                          *spec.kind);
  return shape;
}

}  // namespace

// Callouts state the facts of each kind of hole, blind and through; a blind hole whose bore
// breaks out of the part is still a blind hole of its depth, as the hole table calls it.
TEST(SceneExport, CalloutsStateTheFactsOfEachHole) {
  auto s = scene::Scene::NewModel({100, 60, 20});
  // Drilled at 6.6 (threaded: M10 x 1.5), a counterbore 11 x 6.4, a countersink 12.6 at 90 degrees,
  // a counterdrill 11 x 4 and 90 degrees.
  const HoleInput cbore{.type = 2, .D = 6, .T = 0.6, .Dr = 11, .Lc = 6.4};
  HoleInput through = cbore, deep = cbore, shallow = cbore;
  through.through = true;
  deep.L = 30;  // breaks out, blind all the same
  shallow.L = 8;
  Stored(*s, {0, 0, -1}, {10, 10, 20}, Spec(through));
  Stored(*s, {0, 0, -1}, {30, 10, 20}, Spec(shallow));
  Stored(*s, {0, 0, -1}, {50, 10, 20},
         Spec({.type = 3, .D = 6, .L = 10, .T = 0.6, .Dr = 12.6, .Ar = 90}));
  Stored(*s, {0, 0, -1}, {70, 10, 20},
         Spec({4, true, false, 10, 10, 8, 1.5, 118, 0, 11, 4, 90}));
  Stored(*s, {1, 0, 0}, {0, 30, 10}, Spec({.through = true, .D = 5}));  // side: 100 long
  Stored(*s, {0, 0, -1}, {90, 50, 20}, Spec(through));                 // like the first
  Stored(*s, {0, 0, -1}, {90, 30, 20}, Spec(deep));
  std::vector<std::string> warnings;
  const auto d = DrawingsFromScene(*s, warnings);
  ASSERT_EQ(d.size(), 6u);
  EXPECT_TRUE(warnings.empty());
  const std::vector<std::vector<std::string>> expected = {
      {"⌀6.6 THRU", "⌴ ⌀11 ↧ 6.4", "size 10, ISO 262"},
      {"⌀6.6 ↧ 8", "⌴ ⌀11 ↧ 6.4", "size 10, ISO 262"},
      {"⌀6.6 ↧ 10", "⌵ ⌀12.6 × 90°", "size 10, ISO 262"},
      {"M10x1.5 ↧ 8", "⌀8.5 ↧ 10", "⌴ ⌀11 ↧ 4", "⌵ 90°", "size M10, ISO 262"},
      {"⌀5 THRU", "size 10, ISO 262"},
      {"⌀6.6 ↧ 30", "⌴ ⌀11 ↧ 6.4", "size 10, ISO 262"},
  };
  for (size_t i = 0; i < d.size(); ++i) {
    HoleCallout one = d[i].callout;
    one.count = 1;
    EXPECT_EQ(CalloutLines(one), expected[i]) << i;
    EXPECT_EQ(d[i].callout.count, i == 0 ? 2 : 1) << i;
  }
  EXPECT_DOUBLE_EQ(d[0].partThickness, 20);
  EXPECT_DOUBLE_EQ(d[4].partThickness, 100);
  // The thread starts below the recess (4 + the cone from 5.5 to 4.25 at 90 degrees).
  EXPECT_DOUBLE_EQ(d[3].thread.OffsetDistance, 4 + 1.25);
}

// A saved model exported by extension: STEP and SVG, in any letter case; unfinished holes are
// reported, and the sheet leaves out a shape that is no hole. Unknown extensions and STL output are
// checked through `cavix export`.
TEST(SceneExport, SavedModelExportsByExtension) {
  const cavix::test::TempDir dir("cavix-scene-export-");
  {
    auto s = scene::Scene::NewModel({60, 40, 20});
    Drop(*s, {0, 0, -1}, {15, 20, 20}, CBore(13.6));
    Drop(*s, {0, -1, 0}, {45, 40, 10}, {{3, 0}, {3, -12}, {0, -12 - Tip(3)}, {0, 0}});
    Drop(*s, {0, 0, -1}, {45, 10, 20}, {});  // dropped, its dialog closed: no hole
    scene::SaveModel(*s, dir.File("part.cvx"));
  }
  auto s = scene::LoadModel(dir.File("part.cvx"));
  const PartInput part = PartFromScene(*s);
  ASSERT_EQ(part.holes.size(), 3u);
  EXPECT_EQ(part.block, (std::array<double, 3>{60, 40, 20}));
  EXPECT_EQ(part.holes[1].normal, (std::array<double, 3>{0, -1, 0}));

  const ExportReport step = ExportModel(*s, dir.File("part.STEP"), "part.cvx");
  EXPECT_EQ(step.solid.holesCut, 2);
  ASSERT_EQ(step.warnings.size(), 1u);
  EXPECT_NE(step.warnings[0].find("no profile yet"), std::string::npos) << step.warnings[0];
  EXPECT_GT(fs::file_size(dir.File("part.STEP")), 1000u);

  const ExportReport svg = ExportModel(*s, dir.File("part.svg"), "part.cvx");
  EXPECT_NE(svg.written.find("section sheet of 2 holes"), std::string::npos) << svg.written;
  ASSERT_EQ(svg.warnings.size(), 1u);
  EXPECT_NE(svg.warnings[0].find("#4"), std::string::npos) << svg.warnings[0];
  EXPECT_NE(svg.warnings[0].find("not drawn, it is not a hole"), std::string::npos);
  const std::string text = cavix::test::Slurp(dir.File("part.svg"));
  EXPECT_NE(text.find("part.cvx"), std::string::npos);
  EXPECT_EQ(text.find("(no profile)"), std::string::npos);
}

// An inch model is written in millimetres: its block and holes scale by 25.4.
TEST(SceneExport, InchModelIsWrittenInMillimetres) {
  auto s = scene::Scene::NewModel({4, 2, 1}, scene::Units::Inch);
  Drop(*s, {0, 0, -1}, {1, 1, 1}, {{0.125, 0}, {0.125, -0.5}, {0, -0.5}, {0, 0}});
  const PartInput part = PartFromScene(*s);
  EXPECT_EQ(part.block, (std::array<double, 3>{101.6, 50.8, 25.4}));
  const ExportSummary m = Measure(part);
  const double mm3 = 25.4 * 25.4 * 25.4;
  EXPECT_NEAR(m.volume / ((4 * 2 * 1 - kPi * 0.125 * 0.125 * 0.5) * mm3), 1.0, 1e-9);
}
