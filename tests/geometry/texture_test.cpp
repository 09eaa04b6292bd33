// The cosmetic thread: where the image is looked for, what the surface finish receives, and
// which host failures are skipped.
#include <gtest/gtest.h>

#include "geometry/create_holes.h"
#include "geometry/thread_texture.h"
#include "runtime/fp.h"
#include "support/fake_host.h"

namespace {

namespace geo = cavix::geo;
using cavix::rt::Variant;

const std::string kFirst = "C:\\Cavix\\Images\\3iaoftt.jpg";

TEST(ThreadImage, PathRules) {
  struct Row {
    const char* what;
    bool hasSection;
    const char* threadFile;  // nullptr: no key
    const char* existing;    // the one file that exists, or nullptr
    const char* path;        // "unchanged": not found
  };
  const Row rows[] = {
      {"application dir first", true, "D:\\tex", kFirst.c_str(), kFirst.c_str()},
      {"thread dir, trailing backslash dropped", true, "D:\\tex\\", "D:\\tex\\3iaoftt.jpg",
       "D:\\tex\\3iaoftt.jpg"},
      {"only one backslash dropped", true, "D:\\tex\\\\", "D:\\tex\\\\3iaoftt.jpg",
       "D:\\tex\\\\3iaoftt.jpg"},
      {"no key: default dir", true, nullptr, "v:\\bin.32\\3iaoftt.jpg", "v:\\bin.32\\3iaoftt.jpg"},
      {"no section: bare name", false, nullptr, "\\3iaoftt.jpg", "\\3iaoftt.jpg"},
      {"nowhere", true, "D:\\tex", nullptr, "unchanged"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    fake::World w;
    if (r.hasSection) {
      auto& sec = w.services.state.settings["Directories"];
      if (r.threadFile) sec["ThreadFile"] = r.threadFile;
    }
    if (r.existing) w.services.state.files.insert(r.existing);
    std::string path = "unchanged";
    EXPECT_EQ(geo::FindThreadImage(w.services, path), r.existing != nullptr);
    EXPECT_EQ(path, r.path);
  }
}

// M10 x 1.5 through a plain threaded hole: bore 8.5, one image height is 6.25 pitches, the
// texture point in the middle of the thread. Built twice, the surface component is reused.
TEST(ThreadTexture, FinishValuesAndPoint) {
  fake::World w;
  w.services.state.files.insert(kFirst);
  w.hole.normal[0] = 0.6;
  w.hole.normal[1] = 0;
  w.hole.normal[2] = -0.8;
  geo::CreateHoleSimpleThread(w.hole, 10, 25, 0, 20, 1.5);

  auto& surface = w.hole.holder.Get(27).First();
  ASSERT_TRUE(surface.finish);
  EXPECT_EQ(surface.finishPoint, (std::vector<double>{8.5 / 4, 8.5 / 4, -10}));
  auto& props = surface.finish->props;
  EXPECT_EQ(props["TextureFile"], Variant(kFirst));
  EXPECT_EQ(props["ProjectionWidth"], Variant(cavix::rt::kPi * 8.5));
  EXPECT_NEAR(props["ProjectionHeight"].F64(), 6.25 * 1.5, 1e-12);
  EXPECT_EQ(props["Flip"], Variant(true));
  EXPECT_EQ(props["UpDirection"], Variant(std::string("0.600000,0.000000,-0.800000")));

  // Below a counterbore the point is the thread's middle under the recess.
  geo::CreateHoleCBoreThread(w.hole, 8, 20, 0, 15, 1.25, 14, 8);
  geo::CreateHoleCBoreThread(w.hole, 8, 22, 0, 15, 1.25, 14, 8);
  EXPECT_EQ(w.hole.holder.Get(27).Count(), 1);
  EXPECT_EQ(w.hole.holder.Get(27).First().finishPoint[2], -8 - 7.5);
}

// Without an image, or with the finish refused, the hole is built without texture; a failure
// before the finish is asked for (here the normal's conversion) is the builder's error; a
// property the host refuses, or a height of 25.4 / 0, skips only itself.
TEST(ThreadTexture, FailuresSkipOnlyWhatFailed) {
  struct Row {
    const char* what;
    bool image, finishFails, unitsFail;
    int error;
    bool surface;  // the surface component exists afterwards
  };
  const Row rows[] = {{"no image", false, false, false, 0, false},
                      {"finish refused", true, true, false, 0, true},
                      {"normal fails", true, false, true, 440, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    fake::World w;
    if (r.image) w.services.state.files.insert(kFirst);
    if (r.finishFails) w.hole.holder.Get(27).Add().finishFails = true;
    w.services.state.unitsFail = r.unitsFail;
    EXPECT_EQ(fake::ErrorOf([&] { geo::CreateHoleSimpleThread(w.hole, 10, 25, 0, 20, 1.5); }),
              r.error);
    EXPECT_EQ(w.hole.ChainCount(), 1);  // the chain is written before the texture step
    ASSERT_EQ(w.hole.holder.Has(27), r.surface);
    if (r.surface) {
      EXPECT_FALSE(w.hole.holder.Get(27).First().finish);
    }
  }

  fake::World w;
  w.services.state.files.insert(kFirst);
  auto& surface = w.hole.holder.Get(27).Add();
  geo::CreateHoleSimpleThread(w.hole, 10, 25, 0, 20, 1.5);
  surface.finish->failing.insert("VerticalRatio");
  surface.finish->props.clear();
  geo::CreateHoleSimpleThread(w.hole, 10, 25, 0, 20, 0);
  auto& props = surface.finish->props;
  EXPECT_FALSE(props.count("VerticalRatio"));
  EXPECT_FALSE(props.count("ProjectionHeight"));  // 25.4 / 0
  EXPECT_EQ(props["ProjectionWidth"], Variant(cavix::rt::kPi * 10));
  EXPECT_TRUE(props.count("Flip"));
}

}  // namespace
