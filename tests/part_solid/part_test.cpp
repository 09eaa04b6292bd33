// The part as the window cuts it, without a display: its cells together are the part with every
// hole cut, each hole owns exactly its faces through new, changed and removed holes, and the edges
// drawn are the part's and the holes' only. And parts made from STEP files: the solid read where
// the file has it, kept in the model file and cut like a block.
#include <gtest/gtest.h>

#include <BRepAdaptor_Curve.hxx>
#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <numeric>
#include <sstream>

#include "app/cli.h"
#if defined(CAVIX_WITH_OCCT) && defined(CAVIX_WITH_QT)
#include "host_window/host_window.h"
#endif
#include "export/occ_part.h"
#include "export/scene_export.h"
#include "part_solid/part_solid.h"
#include "part_solid/shown_part.h"
#include "runtime/error.h"
#include "scene/model_file.h"
#include "tests/part_solid/parts.h"
#include "tests/support/raised.h"
#include "tests/support/test_files.h"

namespace cavix::testing {
namespace {

using partsolid::HoleId;
using partsolid::ShownPart;

std::vector<HoleId> Ids(size_t n) {
  std::vector<HoleId> ids;
  for (size_t i = 0; i < n; ++i) ids.push_back(HoleId(i + 2));
  return ids;
}

double Area(const std::vector<std::pair<size_t, TopoDS_Shape>>& faces) {
  double area = 0;
  for (const auto& [cell, face] : faces) {
    GProp_GProps props;
    BRepGProp::SurfaceProperties(face, props);
    area += props.Mass();
  }
  return area;
}

// The area of a hole's faces when it is the only hole of the part.
double AreaAlone(const exporter::PartInput& part, size_t hole) {
  exporter::PartInput alone = part;
  alone.holes = {part.holes[hole]};
  ShownPart shown;
  shown.Show(alone, {HoleId(7)});
  return Area(shown.FacesOf(HoleId(7)));
}

// The length of the straight edges drawn: on a block whose holes keep off its edges, the
// block's twelve edges and nothing else (a dividing plane would add its traces on the faces).
double StraightEdges(const ShownPart& shown) {
  double length = 0;
  for (const partsolid::Cell& cell : shown.Cells())
    for (TopExp_Explorer ex(cell.edges, TopAbs_EDGE); ex.More(); ex.Next()) {
      BRepAdaptor_Curve curve(TopoDS::Edge(ex.Current()));
      if (curve.GetType() == GeomAbs_Line) length += GCPnts_AbscissaPoint::Length(curve);
    }
  return length;
}

void ExpectSameVolume(const ShownPart& shown, const exporter::PartInput& part) {
  const double want = exporter::SolidVolume(exporter::CutPart(part));
  EXPECT_NEAR(exporter::SolidVolume(shown.Solid()), want, 1e-7 * want);
}

TEST(ShownPart, CellsTogetherAreTheCutPart) {
  exporter::PartInput sides = Grid(12, 4, 15);
  for (int i = 0; i < 3; ++i)  // into the face x = 0, along +x
    sides.holes.push_back(Hole({0, 10 + 15.0 * i, 15}, {1, 0, 0}));
  // A bracket read from a STEP file, drilled into its foot and, from the inside, its upright.
  const test::TempDir dir("cavix-bracket-");
  ASSERT_TRUE(WriteStep(LBracket(), dir.File("bracket.step")));
  const partsolid::ImportedSolid solid = partsolid::ReadStepSolid(dir.File("bracket.step"));
  exporter::PartInput bracket{.block = solid.extents, .solidBrep = solid.brep, .holes = {}};
  bracket.holes = {Hole({40, 20, 10}, {0, 0, -1}, 0.4), Hole({10, 20, 35}, {-1, 0, 0}, 0.4)};
  const struct {
    const char* name;
    exporter::PartInput part;
    size_t minCells;
    bool apart;  // no two holes meet (where counterbores meet, their walls meet in lines)
  } cases[] = {
      {"forty apart", Grid(40, 8, 15), 5, true},
      // Cells of holes that meet gather more of them (here a few cells, seams among them).
      {"sixty-four whose counterbores meet", Grid(64, 8, 9), 2, false},
      {"on two faces", sides, 2, true},
      {"into a bracket's faces", bracket, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShownPart shown;
    shown.Show(c.part, Ids(c.part.holes.size()));
    EXPECT_GE(shown.Cells().size(), c.minCells);
    EXPECT_TRUE(shown.Warnings().empty());
    ExpectSameVolume(shown, c.part);
    for (HoleId id : Ids(c.part.holes.size())) EXPECT_FALSE(shown.FacesOf(id).empty());
    const auto& b = c.part.block;
    if (c.apart) {
      EXPECT_NEAR(StraightEdges(shown), 4 * (b[0] + b[1] + b[2]), 1e-6);
      // Holes apart own exactly the faces each would make alone.
      EXPECT_NEAR(Area(shown.FacesOf(HoleId(2 + 9))), AreaAlone(c.part, 9), 1e-6);
    }
    // Every hole face found by its cell, every other face the part's.
    size_t holeFaces = 0;
    for (size_t i = 0; i < shown.Cells().size(); ++i)
      for (TopExp_Explorer ex(shown.Cells()[i].shape, TopAbs_FACE); ex.More(); ex.Next())
        holeFaces += shown.HoleOf(i, ex.Current()).has_value();
    size_t listed = 0;
    for (HoleId id : Ids(c.part.holes.size())) listed += shown.FacesOf(id).size();
    EXPECT_EQ(holeFaces, listed);
  }
}

TEST(ShownPart, ChangesCutOnlyTheCellsTheyReach) {
  exporter::PartInput part = Grid(40, 8, 15);
  std::vector<HoleId> ids = Ids(40);
  ShownPart shown;
  shown.Show(part, ids);
  const size_t cells = shown.Cells().size();

  // A new hole between four others: cut from what its cells show, owning its own faces.
  part.holes.push_back(Hole({5 + 15 * 4.0, 5 + 15 * 2.0, 30}, {0, 0, -1}, 0.5));
  ids.push_back(HoleId(100));
  EXPECT_LE(shown.Update(part, ids), 4u);
  ExpectSameVolume(shown, part);
  EXPECT_NEAR(Area(shown.FacesOf(HoleId(100))), AreaAlone(part, 40), 1e-6);

  // A smaller hole in its place: its cells are cut again from the part, without the old one.
  part.holes[10] = Hole(part.holes[10].position, {0, 0, -1}, 0.7);
  EXPECT_LE(shown.Update(part, ids), 4u);
  ExpectSameVolume(shown, part);
  EXPECT_NEAR(Area(shown.FacesOf(ids[10])), AreaAlone(part, 10), 1e-6);

  // A hole removed.
  part.holes.erase(part.holes.begin() + 3);
  ids.erase(ids.begin() + 3);
  EXPECT_LE(shown.Update(part, ids), 4u);
  ExpectSameVolume(shown, part);
  EXPECT_TRUE(shown.FacesOf(HoleId(5)).empty());

  // Nothing changed: nothing cut.
  EXPECT_EQ(shown.Update(part, ids), 0u);

  // Small holes crowding one cell: it is divided again.
  for (int i = 0; i < 20; ++i) {
    part.holes.push_back(Hole({8 + 2.8 * (i % 5), 8 + 2.8 * (i / 5), 30}, {0, 0, -1}, 0.2));
    ids.push_back(HoleId(200 + i));
  }
  shown.Update(part, ids);
  EXPECT_GT(shown.Cells().size(), cells);
  for (const partsolid::Cell& c : shown.Cells())
    EXPECT_LE(c.holes.size(), partsolid::kCellHolesMax);
  ExpectSameVolume(shown, part);

  // The part itself changed: everything anew.
  part.block[2] = 40;
  for (auto& h : part.holes) h.position[2] = 40;
  const size_t cut = shown.Update(part, ids);
  EXPECT_EQ(cut, shown.Cells().size());
  ExpectSameVolume(shown, part);
}

// ---- parts from STEP files ----

class StepPart : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteStep(LBracket(), step_)); }
  test::TempDir dir_{"cavix-step-"};
  std::string step_ = dir_.File("bracket.step");
};

TEST_F(StepPart, SolidIsReadWhereItIsAndKeptInTheModel) {
  const partsolid::ImportedSolid solid = partsolid::ReadStepSolid(step_);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(solid.extents[i], (std::array{80, 40, 60})[i], 1e-6);
  const TopoDS_Shape shape = partsolid::ShapeFromBrep(solid.brep, "test");
  EXPECT_NEAR(exporter::SolidVolume(shape), 80 * 40 * 10 + 10 * 40 * 50, 1e-6);
  Bnd_Box box;
  BRepBndLib::AddOptimal(shape, box, Standard_False, Standard_False);
  EXPECT_NEAR(box.CornerMin().Distance(gp_Pnt(5, -20, 3)), 0, 1e-6);  // where the file has it

  // `cavix new --from`: the solid on the first shape, its extents as the part's size.
  const std::string model = dir_.File("bracket.json");
  std::ostringstream out, err;
  ASSERT_EQ(app::Run({"new", model, "--from", step_}, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("part from " + step_ + ", bounding box 80 x 40 x 60 mm"),
            std::string::npos)
      << out.str();
  auto scene = scene::LoadModel(model);
  scene::Shape& first = *scene->MainPart().ShapeItems().front();
  EXPECT_EQ(first.Name(), "bracket");
  EXPECT_EQ(first.Solid(), solid.brep);
  EXPECT_NEAR(exporter::PartFromScene(*scene).block[2], 60, 1e-9);
  // A file name is printed as any name is: its control characters escaped.
  const std::string esc = dir_.File("esc\x1b[31m.step");
  std::filesystem::copy_file(step_, esc);
  std::ostringstream named;
  ASSERT_EQ(app::Run({"new", model, "--force", "--from", esc}, named, err), 0) << err.str();
  EXPECT_NE(named.str().find("part from " + dir_.File("esc\\x1b[31m.step")), std::string::npos)
      << named.str();
  EXPECT_EQ(named.str().find('\x1b'), std::string::npos);
  EXPECT_EQ(app::Run({"new", model, "--force", "--from", step_, "--block", "1,2,3"}, out, err), 2);
  EXPECT_EQ(app::Run({"resize", model, "--block", "1,2,3"}, out, err), 1);
  EXPECT_EQ(scene::LoadModel(model)->MainPart().ShapeItems().front()->Solid(), solid.brep);
#if defined(CAVIX_WITH_OCCT) && defined(CAVIX_WITH_QT)
  // `cavix open` says what is wrong with the file before it looks for a display.
  std::ostringstream none;
  const app::HostRunner host = [](const std::string& model, const scene::ServiceConfig& s) {
    return hostwindow::RunHostWindow({model, s});
  };
  EXPECT_EQ(app::Run({"open", dir_.File("none.json"), "--registry", step_}, out, none, {}, host), 1);
  EXPECT_NE(none.str().find("none.json\" does not exist"), std::string::npos) << none.str();
#endif

  // An inch page keeps the solid in millimetres and its size in inches.
  auto inch = partsolid::NewModelFromStep(step_, scene::Units::Inch);
  EXPECT_NEAR(exporter::PartFromScene(*inch).block[0], 80, 1e-9);
}

// `cavix new --from` on files that hold no one good solid: each refused in words naming the file
// and the fault, and no model made. A file nested a hundred thousand levels deep, and a box's file
// cut in the middle of an entity, once crashed the kernel's reader; a vertex moved off its faces
// once read as a valid solid, 7 mm taller.
TEST_F(StepPart, FilesWithoutOneGoodSolidAreRefusedByName) {
  BRep_Builder builder;
  TopoDS_Compound two;
  builder.MakeCompound(two);
  builder.Add(two, BRepPrimAPI_MakeBox(10, 10, 10).Shape());
  builder.Add(two, BRepPrimAPI_MakeBox(gp_Pnt(20, 0, 0), 10, 10, 10).Shape());
  ASSERT_TRUE(WriteStep(two, dir_.File("two.step")));
  ASSERT_TRUE(WriteStep(BRepPrimAPI_MakeBox(1e6, 10, 10).Shape(), dir_.File("long.step")));
  const std::string box = test::Slurp(step_);
  const std::string moved = WithFirstVertexMoved(box, 7);
  ASSERT_NE(moved, "");
  const std::string deep = "ISO-10303-21;\nHEADER;\nENDSEC;\nDATA;\n#1 = CARTESIAN_POINT(''," +
                           std::string(100000, '(') + "0." + std::string(100000, ')') +
                           ");\nENDSEC;\nEND-ISO-10303-21;\n";
  // Quotes and comments do not nest: a name full of parentheses is no deeper than its entity.
  std::string named = box;
  named.insert(named.find("DATA;") + 5, "\n/* ((((( */ #99999 = PRODUCT_CATEGORY('" +
                                             std::string(500, '(') + "','');");
  const struct {
    std::string file;
    int number;
    const char* problem;
  } cases[] = {
      {dir_.File("none.step"), 53, "does not exist"},
      {dir_.Write("text.step", "not a STEP file\n"), 321, "not a STEP file"},
      {dir_.File("two.step"), 321, "holds 2 solids"},
      {dir_.Write("deep.step", deep), 321, "nest more than 100 levels deep"},
      {dir_.Write("moved.step", moved), 321,
       "not a valid solid: its edges and faces meet only "
       "within 7"},
      {dir_.File("long.step"), 321, "a block extent must be from 0.001 to 100000 mm, not 1e+06"},
      {"/dev/zero", 321, "not a regular file"},
      {CAVIX_STEP_SEEDS "cut_mid_entity.step", 321, "the kernel's STEP reader crashed on it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::ostringstream out, err;
    EXPECT_EQ(app::Run({"new", dir_.File("m.json"), "--from", c.file}, out, err), 1);
    EXPECT_NE(err.str().find("error " + std::to_string(c.number) + ": STEP file \"" + c.file),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find(c.problem), std::string::npos) << err.str();
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("m.json")));
  std::ostringstream out, err;
  EXPECT_EQ(app::Run({"new", dir_.File("m.json"), "--from", dir_.Write("named.step", named)}, out,
                     err),
            0)
      << err.str();
  EXPECT_THROW(partsolid::ShapeFromBrep("CASCADE Topology V1, nothing else", "model"), rt::Error);
}

}  // namespace
}  // namespace cavix::testing
