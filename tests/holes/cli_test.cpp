// The hole commands as users run them: `cavix resize`, `cavix regen` and `cavix threads` on model
// files holding holes of every kind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "dialog/globals.h"
#include "hole_objects/class_list.h"
#include "hole_objects/hole.h"
#include "hole_objects/utils.h"
#include "host/drop_hole.h"
#include "scene/model_file.h"
#include "scene/scene.h"

namespace {

namespace holes = cavix::holes;
namespace scene = cavix::scene;
namespace fs = std::filesystem;
using nlohmann::json;

struct Result {
  int status = -1;
  std::string out;
};

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("cavix-cli-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
           std::to_string(::getpid()));
    fs::create_directories(dir);
    model = (dir / "m.json").string();
    registry = (dir / "cavix.reg").string();
    std::ofstream(registry) << "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\r\n"
                               "\"ApplDir\"=\"" CAVIX_SOURCE_DATA_DIR "\"\r\n";
    scene = scene::Scene::NewModel({100, 60, 20});
    scene->RegisterClasses(cavix::HoleClasses());
    scene->InstallServices({registry, (dir / "none.ini").string()});
    cavix::Globals().CurrentPage = &scene->ActivePage();
  }
  void TearDown() override {
    cavix::ResetGlobals();
    scene.reset();
    fs::remove_all(dir);
  }

  // Creates a hole on a newly dropped shape and returns its "#ID".
  std::string Hole(int16_t type, bool thread, bool through, double angle = 90) {
    scene::Shape& s = scene->AddDroppedShape();
    cavix::Globals().HoleType = type;
    auto h = holes::MakeHole(type);
    h->SetDiametro(10);
    h->SetLunghezza(16);
    h->SetLungFiletto(thread ? 12 : 0);
    h->SetpassoFiletto(thread ? 1.5 : 0);
    h->SetHToll(thread ? 0 : 0.5);
    h->SetangPunta(through ? 0 : 118);
    h->SetisThread(thread);
    h->SetisThrough(through);
    h->SetRecess(20, 4, angle);
    h->Create(s);
    return "#" + std::to_string(s.Id());
  }
  void Save() { scene::SaveModel(*scene, model); }

  Result Run(const std::string& args) {
    const std::string cmd = "CAVIX_REGISTRY='" + registry + "' CAVIX_SETTINGS='" +
                            (dir / "none.ini").string() + "' '" CAVIX_EXE "' " + args + " 2>'" +
                            (dir / "err.txt").string() + "'";
    Result r;
    FILE* p = ::popen(cmd.c_str(), "r");
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
  }
  std::string Err() {
    std::ifstream f(dir / "err.txt");
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  std::string FileText() {
    std::ifstream f(model, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  static double Deepest(const scene::Shape& s) {
    double d = 0;
    for (const auto& chain : s.Store().First(15)->ProfileIfAny()->Store().Find(3)->Items())
      for (const auto& p : chain->Points()) d = std::min(d, p.y);
    return d;
  }

  fs::path dir;
  std::string model, registry;
  std::unique_ptr<scene::Scene> scene;
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
  const auto blindBefore = scene::ShapeToJson(*scene->FindShape(blind[0]));

  for (double thickness : {35.0, 12.25}) {
    std::ostringstream block;
    block << "100,60," << thickness;
    const Result r = Run("resize '" + model + "' --block " + block.str());
    ASSERT_EQ(r.status, 0) << Err();
    auto reopened = scene::LoadModel(model);
    for (const auto& id : through) {
      const scene::Shape& s = *reopened->FindShape(id);
      EXPECT_NEAR(Deepest(s), -thickness, 1e-9) << s.Name();
    }
    EXPECT_EQ(scene::ShapeToJson(*reopened->FindShape(blind[0])), blindBefore);
  }
  // Regenerating again changes nothing.
  const std::string before = FileText();
  ASSERT_EQ(Run("regen '" + model + "'").status, 0) << Err();
  EXPECT_EQ(FileText(), before);
}

TEST_F(Cli, RegenOneShape) {
  const std::string a = Hole(2, false, true), b = Hole(2, false, true);
  // The part's block authored as the catalog's drop item: bound, but not a hole.
  std::string tag = cavix::host::kDropHoleClassId;
  holes::BindShapeToClass(*scene->MainPart().ShapeItems().front(), tag);
  Save();
  const Result all = Run("regen '" + model + "'");
  ASSERT_EQ(all.status, 0) << Err();
  EXPECT_EQ(all.out.find("Block"), std::string::npos) << all.out;
  // The part changes behind the holes' back; only the named hole follows.
  scene->MainPart().ShapeItems().front()->Store().First(1)->SetValue(3, 30.0);
  Save();
  const Result r = Run("regen '" + model + "' '" + b + "'");
  ASSERT_EQ(r.status, 0) << Err();
  auto reopened = scene::LoadModel(model);
  EXPECT_NEAR(Deepest(*reopened->FindShape(a)), -16, 1e-12);  // as created
  EXPECT_NEAR(Deepest(*reopened->FindShape(b)), -30, 1e-12);
  EXPECT_EQ(reopened->FindShape(b)->Store().First(34)->GroupVars().at({1, 11}),
            cavix::rt::Variant(26.0));
}

TEST_F(Cli, ThreadsJson) {
  const std::string simple = Hole(1, true, false);
  const std::string sink = Hole(3, true, true, 120);
  const std::string cbore = Hole(2, false, false);
  Save();

  Result r = Run("threads '" + model + "' '" + simple + "' --json");
  ASSERT_EQ(r.status, 0) << Err();
  json j = json::parse(r.out);
  const std::vector<std::string> keys = {"result",
                                         "InnerDiameter",
                                         "OuterDiameter",
                                         "TaperAngle",
                                         "ThreadLength",
                                         "OffsetDistance",
                                         "VecX",
                                         "VecY",
                                         "VecZ",
                                         "IsHole",
                                         "TaperProjection",
                                         "bHoleDepthIsFinite",
                                         "dHoleDepth",
                                         "dCounterboreDepth",
                                         "dCounterboreDiameter",
                                         "dCountersinkDiameter",
                                         "dCountersinkAngle",
                                         "dBottomAngle",
                                         "ProjectionFlags"};
  for (const auto& k : keys) EXPECT_TRUE(j.contains(k)) << k;
  EXPECT_EQ(j.size(), keys.size());
  EXPECT_EQ(j["result"], true);
  EXPECT_EQ(j["InnerDiameter"], 8.5);
  EXPECT_EQ(j["OuterDiameter"], 10.0);
  EXPECT_EQ(j["ThreadLength"], 12.0);
  EXPECT_EQ(j["OffsetDistance"], 0.0);
  EXPECT_EQ(j["VecZ"], -1.0);
  EXPECT_EQ(j["IsHole"], true);
  EXPECT_EQ(j["TaperProjection"], true);
  EXPECT_EQ(j["bHoleDepthIsFinite"], true);
  EXPECT_EQ(j["ProjectionFlags"], 1);

  // The thread of a countersunk through hole starts below the cone the model has.
  r = Run("threads '" + model + "' '" + sink + "' --json");
  ASSERT_EQ(r.status, 0) << Err();
  j = json::parse(r.out);
  auto reopened = scene::LoadModel(model);
  const auto& pts = reopened->FindShape(sink)
                        ->Store()
                        .First(15)
                        ->ProfileIfAny()
                        ->Store()
                        .Find(3)
                        ->Items()[0]
                        ->Points();
  EXPECT_DOUBLE_EQ(j["OffsetDistance"].get<double>(), -pts[2].y);
  EXPECT_EQ(j["TaperProjection"], false);
  EXPECT_EQ(j["dCountersinkAngle"], 120.0);

  r = Run("threads '" + model + "' '" + cbore + "' --json");
  ASSERT_EQ(r.status, 0) << Err();
  j = json::parse(r.out);
  EXPECT_EQ(j["result"], false);
  EXPECT_EQ(j["ProjectionFlags"], 0);

  r = Run("threads '" + model + "' '" + simple + "'");
  ASSERT_EQ(r.status, 0) << Err();
  EXPECT_NE(r.out.find("GetProjectedThreadInformation"), std::string::npos);
  EXPECT_NE(r.out.find("InnerDiameter"), std::string::npos);
}

// A hole that cannot be regenerated stops the command, and the model file stays as it was.
TEST_F(Cli, FailedRegenerationLeavesTheFile) {
  Hole(4, true, true);
  scene::Shape& broken = scene->AddDroppedShape();
  std::string tag = scene->FindClassByProgId("Cavix.HoleCSink")->classId;
  holes::BindShapeToClass(broken, tag);  // bound, but without a hole record
  Save();
  const std::string before = FileText();
  Result r = Run("resize '" + model + "' --block 100,60,40");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(Err().find("9"), std::string::npos) << Err();
  EXPECT_EQ(FileText(), before);

  // A part thinner than a counterdrill's recess is refused the same way.
  EXPECT_EQ(Run("resize '" + model + "' --block 100,60,2").status, 1);
  EXPECT_NE(Err().find("deeper than the part"), std::string::npos) << Err();
  EXPECT_EQ(FileText(), before);

  EXPECT_EQ(Run("resize '" + model + "'").status, 2);
  EXPECT_EQ(Run("resize '" + model + "' --block 100,-60,40").status, 2);
  EXPECT_EQ(Run("threads '" + model + "' '#999'").status, 1);
  EXPECT_EQ(FileText(), before);
}

}  // namespace
