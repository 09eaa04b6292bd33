// Holes in the stand-in host's model: what a saved and reopened model holds, regeneration after
// the part changes, the thread texture with the shipped image, and the drawing queries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dialog/globals.h"
#include "hole_objects/class_list.h"
#include "hole_objects/hole.h"
#include "runtime/fp.h"
#include "scene/model_file.h"
#include "scene/scene.h"

namespace {

namespace holes = cavix::holes;
namespace scene = cavix::scene;
using cavix::rt::Variant;
using cavix::rt::VarType;
namespace fs = std::filesystem;

class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("cavix-holes-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    registry = (dir / "cavix.reg").string();
    std::ofstream(registry) << "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\r\n"
                               "\"ApplDir\"=\"" CAVIX_SOURCE_DATA_DIR "\"\r\n";
    Open(scene::Scene::NewModel({100, 60, 20}));
  }
  void TearDown() override {
    cavix::ResetGlobals();
    model.reset();
    fs::remove_all(dir);
  }
  void Open(std::unique_ptr<scene::Scene> s) {
    cavix::ResetGlobals();
    model = std::move(s);
    model->RegisterClasses(cavix::HoleClasses());
    model->InstallServices({registry, (dir / "none.ini").string()});
    cavix::Globals().CurrentPage = &model->ActivePage();
  }
  void Reopen() {
    const std::string path = (dir / "m.json").string();
    scene::SaveModel(*model, path);
    Open(scene::LoadModel(path));
  }
  scene::Shape& Drop(int16_t type, std::function<void(holes::HoleObject&)> fill) {
    scene::Shape& s = model->AddDroppedShape();
    cavix::Globals().HoleType = type;
    auto h = holes::MakeHole(type);
    fill(*h);
    h->Create(s);
    return s;
  }
  void Resize(double x, double y, double z) {
    auto* size = model->MainPart().ShapeItems().front()->Store().First(1);
    size->SetValue(1, x);
    size->SetValue(2, y);
    size->SetValue(3, z);
    for (scene::Shape* s : model->BoundShapes()) model->Regenerate(*s);
  }
  fs::path dir;
  std::string registry;
  std::unique_ptr<scene::Scene> model;
};

TEST_F(ModelTest, RecordSurvivesSaveAndReopen) {
  for (int16_t type = 1; type <= 4; ++type)
    for (bool thread : {false, true})
      Drop(type, [&](holes::HoleObject& h) {
        h.SetDiametro(10);
        h.SetLunghezza(25);
        h.SetLungFiletto(20);
        h.SetpassoFiletto(1.5);
        h.SetHToll(0.4);
        h.SetangPunta(118);
        h.SetisThread(thread);
        h.SetRecess(18, 6, 90);
        h.SetNormativa("ISO 262");
        h.SetCodice("M10");
      });
  std::vector<nlohmann::ordered_json> before;
  for (auto* s : model->BoundShapes()) before.push_back(scene::ShapeToJson(*s));
  Reopen();
  const auto shapes = model->BoundShapes();
  ASSERT_EQ(shapes.size(), 8u);
  for (size_t i = 0; i < shapes.size(); ++i) {
    EXPECT_EQ(scene::ShapeToJson(*shapes[i]), before[i]);
    const auto& vars = shapes[i]->Store().First(34)->GroupVars();
    const int16_t type = static_cast<int16_t>(1 + i / 2);
    const bool thread = i % 2 == 1;
    SCOPED_TRACE(::testing::Message() << "type " << type << " thread " << thread);
    auto at = [&](int32_t g, int16_t s) {
      auto it = vars.find({g, s});
      return it == vars.end() ? Variant() : it->second;
    };
    EXPECT_EQ(at(1, 1), Variant(type));
    EXPECT_EQ(at(1, 2), Variant(int32_t{0}));
    EXPECT_EQ(at(1, 6), Variant(static_cast<int16_t>(thread ? 1 : 0)));
    EXPECT_EQ(at(1, 9), thread ? Variant(25.0) : Variant());
    EXPECT_EQ(at(1, 11), Variant(thread ? 20.0 : 25.0));
    EXPECT_EQ(at(1, 12), Variant(thread ? 1.5 : 0.4));
    EXPECT_EQ(at(1, 16).IsEmpty(), type == 1);
    EXPECT_EQ(at(1, 17).IsEmpty(), type == 1 || type == 3);
    EXPECT_EQ(at(1, 18).IsEmpty(), type == 1 || type == 2);
    EXPECT_TRUE(at(1, 3).IsEmpty() && at(2, 3).IsEmpty() && at(1, 4).IsEmpty());
    EXPECT_EQ(at(2, 1).Text(), holes::kHoleKinds[type - 1].className);

    // The reopened hole answers the editor and drawings.
    auto h = holes::MakeHole(type);
    h->GetPartData(*shapes[i]);
    EXPECT_EQ(cavix::Globals().Stored.lengthAfterThread, thread ? 5 : -1);
    EXPECT_EQ(h->Initialize(*shapes[i]), thread || type != 2);
    // The shape is still bound to its class.
    auto bound = model->ThreadQuery(*shapes[i]);
    EXPECT_EQ(dynamic_cast<holes::HoleObject&>(*bound.object).Kind().type, type);
  }
}

TEST_F(ModelTest, ThreadTextureFromTheShippedImage) {
  const int32_t id = Drop(1, [](holes::HoleObject& h) {
                       h.SetDiametro(10);
                       h.SetLunghezza(25);
                       h.SetLungFiletto(20);
                       h.SetpassoFiletto(1.5);
                       h.SetisThread(true);
                     }).Id();
  Reopen();
  const auto* finish = model->FindShapeById(id)->Store().First(27)->Finish();
  ASSERT_TRUE(finish);
  EXPECT_EQ(finish->Data().textureFile, CAVIX_SOURCE_DATA_DIR "\\Images\\3iaoftt.jpg");
  EXPECT_EQ(finish->Data().projectionWidth, Variant(cavix::rt::kPi * 8.5));
  EXPECT_NEAR(finish->Data().projectionHeight.F64(), 6.25 * 1.5, 1e-9);
  EXPECT_EQ(finish->Data().projectionType, Variant(int32_t{3}));
  EXPECT_EQ(finish->Data().flip, Variant(true));
}

TEST_F(ModelTest, BlindHolesIgnoreThePart) {
  scene::Shape& s = Drop(3, [](holes::HoleObject& h) {
    h.SetDiametro(10);
    h.SetLunghezza(8);
    h.SetRecess(20, 0, 90);
  });
  const auto before = scene::ShapeToJson(s);
  Resize(100, 60, 50);
  EXPECT_EQ(scene::ShapeToJson(s), before);
}

}  // namespace
