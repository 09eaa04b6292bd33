// The thread texture of a saved and reopened hole uses the shipped image. (Records of every
// class surviving a save and reopen, still bound and regenerated, are checked through
// `cavix resize` in cli_test.cpp.)
#include "runtime/fp.h"
#include "scene_fixture.h"

namespace {

using namespace holetest;
using cavix::rt::Variant;

class ModelTest : public SceneTest {};

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
