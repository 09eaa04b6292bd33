// Holes in the stand-in host's model: a saved and reopened model holds the same records, still
// bound to their classes and answering the editor and drawings, and the thread texture uses the
// shipped image.
#include "runtime/fp.h"
#include "scene_fixture.h"

namespace {

using namespace holetest;
using cavix::rt::Variant;

class ModelTest : public SceneTest {};

// The slots each class writes are checked against the host calls in storage_test.cpp; here the
// record must come back from the file unchanged.
TEST_F(ModelTest, RecordSurvivesSaveAndReopen) {
  for (int16_t type = 1; type <= 4; ++type)
    for (bool thread : {false, true})
      // type, thread, through, D, L, LT, P, A, T, Dr, Lc, Ar
      Drop({type, thread, false, 10, 25, 20, 1.5, 118, 0.4, 18, 6, 90});
  std::vector<nlohmann::ordered_json> before;
  for (auto* s : model->BoundShapes()) before.push_back(scene::ShapeToJson(*s));
  Reopen();
  const auto shapes = model->BoundShapes();
  ASSERT_EQ(shapes.size(), 8u);
  for (size_t i = 0; i < shapes.size(); ++i) {
    const int16_t type = static_cast<int16_t>(1 + i / 2);
    const bool thread = i % 2 == 1;
    SCOPED_TRACE(::testing::Message() << "type " << type << " thread " << thread);
    EXPECT_EQ(scene::ShapeToJson(*shapes[i]), before[i]);
    EXPECT_EQ(shapes[i]->Store().First(34)->GroupVars().at({1, 1}), Variant(type));

    // The reopened hole answers the editor and drawings.
    auto h = holes::MakeHole(type);
    holes::HoleRecord stored;
    ASSERT_TRUE(h->GetPartData(*shapes[i], stored));
    EXPECT_EQ(stored.LengthAfterThread(), thread ? 5 : -1);
    EXPECT_EQ(h->Initialize(*shapes[i]), thread || type != 2);
    // The shape is still bound to its class.
    auto bound = model->ThreadQuery(*shapes[i]);
    EXPECT_EQ(dynamic_cast<holes::HoleObject&>(*bound.object).Kind().type, type);
  }
}

TEST_F(ModelTest, ThreadTextureFromTheShippedImage) {
  const int32_t id = Drop({.type = 1, .thread = true, .L = 25, .LT = 20, .P = 1.5}).Id();
  Reopen();
  const auto* finish = model->FindShapeById(id)->Store().First(27)->Finish();
  ASSERT_TRUE(finish);
  EXPECT_EQ(finish->Data().textureFile, CAVIX_TEST_DATA_DIR "\\Images\\3iaoftt.jpg");
  EXPECT_EQ(finish->Data().projectionWidth, Variant(cavix::rt::kPi * 8.5));
  EXPECT_NEAR(finish->Data().projectionHeight.F64(), 6.25 * 1.5, 1e-9);
  EXPECT_EQ(finish->Data().projectionType, Variant(int32_t{3}));
  EXPECT_EQ(finish->Data().flip, Variant(true));
}

}  // namespace
