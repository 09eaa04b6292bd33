// Solid export: removed volumes against hand-worked cylinder and cone volumes for every hole kind,
// through holes open at the far face, STEP and STL files that read back as the same solid, bad
// input refused in words. (A large overlapping grid is measured in bench/export_bench.)

#include <gtest/gtest.h>

#include <BRepCheck_Analyzer.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <STEPControl_Reader.hxx>
#include <TopAbs_State.hxx>
#include <TopExp_Explorer.hxx>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gp_Pnt.hxx>
#include <string>
#include <vector>

#include "export/export.h"
#include "export/occ_part.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;
using namespace cavix::exporter;
using cavix::test::Slurp;

namespace {

constexpr double kPi = 3.14159265358979323846;

double Rad(double deg) { return deg * kPi / 180.0; }
double Cyl(double r, double h) { return kPi * r * r * h; }
double Frustum(double r1, double r2, double h) {
  return kPi * h * (r1 * r1 + r1 * r2 + r2 * r2) / 3;
}

// A hole as its parameters give it, with the profile drawn the way the hole builders draw it and
// the volume worked out separately from the same numbers: `above` is what a part as thick as the
// bore is long loses, `point` the drill point's cone below that.
struct HoleCase {
  std::string name;
  ProfileChain chain;
  double above, point;
  double volume() const { return above + point; }
};

// Cone height of a drill point of included angle `a` on radius r; 0 for a flat bottom.
double PointHeight(double r, double a) { return a > 0 ? r / std::tan(Rad(a) / 2) : 0; }

// clang-format off
HoleCase Simple(double d, double l, double a) {
  const double r = d / 2, h = PointHeight(r, a);
  return {"simple", {{0, 0}, {r, 0}, {r, -l}, {0, -(l + h)}, {0, 0}}, Cyl(r, l), Cyl(r, h) / 3};
}

HoleCase CBore(double d, double l, double a, double dc, double lc) {
  const double r = d / 2, h = PointHeight(r, a);
  return {"cbore",
          {{0, 0}, {dc / 2, 0}, {dc / 2, -lc}, {r, -lc}, {r, -(l + lc)}, {0, -(l + lc + h)}, {0, 0}},
          Cyl(dc / 2, lc) + Cyl(r, l), Cyl(r, h) / 3};
}

HoleCase CSink(double d, double l, double a, double ds, double as) {
  const double r = d / 2, h = PointHeight(r, a);
  const double hs = (ds / 2 - r) / std::tan(Rad(as) / 2);
  return {"csink", {{0, 0}, {ds / 2, 0}, {r, -hs}, {r, -(hs + l)}, {0, -(hs + l + h)}, {0, 0}},
          Frustum(ds / 2, r, hs) + Cyl(r, l), Cyl(r, h) / 3};
}

HoleCase CDrill(double d, double l, double a, double dc, double lc, double ac) {
  const double r = d / 2, h = PointHeight(r, a);
  const double hc = (dc / 2 - r) / std::tan(Rad(ac) / 2);
  return {"cdrill",
          {{0, 0}, {dc / 2, 0}, {dc / 2, -lc}, {r, -(hc + lc)}, {r, -(hc + lc + l)},
           {0, -(hc + lc + l + h)}, {0, 0}},
          Cyl(dc / 2, lc) + Frustum(dc / 2, r, hc) + Cyl(r, l), Cyl(r, h) / 3};
}

// Threaded counterbore with the bore narrowing very slightly below the thread.
HoleCase CBoreThread(double d, double p, double l, double lt, double a, double dc, double lc) {
  const double r = (d - p) / 2, h = PointHeight(r, a);
  return {"cbore-thread",
          {{0, 0}, {dc / 2, 0}, {dc / 2, -lc}, {r, -lc}, {r, -(lt + lc)}, {0.9995 * r, -(l + lc)},
           {0, -(l + lc + h)}, {0, 0}},
          Cyl(dc / 2, lc) + Cyl(r, lt) + Frustum(r, 0.9995 * r, l - lt), Cyl(0.9995 * r, h) / 3};
}
// clang-format on

PartInput OneHole(const std::array<double, 3>& block, const ProfileChain& chain,
                  std::array<double, 3> pos, std::array<double, 3> normal = {0, 0, -1}) {
  PartInput part;
  part.block = block;
  HoleSolidInput h;
  h.chains = {chain};
  h.position = pos;
  h.normal = normal;
  h.name = "test hole";
  part.holes = {h};
  return part;
}

TopAbs_State Where(const TopoDS_Shape& s, double x, double y, double z) {
  BRepClass3d_SolidClassifier cls(s, gp_Pnt(x, y, z), 1e-7);
  return cls.State();
}

}  // namespace

// Every hole kind, pointed and flat, blind: the block loses exactly the revolved profile.
TEST(SolidExport, BlindHolesRemoveTheirRevolvedVolume) {
  const std::vector<HoleCase> cases = {
      Simple(6.6, 15, 118),
      Simple(6.6, 15, 0),
      CBore(6.6, 12, 118, 11, 6.4),
      CSink(5, 10, 0, 20, 120),
      CDrill(6.6, 10, 118, 11, 4, 90),
      CBoreThread(10, 1.5, 18, 15, 118, 18, 10.6),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " point " + std::to_string(c.chain.size()));
    const PartInput part = OneHole({40, 40, 40}, c.chain, {20, 20, 40});
    const ExportSummary s = Measure(part);
    EXPECT_EQ(s.holesCut, 1);
    EXPECT_EQ(s.solids, 1);
    EXPECT_TRUE(s.warnings.empty());
    EXPECT_NEAR((s.blockVolume - s.volume) / c.volume(), 1.0, 1e-6);
  }
}

// Through holes as the hole classes make them: bore ends at the far face, point below it. The far
// face must open; no skin of material may stay.
TEST(SolidExport, ThroughHolesOpenTheFarFace) {
  const double t = 20;
  const std::vector<HoleCase> cases = {
      Simple(6.6, t, 118),
      Simple(6.6, t, 0),
      CBore(6.6, t - 6.4, 118, 11, 6.4),
      CSink(6.6, t - (12.6 / 2 - 3.3), 118, 12.6, 90),
      CDrill(6.6, t - 4 - (5.5 - 3.3), 0, 11, 4, 90),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " point " + std::to_string(c.chain.size()));
    const PartInput part = OneHole({30, 30, t}, c.chain, {15, 15, t});
    ExportSummary s;
    const TopoDS_Shape solid = CutPart(part, &s);
    EXPECT_NEAR((30 * 30 * t - SolidVolume(solid)) / c.above, 1.0, 1e-6);
    EXPECT_EQ(Where(solid, 15, 15, 0.01), TopAbs_OUT) << "a skin closes the far face";
    EXPECT_EQ(Where(solid, 15, 15, t - 0.01), TopAbs_OUT);
    EXPECT_EQ(Where(solid, 1, 1, 0.01), TopAbs_IN);
  }
}

// The axis may point any way: a hole into a side face removes the same volume, and goes in, not
// out of the part.
TEST(SolidExport, HoleFollowsItsAxisIntoTheFace) {
  const HoleCase c = CBore(6.6, 12, 118, 11, 6.4);
  struct Face {
    std::array<double, 3> pos, normal, inside;
  };
  const std::vector<Face> faces = {
      {{0, 20, 15}, {1, 0, 0}, {10, 20, 15}},    // left side, into +x
      {{20, 40, 15}, {0, -2, 0}, {20, 30, 15}},  // back side, normal not unit length
      {{20, 20, 0}, {0, 0, 1}, {20, 20, 10}},    // bottom, upwards
  };
  for (const auto& f : faces) {
    SCOPED_TRACE(std::to_string(f.normal[0]) + "," + std::to_string(f.normal[1]) + "," +
                 std::to_string(f.normal[2]));
    const PartInput part = OneHole({40, 40, 30}, c.chain, f.pos, f.normal);
    const TopoDS_Shape solid = CutPart(part);
    EXPECT_NEAR((40 * 40 * 30 - SolidVolume(solid)) / c.volume(), 1.0, 1e-6);
    EXPECT_EQ(Where(solid, f.inside[0], f.inside[1], f.inside[2]), TopAbs_OUT);
  }
}

// Files: STEP reads back as the same valid solid; the binary STL is a closed mesh of about the
// same volume; a failed export leaves the old file alone.
TEST(SolidExport, FilesReadBackAsTheSameSolid) {
  const cavix::test::TempDir dir("cavix-export-");
  PartInput part = OneHole({50, 40, 20}, CBore(6.6, 13.6, 118, 11, 6.4).chain, {12, 20, 20});
  part.holes.push_back(part.holes[0]);
  part.holes[1].chains = {CSink(5, 8, 118, 10, 90).chain};
  part.holes[1].position = {35, 20, 20};

  const ExportSummary s = ExportStep(part, dir.File("part.step"));
  STEPControl_Reader reader;
  ASSERT_EQ(reader.ReadFile(dir.File("part.step").c_str()), IFSelect_RetDone);
  ASSERT_GT(reader.TransferRoots(), 0);
  const TopoDS_Shape back = reader.OneShape();
  EXPECT_TRUE(BRepCheck_Analyzer(back).IsValid());
  EXPECT_NEAR(SolidVolume(back) / s.volume, 1.0, 1e-6);
  EXPECT_EQ(s.holesCut, 2);

  const ExportSummary st = ExportStl(part, dir.File("part.stl"));
  const std::string stl = Slurp(dir.File("part.stl"));
  ASSERT_GT(stl.size(), 84u);
  uint32_t tris = 0;
  std::memcpy(&tris, stl.data() + 80, 4);
  ASSERT_EQ(stl.size(), 84u + 50u * tris);
  // Divergence theorem over the triangles: only a closed, outward mesh gives the solid's volume.
  double vol = 0;
  for (uint32_t i = 0; i < tris; ++i) {
    float v[9];
    std::memcpy(v, stl.data() + 84 + 50 * i + 12, sizeof v);
    vol += (double(v[0]) * (double(v[4]) * v[8] - double(v[5]) * v[7]) -
            double(v[1]) * (double(v[3]) * v[8] - double(v[5]) * v[6]) +
            double(v[2]) * (double(v[3]) * v[7] - double(v[4]) * v[6])) /
           6;
  }
  EXPECT_NEAR(vol / st.volume, 1.0, 1e-3);

  // A failing export (here an axis of zero length) leaves the previous file untouched.
  const std::string before = Slurp(dir.File("part.step"));
  PartInput bad = part;
  bad.holes[1].normal = {0, 0, 0};
  EXPECT_THROW(ExportStep(bad, dir.File("part.step")), ExportError);
  EXPECT_EQ(Slurp(dir.File("part.step")), before);
  for (const auto& e : fs::directory_iterator(dir.path))
    EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
}

// Bad input is refused with a message naming the hole and the fault; degenerate chains, which
// remove nothing, are skipped with a warning.
TEST(SolidExport, BadInputIsRefusedInWords) {
  const ProfileChain good = Simple(6, 10, 118).chain;
  using Chain = ProfileChain;
  struct Bad {
    const char* what;
    std::function<void(PartInput&)> change;
    const char* words;
    bool namesTheHole = true;
  };
  // clang-format off
  const Bad bad[] = {
    {"zero axis", [](PartInput& p) { p.holes[0].normal = {0, 0, 0}; }, "zero"},
    {"nan position", [](PartInput& p) { p.holes[0].position[1] = std::nan(""); }, "finite"},
    {"inf profile", [](PartInput& p) { p.holes[0].chains[0][2][1] = -INFINITY; }, "finite"},
    {"negative radius", [](PartInput& p) { p.holes[0].chains[0][1][0] = -3; }, "far side"},
    {"crossing", [](PartInput& p) {
       p.holes[0].chains[0] = Chain{{0, 0}, {3, 0}, {0, -10}, {3, -10}, {0, 0}}; },
     "crosses itself"},
    {"doubling back", [](PartInput& p) {
       p.holes[0].chains[0] = Chain{{0, 0}, {3, 0}, {3, -10}, {3, -5}, {0, -10}, {0, 0}}; },
     "doubles back"},
    {"flat block", [](PartInput& p) { p.block = {40, 0, 20}; }, "positive", false},
    {"hole eats the part", [](PartInput& p) {
       p.holes[0].chains[0] = Chain{{0, 0}, {100, 0}, {100, -30}, {0, -30}}; },
     "nothing is left", false},
  };
  // clang-format on
  for (const auto& b : bad) {
    SCOPED_TRACE(b.what);
    PartInput part = OneHole({40, 40, 20}, good, {20, 20, 20});
    b.change(part);
    try {
      Measure(part);
      ADD_FAILURE() << "accepted";
    } catch (const ExportError& e) {
      EXPECT_NE(std::string(e.what()).find(b.words), std::string::npos) << e.what();
      if (b.namesTheHole) {
        EXPECT_NE(std::string(e.what()).find("test hole"), std::string::npos) << e.what();
      }
    }
  }

  // A hole with no profile yet, a chain of two points, and a chain on the axis: all skipped.
  PartInput p = OneHole({40, 40, 20}, good, {20, 20, 20});
  HoleSolidInput empty = p.holes[0];
  empty.chains = {{}, {{0, 0}, {5, 0}, {0, 0}}, {{0, 0}, {0, -5}, {0, 0}}};
  p.holes.push_back(empty);
  const ExportSummary s = Measure(p);
  EXPECT_EQ(s.holesCut, 1);
  EXPECT_EQ(s.warnings.size(), 3u);
  EXPECT_NEAR((s.blockVolume - s.volume) / Simple(6, 10, 118).volume(), 1.0, 1e-6);
}

// Holes that only touch, and a hole drilled across another: the general fuse must treat the
// shared line and the crossing exactly. Two equal bores crossing at right angles share a
// Steinmetz solid of 16/3 r^3. A hole that cuts the block in two leaves two solids, both kept.
TEST(SolidExport, TouchingCrossingAndSplittingHoles) {
  const HoleCase cb = CBore(6.6, 8, 118, 11, 6.4);
  PartInput touching = OneHole({40, 20, 20}, cb.chain, {14.5, 10, 20});
  touching.holes.push_back(touching.holes[0]);
  touching.holes[1].position = {25.5, 10, 20};  // counterbores tangent along a line
  const ExportSummary t = Measure(touching);
  EXPECT_EQ(t.solids, 1);
  EXPECT_NEAR((t.blockVolume - t.volume) / (2 * cb.volume()), 1.0, 1e-6);

  const double r = 3;
  const ProfileChain bore = {{0, 0}, {r, 0}, {r, -40}, {0, -40}, {0, 0}};
  PartInput crossing = OneHole({40, 40, 40}, bore, {20, 20, 40});  // down the middle
  crossing.holes.push_back(crossing.holes[0]);
  crossing.holes[1].position = {0, 20, 20};  // across it, along x
  crossing.holes[1].normal = {1, 0, 0};
  const ExportSummary c = Measure(crossing);
  const double removed = 2 * Cyl(r, 40) - 16.0 / 3 * r * r * r;
  EXPECT_EQ(c.solids, 1);
  EXPECT_NEAR((c.blockVolume - c.volume) / removed, 1.0, 1e-6);

  const ProfileChain slot = {{0, 0}, {8, 0}, {8, -20}, {0, -20}, {0, 0}};
  const ExportSummary split = Measure(OneHole({10, 30, 10}, slot, {5, 15, 10}));
  EXPECT_EQ(split.solids, 2);
  // The slot's disc of radius 8 clipped to the block's 10 mm width, through 10 mm.
  const double clipped = 10 * std::sqrt(39.0) + 128 * std::asin(5.0 / 8);
  EXPECT_NEAR(split.volume / (3000 - 10 * clipped), 1.0, 1e-6);
}
