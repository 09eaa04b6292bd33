// Holes against the part they are in, through the `cavix` command: a through hole in a part from
// STEP goes as far as the material, not the part's box.
#include <gtest/gtest.h>

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "tests/part_solid/parts.h"
#include "tests/support/test_files.h"

namespace cavix::testing {
namespace {

const std::string kScripts = CAVIX_TEST_DATA_DIR "/scripts/";

// An L bracket 40 mm high: a foot 80 long, 40 deep and 30 thick, an upright 10 thick at x 0..10.
TopoDS_Shape Bracket40(double x0 = 0, double y0 = 0, double z0 = 0) {
  BRepBuilderAPI_MakePolygon outline;
  for (const auto& [x, z] :
       {std::pair{0.0, 0.0}, {80.0, 0.0}, {80.0, 30.0}, {10.0, 30.0}, {10.0, 40.0}, {0.0, 40.0}})
    outline.Add(gp_Pnt(x0 + x, y0, z0 + z));
  outline.Close();
  const TopoDS_Face side = BRepBuilderAPI_MakeFace(outline.Wire(), Standard_True).Face();
  return BRepPrimAPI_MakePrism(side, gp_Vec(0, 40, 0)).Shape();
}

class Fit : public ::testing::Test {
 protected:
  // The command's output; a failing status fails the test.
  std::string Cavix(const std::vector<std::string>& args, int status = 0) {
    std::ostringstream out, err;
    EXPECT_EQ(app::Run(args, out, err), status) << err.str();
    last_err_ = err.str();
    return out.str();
  }
  test::TempDir dir_{"cavix-fit-"};
  std::string model_ = dir_.File("m.json");
  std::string last_err_;
};

TEST_F(Fit, ThroughHoleInAStepWallIsTheMaterialCrossed) {
  const std::string step = dir_.File("bracket.step");
  ASSERT_TRUE(WriteStep(Bracket40(), step));
  Cavix({"new", model_, "--from", step});
  Cavix({"drop", model_, "--at", "50,20,30", "--script", kScripts + "plain_threaded_through.txt"});
  // The foot is 30 thick where the hole is; the part's box is 40 high.
  const std::string csv = Cavix({"holes", model_, "--csv"});
  EXPECT_NE(csv.find(",30,yes,30,1,"), std::string::npos) << csv;
  const std::string threads = Cavix({"threads", model_, "#2", "--json"});
  EXPECT_NE(threads.find("\"ThreadLength\": 30"), std::string::npos) << threads;
}

}  // namespace
}  // namespace cavix::testing
