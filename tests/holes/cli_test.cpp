// The hole commands as users run them: `cavix resize`, `cavix regen`, `cavix move` and
// `cavix threads` on model files holding holes of every kind.
#include <nlohmann/json.hpp>
#include <sstream>

#include "hole_objects/hole.h"
#include "host/add_in_names.h"
#include "scene_fixture.h"
#include "tests/support/shell.h"

namespace {

using namespace holetest;
using cavix::test::Slurp;
using nlohmann::json;

using Result = cavix::test::ShellResult;

class Cli : public SceneTest {
 protected:
  // Creates a hole on a newly dropped shape and returns its "#ID".
  std::string Hole(int16_t type, bool thread, bool through, double angle = 90) {
    // type, thread, through, D, L, LT, P, A, T, Dr, Lc, Ar
    HoleInput s{type, thread, through, 10, 16, 0, 0, through ? 0 : 118.0, 0.5, 20, 4, angle};
    if (thread) {
      s.LT = 12;
      s.P = 1.5;
      s.T = 0;
    }
    return "#" + std::to_string(Drop(s).Id());
  }
  Result Run(const std::string& args) {
    last_ = cavix::test::RunShell("CAVIX_REGISTRY='" CAVIX_TEST_REGISTRY
                                  "' CAVIX_SETTINGS='" CAVIX_TEST_SETTINGS "' '" CAVIX_EXE "' " +
                                      args,
                                  dir);
    return last_;
  }
  // The error stream of the last command run.
  const std::string& Err() const { return last_.err; }
  // What `cavix threads --json` answers for the hole `id`.
  json Threads(const std::string& id) {
    const Result r = Run("threads '" + path + "' '" + id + "' --json");
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out);
  }
  Result last_;
};

// The test the cone-height fix must pass: every through hole ends exactly at the far face after
// the part is resized, whatever its recess angle.
TEST_F(Cli, ResizeKeepsEveryThroughHoleThrough) {
  std::vector<std::string> through, blind;
  for (double angle : {82.0, 90.0, 120.0})
    for (int16_t type = 1; type <= 4; ++type)
      for (bool thread : {false, true}) through.push_back(Hole(type, thread, true, angle));
  blind.push_back(Hole(3, false, false));
  Save();
  const auto blindBefore = scene::ShapeToJson(*model->FindShape(blind[0]));

  for (double thickness : {35.0, 12.25}) {
    std::ostringstream block;
    block << "100,60," << thickness;
    const Result r = Run("resize '" + path + "' --block " + block.str());
    ASSERT_EQ(r.status, 0) << Err();
    auto reopened = scene::LoadModel(path);
    for (const auto& id : through) {
      const scene::Shape& s = *reopened->FindShape(id);
      EXPECT_NEAR(Deepest(s), -thickness, 1e-9) << s.Name();
    }
    EXPECT_EQ(scene::ShapeToJson(*reopened->FindShape(blind[0])), blindBefore);
  }
  // Regenerating again changes nothing.
  const std::string before = Slurp(path);
  ASSERT_EQ(Run("regen '" + path + "'").status, 0) << Err();
  EXPECT_EQ(Slurp(path), before);
}

TEST_F(Cli, RegenOneShape) {
  const std::string a = Hole(2, false, true), b = Hole(2, false, true);
  // The part's block authored as the catalog's drop item: bound, but not a hole.
  std::string tag = cavix::host::kDropHoleClassId;
  holes::BindShapeToClass(*model->MainPart().ShapeItems().front(), tag);
  Save();
  const Result all = Run("regen '" + path + "'");
  ASSERT_EQ(all.status, 0) << Err();
  EXPECT_EQ(all.out.find("Block"), std::string::npos) << all.out;
  // The part changes behind the holes' back; only the named hole follows.
  model->MainPart().ShapeItems().front()->Store().First(1)->SetValue(3, 30.0);
  Save();
  const Result r = Run("regen '" + path + "' '" + b + "'");
  ASSERT_EQ(r.status, 0) << Err();
  auto reopened = scene::LoadModel(path);
  EXPECT_NEAR(Deepest(*reopened->FindShape(a)), -16, 1e-12);  // as created
  EXPECT_NEAR(Deepest(*reopened->FindShape(b)), -30, 1e-12);
  EXPECT_EQ(reopened->FindShape(b)->Store().First(34)->GroupVars().at({1, 11}),
            cavix::rt::Variant(26.0));
}

// A moved through hole goes through the part along its new axis; a blind one keeps its profile;
// what is not a hole, or has nowhere to go, is refused and the file stays as it was.
TEST_F(Cli, MoveRegeneratesTheHoleWhereItGoes) {
  const std::string through = Hole(2, true, true), blind = Hole(3, false, false);
  Save();
  const auto blindChains = scene::ShapeToJson(*model->FindShape(blind))["profile"];
  ASSERT_EQ(Run("move '" + path + "' '" + through + "' --at 0,30,10 --normal 1,0,0").status, 0)
      << Err();
  ASSERT_EQ(Run("move '" + path + "' '" + blind + "' --at 40,20,20").status, 0) << Err();
  EXPECT_NE(last_.out.find("to 40,20,20 along 0,0,-1"), std::string::npos) << last_.out;
  auto moved = scene::LoadModel(path);
  const scene::Shape& t = *moved->FindShape(through);
  EXPECT_EQ(t.Position(), (scene::Vec3{0, 30, 10}));
  EXPECT_EQ(t.Normal(), (scene::Vec3{1, 0, 0}));
  EXPECT_NEAR(Deepest(t), -100, 1e-9);  // the block's width, no longer its thickness
  const scene::Shape& b = *moved->FindShape(blind);
  EXPECT_EQ(b.Position(), (scene::Vec3{40, 20, 20}));
  EXPECT_EQ(scene::ShapeToJson(b)["profile"], blindChains);

  const std::string before = Slurp(path);
  const struct {
    std::string args;
    int status;
    std::string said;
  } refused[] = {
      {"'#1' --at 1,2,3", 1, "is not a hole"},
      {"'" + through + "' --at 1,2", 2, "--at"},
      {"'" + through + "' --at 1,2,3 --normal 0,0,0", 2, "zero vector"},
      {"'" + through + "'", 2, "--at X,Y,Z is required"},
      {"'#99' --at 1,2,3", 1, "#99"},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(Run("move '" + path + "' " + c.args).status, c.status) << c.args;
    EXPECT_NE(Err().find(c.said), std::string::npos) << c.args << ": " << Err();
  }
  EXPECT_EQ(Slurp(path), before);
}

TEST_F(Cli, ThreadsJson) {
  const std::string simple = Hole(1, true, false);
  const std::string sink = Hole(3, true, true, 120);
  const std::string cbore = Hole(2, false, false);
  const std::string cdrill = Hole(4, true, false, 82);
  Save();

  json j = Threads(simple);
  const json m10 = {{"result", true},       {"InnerDiameter", 8.5},    {"OuterDiameter", 10.0},
                    {"ThreadLength", 12.0}, {"OffsetDistance", 0.0},   {"VecZ", -1.0},
                    {"IsHole", true},       {"TaperProjection", true}, {"bHoleDepthIsFinite", true},
                    {"ProjectionFlags", 1}};
  for (const auto& [k, v] : m10.items()) EXPECT_EQ(j[k], v) << k;

  // The thread of a countersunk through hole starts below the cone the model has.
  j = Threads(sink);
  auto reopened = scene::LoadModel(path);
  const auto& pts = Chains(*reopened->FindShape(sink))[0]->Points();
  EXPECT_DOUBLE_EQ(j["OffsetDistance"].get<double>(), -pts[2].y);
  EXPECT_EQ(j["TaperProjection"], false);
  EXPECT_EQ(j["dCountersinkAngle"], 120.0);

  // A threaded counterdrill: the thread starts at the bottom of the recess's cone, and the
  // recess is described in full.
  j = Threads(cdrill);
  EXPECT_DOUBLE_EQ(j["OffsetDistance"].get<double>(),
                   -Chains(*reopened->FindShape(cdrill))[0]->Points()[3].y);
  const json recess = {{"dCounterboreDepth", 4.0},     {"dCounterboreDiameter", 20.0},
                       {"dCountersinkDiameter", 20.0}, {"dCountersinkAngle", 82.0},
                       {"ProjectionFlags", 1}};
  for (const auto& [k, v] : recess.items()) EXPECT_EQ(j[k], v) << k;

  // An unthreaded counterbore has no thread to draw.
  j = Threads(cbore);
  EXPECT_EQ(j["result"], false);
  EXPECT_EQ(j["ProjectionFlags"], 0);
}

// A hole that cannot be regenerated stops the command, and the model file stays as it was.
TEST_F(Cli, FailedRegenerationLeavesTheFile) {
  Hole(4, true, true);
  scene::Shape& broken = model->AddDroppedShape();
  std::string tag = model->FindClassByProgId("Cavix.HoleCSink")->classId;
  holes::BindShapeToClass(broken, tag);  // bound, but without a hole record
  Save();
  const std::string before = Slurp(path);
  Result r = Run("resize '" + path + "' --block 100,60,40");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(Err().find("9"), std::string::npos) << Err();
  EXPECT_EQ(Slurp(path), before);

  // A part thinner than a counterdrill's recess is refused the same way.
  EXPECT_EQ(Run("resize '" + path + "' --block 100,60,2").status, 1);
  EXPECT_NE(Err().find("deeper than the part"), std::string::npos) << Err();
  EXPECT_EQ(Slurp(path), before);

  // A stored model whose values make no hole: not regenerated into one, and reported as none.
  Hole(1, false, false);  // the next id
  const std::string odd = "#" + std::to_string(model->AllShapes().back()->Id());
  model->AllShapes().back()->Components(34).Item(1).SetValue(1, 8, 1e308);
  model->AllShapes().back()->Components(34).Item(1).SetValue(1, 7, cavix::rt::Variant(int16_t{1}));
  model->AllShapes().back()->Components(34).Item(1).SetValue(1, 12, -40.0);
  Save();
  const std::string stored = Slurp(path);
  EXPECT_EQ(Run("regen '" + path + "' '" + odd + "'").status, 1);
  EXPECT_NE(Err().find("would not be a hole: the drilled diameter"), std::string::npos) << Err();
  EXPECT_EQ(Slurp(path), stored);
  const json asked = json::parse(Run("threads '" + path + "' '" + odd + "' --json").out);
  EXPECT_EQ(asked["result"], false);
  EXPECT_EQ(asked["InnerDiameter"], 0.0);
  EXPECT_NE(asked["problem"].get<std::string>().find("drilled diameter"), std::string::npos);

  EXPECT_EQ(Run("resize '" + path + "' --block 100,-60,40").status, 2);
  EXPECT_EQ(Slurp(path), stored);
}

}  // namespace
