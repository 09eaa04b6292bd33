// The cosmetic thread: where the image is looked for, what the surface finish receives, and
// which host failures are skipped.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/create_holes.h"
#include "geometry/thread_texture.h"
#include "runtime/fp.h"
#include "scene/services.h"
#include "support/scene_host.h"
#include "tests/support/test_files.h"

namespace {

namespace geo = cavix::geo;
using cavix::rt::Variant;
using cavix::scene::Vec3;

// A tapped plain hole M10 x 1.5, 20 mm of thread in a 25 mm bore; a tapped counterbore
// M8 x 1.25 in 14 x 8, 15 mm of thread (HoleParams: recess, threaded, D, L, A, T, LT, P, Dr, Lc).
constexpr geo::HoleParams kM10{geo::Recess::None, true, 10, 25, 0, 0, 20, 1.5};
geo::HoleParams CBoreM8(double L) {
  return {geo::Recess::Counterbore, true, 8, L, 0, 0, 15, 1.25, 14, 8};
}

TEST(ThreadImage, PathRules) {
  cavix::test::TempDir dir("cavix-texture-");
  const std::string root = dir.path.string(), tex = root + "\\tex";
  dir.Write("app/Images/3iaoftt.jpg", "jpg");
  dir.Write("tex/3iaoftt.jpg", "jpg");
  struct Row {
    const char* what;
    const char* applDir;    // below the folder; only "app" holds the image
    std::string settings;   // the host settings file
    std::string threadDir;  // the thread file directory
    std::string path;       // "unchanged": not found
  };
  const std::string section = "[Directories]\r\nThreadFile=";
  const Row rows[] = {
      {"application dir first", "app", section + tex, tex, root + "\\app\\Images\\3iaoftt.jpg"},
      {"thread dir, trailing backslash dropped", "none", section + tex + "\\", tex,
       tex + "\\3iaoftt.jpg"},
      {"only one backslash dropped", "none", section + tex + "\\\\", tex + "\\",
       tex + "\\\\3iaoftt.jpg"},
      {"nowhere", "none", section + root, root, "unchanged"},
      {"no key: default dir", "none", "[Directories]\r\n", "v:\\bin.32", "unchanged"},
      {"no section: no dir", "none", "", "", "unchanged"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const std::string reg = dir.Write(
        "cavix.reg", "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\r\n\"ApplDir\"=\"" +
                         root + "\\\\" + r.applDir + "\"\r\n");
    cavix::scene::Scene s;
    auto services = cavix::scene::MakeServiceFactory(s, {reg, dir.Write("s.ini", r.settings)});
    EXPECT_EQ(geo::GetThreadFileDir(*services), r.threadDir);
    std::string path = "unchanged";
    EXPECT_EQ(geo::FindThreadImage(*services, path), r.path != "unchanged");
    EXPECT_EQ(path, r.path);
  }
}

// M10 x 1.5 through a plain threaded hole: bore 8.5, one image height is 6.25 pitches, the
// texture point in the middle of the thread. Built twice, the surface component is reused.
TEST(ThreadTexture, FinishValuesAndPoint) {
  geotest::Model m({100, 60, 20}, {0.6, 0, -0.8});
  geo::CreateHole(m.hole, kM10);

  ASSERT_TRUE(m.hole.Store().First(27)->Finish());
  const auto& f = m.hole.Store().First(27)->Finish()->Data();
  EXPECT_EQ(f.point, (Vec3{8.5 / 4, 8.5 / 4, -10}));
  EXPECT_EQ(f.request, (std::array<int16_t, 3>{1, 1, 0}));
  EXPECT_EQ(f.textureFile, CAVIX_TEST_DATA_DIR "\\Images\\3iaoftt.jpg");
  EXPECT_EQ(f.projectionType, Variant(int32_t{3}));
  EXPECT_EQ(f.verticalRatio, Variant(int16_t{1}));
  EXPECT_EQ(f.horizontalRatio, Variant(int16_t{1}));
  EXPECT_EQ(f.projectionWidth, Variant(cavix::rt::kPi * 8.5));
  EXPECT_NEAR(f.projectionHeight.F64(), 6.25 * 1.5, 1e-12);
  EXPECT_EQ(f.flip, Variant(true));
  EXPECT_EQ(f.upDirection, (Vec3{0.6, 0, -0.8}));

  // Below a counterbore the point is the thread's middle under the recess.
  geo::CreateHole(m.hole, CBoreM8(20));
  geo::CreateHole(m.hole, CBoreM8(22));
  EXPECT_EQ(m.hole.Components(27).Count(), 1);
  EXPECT_EQ(m.hole.Store().First(27)->Finish()->Data().point->z, -8 - 7.5);
}

// Without an image, or with the finish refused, the hole is built without texture; a failure
// before the finish is asked for (here the host has no services for the conversions) is the
// builder's error; a property the host refuses, or a height of 25.4 / 0, skips only itself.
TEST(ThreadTexture, FailuresSkipOnlyWhatFailed) {
  struct Row {
    const char* what;
    bool image, finishRefused, services;
    int error;
  };
  const Row rows[] = {{"no image", false, false, true, 0},
                      {"finish refused", true, true, true, 0},
                      {"no services", true, false, false, 429}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    geotest::Model m;
    if (!r.image) m.scene->InstallServices({"none.reg", "none.ini"});
    if (!r.services) m.scene->App().SetServices(nullptr);
    geotest::Inert refusing;
    geotest::One surface(refusing);
    geotest::Recorded shape(m.hole);
    if (r.finishRefused) shape.replaced[27] = &surface;
    EXPECT_EQ(geotest::ErrorOf([&] { geo::CreateHole(shape, kM10); }),
              r.error);
    EXPECT_EQ(shape.chains.Count(), 1);  // the chain is written before the texture step
    EXPECT_EQ(m.hole.Components(27).Count(), 0);
  }

  // The scene refuses an up direction that is not finite.
  geotest::Model m;
  m.hole.SetNormal({INFINITY, 0, 0});
  geo::HoleParams noPitch = kM10;
  noPitch.pitch = 0;
  geo::CreateHole(m.hole, noPitch);
  const auto& f = m.hole.Store().First(27)->Finish()->Data();
  EXPECT_FALSE(f.upDirection);
  EXPECT_TRUE(f.projectionHeight.IsEmpty());  // 25.4 / 0
  EXPECT_EQ(f.projectionWidth, Variant(cavix::rt::kPi * 10));
  EXPECT_EQ(f.flip, Variant(true));
}

}  // namespace
