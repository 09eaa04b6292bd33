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

  // Stored values that make no hole, through or blind: every command agrees it is none. It is
  // not regenerated (the blind hole's outline once stayed, reported as regenerated), not cut and
  // not drawn, and its threads answer nothing.
  const auto odd = [&](bool through, int16_t slot, double value) {
    scene::Shape& s = Drop({1, false, through, 8, 12, 0, 0, through ? 0 : 118.0, 1, 0, 0, 0});
    s.Components(34).Item(1).SetValue(1, slot, value);
    return "#" + std::to_string(s.Id());
  };
  const std::string odds[] = {odd(true, 12, -40), odd(false, 10, -8), odd(false, 11, -5)};
  const std::string why[] = {"the drilled diameter is not positive",
                             "the drilled diameter is not positive", "the length is below zero"};
  model->FindShape(odds[0])->Components(34).Item(1).SetValue(1, 8, 1e308);
  Save();
  const std::string stored = Slurp(path);
  for (size_t i = 0; i < 3; ++i) {
    const std::string& id = odds[i];
    SCOPED_TRACE(id);
    EXPECT_EQ(Run("regen '" + path + "' '" + id + "'").status, 1);
    EXPECT_NE(Err().find("could not regenerate " + id + ": \"Hole  8\" "), std::string::npos)
        << Err();
    EXPECT_NE(Err().find(" a hole: " + why[i]), std::string::npos) << Err();
    const json asked = json::parse(Run("threads '" + path + "' '" + id + "' --json").out);
    EXPECT_EQ(asked["result"], false);
    EXPECT_EQ(asked["InnerDiameter"], 0.0);
    EXPECT_EQ(asked["problem"], why[i]);
  }
  EXPECT_EQ(Run("regen '" + path + "'").status, 1);
  EXPECT_EQ(Slurp(path), stored);
  const Result table = Run("holes '" + path + "'");
  const Result sheet = Run("export '" + path + "' " + dir.File("m.svg"));
  EXPECT_EQ(sheet.status, 0) << Err();
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_NE(table.out.find(odds[i] + " Hole  8 is not a hole: " + why[i]), std::string::npos)
        << table.out;
    EXPECT_NE(sheet.err.find(odds[i] + " \"Hole  8\": not drawn, it is not a hole: " + why[i]),
              std::string::npos)
        << sheet.err;
  }
  EXPECT_EQ(Slurp(dir.File("m.svg")).find("⌀9"), std::string::npos);
#ifdef CAVIX_WITH_OCCT
  const Result solid = Run("export '" + path + "' " + dir.File("m.step"));
  EXPECT_EQ(solid.status, 0) << Err();
  EXPECT_NE(solid.out.find(": 1 hole cut"), std::string::npos) << solid.out;  // the counterdrill
  for (size_t i = 0; i < 3; ++i)
    EXPECT_NE(solid.err.find("(\"" + odds[i] + " \"Hole  8\"\"): not cut, it is not a hole: " +
                             why[i]),
              std::string::npos)
        << solid.err;
#endif

  for (const char* block : {"100,-60,40", "100,60,1e200"}) {
    EXPECT_EQ(Run("resize '" + path + "' --block " + block).status, 2) << block;
    EXPECT_NE(Err().find("--block: a block extent must be from"), std::string::npos) << Err();
  }
  EXPECT_EQ(Slurp(path), stored);
}

}  // namespace
