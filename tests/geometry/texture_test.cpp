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
    bool found;
    const char* path;
  };
  const Row rows[] = {
      {"application dir first", true, "D:\\tex", "C:\\Cavix\\Images\\3iaoftt.jpg", true,
       "C:\\Cavix\\Images\\3iaoftt.jpg"},
      {"thread dir, trailing backslash dropped", true, "D:\\tex\\", "D:\\tex\\3iaoftt.jpg", true,
       "D:\\tex\\3iaoftt.jpg"},
      {"only one backslash dropped", true, "D:\\tex\\\\", "D:\\tex\\\\3iaoftt.jpg", true,
       "D:\\tex\\\\3iaoftt.jpg"},
      {"no key: default dir", true, nullptr, "v:\\bin.32\\3iaoftt.jpg", true,
       "v:\\bin.32\\3iaoftt.jpg"},
      {"no section: bare name", false, nullptr, "\\3iaoftt.jpg", true, "\\3iaoftt.jpg"},
      {"nowhere", true, "D:\\tex", nullptr, false, "unchanged"},
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
    EXPECT_EQ(geo::FindThreadImage(w.services, path), r.found);
    EXPECT_EQ(path, r.path);
  }
}

TEST(ThreadImage, SelectionEndedOnlyWhenSectionFound) {
  fake::World w;
  EXPECT_EQ(geo::GetThreadFileDir(w.services), "");
  EXPECT_TRUE(w.services.state.calls.empty());
  w.services.state.settings["Directories"]["ThreadFile"] = "E:\\x\\";
  EXPECT_EQ(geo::GetThreadFileDir(w.services), "E:\\x");
  EXPECT_EQ(w.services.state.calls, std::vector<std::string>{"EndSection"});
}

// M10 x 1.5 through a plain threaded hole: bore 8.5, one image height is 6.25 pitches.
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
  EXPECT_EQ(props["ProjectionType"], Variant(int32_t{3}));
  EXPECT_EQ(props["VerticalRatio"], Variant(int16_t{1}));
  EXPECT_EQ(props["HorizontalRatio"], Variant(int16_t{1}));
  EXPECT_EQ(props["ProjectionWidth"], Variant(cavix::rt::kPi * 8.5));
  EXPECT_NEAR(props["ProjectionHeight"].F64(), 6.25 * 1.5, 1e-12);
  EXPECT_EQ(props["Flip"], Variant(true));
  EXPECT_EQ(props["UpDirection"], Variant(std::string("0.600000,0.000000,-0.800000")));
  // The finish is asked for after the normal and a shape update; the flag and size box follow.
  auto at = [&](const std::string& s) {
    return std::find(w.log.begin(), w.log.end(), s) - w.log.begin();
  };
  EXPECT_LT(at("GetNormal"), at("shape.Update"));
  EXPECT_LT(at("shape.Update"), at("SurfaceFinish"));
  EXPECT_LT(at("finish.Flip"), at("c14.v62=i32:1"));
  const fake::Log order(w.log.begin() + at("finish.TextureFile"),
                        w.log.begin() + at("finish.Flip") + 1);
  EXPECT_EQ(order, (fake::Log{"finish.TextureFile", "finish.ProjectionType", "finish.VerticalRatio",
                              "finish.HorizontalRatio", "finish.ProjectionWidth",
                              "finish.ProjectionHeight", "finish.UpDirection", "finish.Flip"}));
}

TEST(ThreadTexture, SurfaceComponentReusedOnRebuild) {
  fake::World w;
  w.services.state.files.insert(kFirst);
  geo::CreateHoleCBoreThread(w.hole, 8, 20, 0, 15, 1.25, 14, 8);
  geo::CreateHoleCBoreThread(w.hole, 8, 22, 0, 15, 1.25, 14, 8);
  EXPECT_EQ(w.hole.holder.Get(27).Count(), 1);
  // The texture point is in the middle of the thread, below the counterbore.
  EXPECT_EQ(w.hole.holder.Get(27).First().finishPoint[2], -8 - 7.5);
}

// Without an image, or with the finish refused, the hole is built without texture; a failure
// before the finish is asked for (here the normal's conversion) is the builder's error.
TEST(ThreadTexture, MissingImageRefusedFinishOrFailedNormal) {
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
    const int error =
        fake::ErrorOf([&] { geo::CreateHoleSimpleThread(w.hole, 10, 25, 0, 20, 1.5); });
    EXPECT_EQ(error, r.error);
    EXPECT_EQ(w.hole.ChainCount(), 1);  // the chain is written before the texture step
    ASSERT_EQ(w.hole.holder.Has(27), r.surface);
    if (r.surface) {
      EXPECT_FALSE(w.hole.holder.Get(27).First().finish);
    }
    if (!error) {
      EXPECT_EQ(w.hole.log().back(), "ResetSizeBox");
    }
  }
}

TEST(ThreadTexture, FailingPropertyAndZeroPitchSkipOnlyThemselves) {
  fake::World w;
  w.services.state.files.insert(kFirst);
  auto& surface = w.hole.holder.Get(27).Add();
  // A first build creates the finish; make one property fail on the second.
  geo::CreateHoleSimpleThread(w.hole, 10, 25, 0, 20, 1.5);
  surface.finish->failing.insert("VerticalRatio");
  surface.finish->props.clear();
  geo::CreateHoleSimpleThread(w.hole, 10, 25, 0, 20, 0);
  auto& props = surface.finish->props;
  EXPECT_FALSE(props.count("VerticalRatio"));
  EXPECT_FALSE(props.count("ProjectionHeight"));  // 25.4 / 0
  EXPECT_TRUE(props.count("HorizontalRatio"));
  EXPECT_EQ(props["ProjectionWidth"], Variant(cavix::rt::kPi * 10));
  EXPECT_TRUE(props.count("Flip"));
}

}  // namespace
