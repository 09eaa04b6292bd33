// Solid export: removed volumes against hand-worked cylinder and cone volumes for every hole kind,
// through holes open at the far face, oblique holes without a wedge at the mouth, bad input
// refused in words, touching, crossing and splitting holes, tiles and one more hole that give the
// solid one cut gives, holes that cut nothing named, and an STL checked as a reader sees it. (A
// large overlapping grid is measured in bench/export_bench.)

#include <gtest/gtest.h>

#include <BOPTools_AlgoTools3D.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <STEPControl_Reader.hxx>
#include <GProp_GProps.hxx>
#include <IntTools_Context.hxx>
#include <TopAbs_State.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <functional>
#include <gp_Pnt.hxx>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "export/export.h"
#include "export/face_mesh.h"
#include "export/occ_internal.h"
#include "export/occ_part.h"
#include "tests/support/test_files.h"

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
  part.holes = {HoleSolidInput{}};
  part.holes[0].chains = {chain}, part.holes[0].position = pos, part.holes[0].normal = normal;
  part.holes[0].name = "test hole";
  return part;
}

TopAbs_State Where(const TopoDS_Shape& s, double x, double y, double z) {
  return BRepClass3d_SolidClassifier(s, gp_Pnt(x, y, z), 1e-7).State();
}

}  // namespace

// Every hole kind, pointed and flat, blind and through, and a hole into each kind of face (the
// axis may point any way, at any length): a blind hole removes exactly its revolved profile and
// goes into the part, not out of it; a through hole (bore ending at the far face, point below it)
// removes what lies inside the part and opens the far face, leaving no skin of material.
TEST(SolidExport, HolesRemoveTheirRevolvedVolumeAlongTheirAxis) {
  const double t = 40;
  const HoleCase cbore = CBore(6.6, 12, 118, 11, 6.4);
  const struct {
    HoleCase c;
    bool through = false;
    std::array<double, 3> pos = {20, 20, 40}, normal = {0, 0, -1};
  } cases[] = {
      {Simple(6.6, 15, 118)},
      {Simple(6.6, 15, 0)},
      {cbore},
      {CSink(5, 10, 0, 20, 120)},
      {CDrill(6.6, 10, 118, 11, 4, 90)},
      {CBoreThread(10, 1.5, 18, 15, 118, 18, 10.6)},
      {Simple(6.6, t, 118), true},
      {Simple(6.6, t, 0), true},
      {CBore(6.6, t - 6.4, 118, 11, 6.4), true},
      {cbore, false, {0, 20, 15}, {1, 0, 0}},    // left side, into +x
      {cbore, false, {20, 40, 15}, {0, -2, 0}},  // back side, normal not unit length
      {cbore, false, {20, 20, 0}, {0, 0, 1}},    // bottom, upwards
  };
  for (const auto& [c, through, pos, normal] : cases) {
    SCOPED_TRACE(c.name + (through ? " through " : " blind ") + testing::PrintToString(normal));
    ExportSummary s;
    const TopoDS_Shape solid = CutPart(OneHole({40, 40, t}, c.chain, pos, normal), &s);
    EXPECT_EQ(s.holesCut, 1);
    EXPECT_EQ(s.solids, 1);
    EXPECT_TRUE(s.warnings.empty());
    const double removed = 40 * 40 * t - SolidVolume(solid);
    EXPECT_NEAR(removed / (through ? c.above : c.volume()), 1.0, 1e-6);
    // 10 mm in along the axis, and just inside the far face of a through hole.
    const double n = std::hypot(normal[0], normal[1], normal[2]);
    EXPECT_EQ(Where(solid, pos[0] + 10 * normal[0] / n, pos[1] + 10 * normal[1] / n,
                    pos[2] + 10 * normal[2] / n),
              TopAbs_OUT);
    if (through) {
      EXPECT_EQ(Where(solid, 20, 20, 0.01), TopAbs_OUT) << "a skin closes the far face";
    }
    EXPECT_EQ(Where(solid, 1, 1, 0.01), TopAbs_IN);
  }
}

// Drilled at 30 degrees to the top face's normal, the bore's mouth dips 3 sin 30 = 1.5 below the
// face on its downhill side: the material above that part of the rim goes too.
TEST(SolidExport, AnObliqueHoleLeavesNoWedgeAtItsMouth) {
  const double r = 3, a = Rad(30);
  const ProfileChain bore = {{0, 0}, {r, 0}, {r, -20}, {0, -20}, {0, 0}};
  const TopoDS_Shape oblique =
      CutPart(OneHole({40, 40, 30}, bore, {20, 20, 30}, {std::sin(a), 0, -std::cos(a)}));
  // A point within the bore's radius, just under the face on the downhill side of the mouth.
  const double x = 20 - 0.9 * r * std::cos(a);
  EXPECT_EQ(Where(oblique, x, 20, 29.9), TopAbs_OUT) << "a wedge stays at the mouth";
  EXPECT_EQ(Where(oblique, 20 - 1.1 * r / std::cos(a), 20, 29.9), TopAbs_IN);
}

// Bad input is refused with a message naming the hole and the fault; degenerate chains, which
// remove nothing, are skipped with a warning.
// The shell check: a box's shell is closed; without a face, with a face turned the wrong way, or
// with a second box's faces beside it, it is not.
TEST(SolidExport, ShellCheckFindsOpenTurnedAndSplitShells) {
  using cavix::exporter::detail::ShellValid;
  auto facesOf = [](const TopoDS_Shape& s) {
    std::vector<TopoDS_Shape> faces;
    for (TopExp_Explorer f(s, TopAbs_FACE); f.More(); f.Next()) faces.push_back(f.Current());
    return faces;
  };
  const std::vector<TopoDS_Shape> box = facesOf(BRepPrimAPI_MakeBox(10, 10, 10).Shape()),
                                  other = facesOf(BRepPrimAPI_MakeBox(gp_Pnt(20, 0, 0), 5, 5, 5).Shape());
  auto shell = [](const std::vector<TopoDS_Shape>& faces) {
    BRep_Builder b;
    TopoDS_Shell s;
    b.MakeShell(s);
    for (const TopoDS_Shape& f : faces) b.Add(s, f);
    return s;
  };
  EXPECT_TRUE(ShellValid(shell(box)));
  EXPECT_FALSE(ShellValid(shell({box.begin() + 1, box.end()})));
  std::vector<TopoDS_Shape> turned = box;
  turned[2].Reverse();
  EXPECT_FALSE(ShellValid(shell(turned)));
  std::vector<TopoDS_Shape> two = box;
  two.insert(two.end(), other.begin(), other.end());
  EXPECT_FALSE(ShellValid(shell(two)));
  EXPECT_FALSE(ShellValid(shell({})));
}

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
    {"huge block", [](PartInput& p) { p.block = {40, 1e308, 20}; },
     "a block extent must be from 0.001 to 100000 mm, not 1e+308", false},
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

namespace {

// Every face of a cut part lies on the surface of what the map says it belongs to: its hole's
// revolved profile, or the uncut part. Returns how many faces belong to the part itself.
int ExpectFacesWhereTheMapSays(const CutResult& r, const PartInput& part) {
  const Handle(IntTools_Context) context = new IntTools_Context;
  TopoDS_Shape base =
      BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), part.block[0], part.block[1], part.block[2]).Shape();
  if (!part.solidBrep.empty()) {
    std::istringstream in(part.solidBrep);
    BRepTools::Read(base, in, BRep_Builder());
  }
  std::vector<std::vector<TopoDS_Shape>> tools(part.holes.size());
  std::vector<std::string> warnings;
  for (size_t h = 0; h < part.holes.size(); ++h)
    tools[h] = MakeHoleTools(part.holes[h], HoleIndex(h), warnings);
  int own = 0;
  TopTools_IndexedMapOfShape faces;
  TopExp::MapShapes(r.shape, TopAbs_FACE, faces);
  for (int i = 1; i <= faces.Extent(); ++i) {
    gp_Pnt p;
    gp_Pnt2d uv;
    EXPECT_EQ(BOPTools_AlgoTools3D::PointInFace(TopoDS::Face(faces(i)), p, uv, context), 0);
    const std::optional<HoleIndex> h = r.HoleOf(faces(i));
    bool on = false;
    if (!h) {
      ++own;
      on = BRepClass3d_SolidClassifier(base, p, 1e-6).State() == TopAbs_ON;
    } else {
      for (const TopoDS_Shape& t : tools[static_cast<size_t>(*h)])
        on = on || BRepClass3d_SolidClassifier(t, p, 1e-6).State() == TopAbs_ON;
    }
    EXPECT_TRUE(on) << "face " << i << " at " << p.X() << "," << p.Y() << "," << p.Z()
                    << " is not on hole " << (h ? static_cast<int>(*h) : -1);
  }
  return own;
}

int FaceCount(const TopoDS_Shape& s) {
  TopTools_IndexedMapOfShape faces;
  TopExp::MapShapes(s, TopAbs_FACE, faces);
  return faces.Extent();
}

// An L-shaped plate 15 thick, as BRep text: legs 60 x 20 and 20 x 40.
std::string LPlateBrep() {
  BRepBuilderAPI_MakePolygon outline;
  for (auto [x, y] : {std::pair{0, 0}, {60, 0}, {60, 20}, {20, 20}, {20, 40}, {0, 40}})
    outline.Add(gp_Pnt(x, y, 0));
  outline.Close();
  const TopoDS_Shape plate =
      BRepPrimAPI_MakePrism(BRepBuilderAPI_MakeFace(outline.Wire()).Face(), gp_Vec(0, 0, 15))
          .Shape();
  std::ostringstream os;
  BRepTools::Write(plate, os);
  return os.str();
}

PartInput Grid(std::array<double, 3> block, const ProfileChain& chain, double dx, double dy) {
  PartInput part = OneHole(block, chain, {});
  part.holes.clear();
  for (double x = dx / 2; x < block[0]; x += dx)
    for (double y = dy / 2; y < block[1]; y += dy)
      part.holes.push_back(OneHole(block, chain, {x, y, block[2]}).holes[0]);
  return part;
}

}  // namespace

namespace {

// A STEP file as a reader makes it out.
struct StepSolid {
  bool read = false, valid = false;
  int solids = 0, faces = 0;
  double volume = 0;
  std::string text;
};

StepSolid ReadStep(const std::string& path) {
  StepSolid r;
  STEPControl_Reader reader;
  if (reader.ReadFile(path.c_str()) != IFSelect_RetDone || reader.TransferRoots() == 0) return r;
  const TopoDS_Shape shape = reader.OneShape();
  r.read = true;
  r.valid = BRepCheck_Analyzer(shape).IsValid();
  TopTools_IndexedMapOfShape solids, faces;
  TopExp::MapShapes(shape, TopAbs_SOLID, solids);
  TopExp::MapShapes(shape, TopAbs_FACE, faces);
  r.solids = solids.Extent();
  r.faces = faces.Extent();
  r.volume = SolidVolume(shape);
  r.text = Slurp(path);
  return r;
}

// A STEP file's entities, parsed as far as faces and their bounds need: "#id = TYPE(args);".
struct StepValue {
  std::string atom;  // "#12", "3.5", ".T.", "'name'", "*", or a type name before a list
  std::vector<StepValue> list;
};

StepValue ParseValue(const std::string& t, size_t& i) {
  StepValue v;
  while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
  while (i < t.size() && t[i] != '(' && t[i] != ',' && t[i] != ')') {
    if (!std::isspace(static_cast<unsigned char>(t[i]))) v.atom += t[i];
    ++i;
  }
  if (i < t.size() && t[i] == '(') {
    ++i;
    while (i < t.size() && t[i] != ')') {
      v.list.push_back(ParseValue(t, i));
      if (i < t.size() && t[i] == ',') ++i;
    }
    ++i;
  }
  return v;
}

std::map<long, StepValue> ParseStep(const std::string& text) {
  std::map<long, StepValue> out;
  const size_t data = text.find("DATA;");
  for (size_t at = text.find('#', data); at != std::string::npos; at = text.find("\n#", at)) {
    if (text[at] == '\n') ++at;
    const size_t eq = text.find('=', at), end = text.find(";\n", at);
    size_t i = eq + 1;
    out[std::stol(text.substr(at + 1, eq - at - 1))] = ParseValue(text.substr(0, end), i);
    at = end;
  }
  return out;
}

// Each face as a reader must understand it, whoever numbered the entities: its surface's kind,
// the way its normal points (for a plane the normal itself; STEP's cylinders and cones point
// outwards, so there the face's sense), and every edge of its bounds as walked: from point to
// point, or round a closed circle about the axis it turns about.
std::vector<std::string> FaceSenses(const std::string& text) {
  const std::map<long, StepValue> e = ParseStep(text);
  auto at = [&](const StepValue& ref) -> const StepValue& { return e.at(std::stol(ref.atom.substr(1))); };
  auto num = [](double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.5f", std::fabs(v) < 5e-6 ? 0.0 : v);
    return std::string(b);
  };
  auto xyz = [&](const StepValue& ref, double sign = 1) {
    const StepValue& p = at(ref).list[1];
    std::string s;
    for (const StepValue& c : p.list) s += num(sign * std::stod(c.atom)) + " ";
    return s;
  };
  std::vector<std::string> faces;
  for (const auto& [id, v] : e) {
    if (v.atom != "ADVANCED_FACE") continue;
    const bool same = v.list[3].atom == ".T.";
    const StepValue& surface = at(v.list[2]);
    std::string sig = surface.atom;
    if (surface.atom == "PLANE") sig += " normal " + xyz(at(surface.list[1]).list[2], same ? 1 : -1);
    else sig += same ? " outwards" : " inwards";
    std::vector<std::string> walked;
    for (const StepValue& b : v.list[1].list) {
      const StepValue& bound = at(b);
      for (const StepValue& o : at(bound.list[1]).list[1].list) {
        const StepValue& oriented = at(o);
        const bool forward = (oriented.list[4].atom == ".T.") == (bound.list[2].atom == ".T.");
        const StepValue& edge = at(oriented.list[3]);
        const std::string from = xyz(at(edge.list[1]).list[1]), to = xyz(at(edge.list[2]).list[1]);
        const StepValue* curve = &at(edge.list[3]);
        if (curve->atom == "SURFACE_CURVE" || curve->atom == "SEAM_CURVE") curve = &at(curve->list[1]);
        if (from == to && curve->atom == "CIRCLE") {
          const bool along = forward == (edge.list[4].atom == ".T.");
          walked.push_back("round " + xyz(at(curve->list[1]).list[1]) + "about " +
                           xyz(at(curve->list[1]).list[2], along ? 1 : -1));
        } else {
          walked.push_back(forward ? from + "to " + to : to + "to " + from);
        }
      }
    }
    std::sort(walked.begin(), walked.end());
    for (const std::string& w : walked) sig += " | " + w;
    faces.push_back(sig);
  }
  std::sort(faces.begin(), faces.end());
  return faces;
}

}  // namespace

// STEP is written straight from the cut part's faces; the kernel's translator writes it too, with
// the faces' p-curves (--pcurves). Read back, both files are the same valid solid: as many solids
// and faces, the volume the export computed. Parts: every hole kind in every direction, oblique
// holes (ellipses), bores crossing (curves of intersection), counterbores overlapping on a pitch
// tighter than their heads, an imported L-shaped part, a round one mirrored, rounded ones
// (spheres, tori); then what the
// translator writes instead: a part of free-form faces, and a slot that splits the block in two.
TEST(SolidExport, StepReadsBackAsTheSolidCut) {
  PartInput kinds;
  kinds.block = {120, 80, 40};
  const HoleCase cases[] = {Simple(6.6, 15, 118), Simple(6.6, 40, 0),  CBore(6.6, 12, 118, 11, 6.4),
                            CSink(5, 10, 0, 20, 120), CDrill(6.6, 10, 118, 11, 4, 90),
                            CBoreThread(10, 1.5, 18, 15, 118, 18, 10.6)};
  double x = 12;
  for (const HoleCase& c : cases) {
    kinds.holes.push_back(OneHole(kinds.block, c.chain, {x, 20, 40}).holes[0]);
    kinds.holes.push_back(OneHole(kinds.block, c.chain, {x, 80, 20}, {0, -1, 0}).holes[0]);
    x += 19;
  }
  kinds.holes.push_back(
      OneHole(kinds.block, Simple(6, 20, 118).chain, {60, 55, 40}, {std::sin(Rad(30)), 0,
                                                                    -std::cos(Rad(30))})
          .holes[0]);
  const double r = 3;
  const ProfileChain bore = {{0, 0}, {r, 0}, {r, -40}, {0, -40}, {0, 0}};
  PartInput crossing = OneHole({40, 40, 40}, bore, {20, 20, 40});
  crossing.holes.push_back(crossing.holes[0]);
  crossing.holes[1].position = {0, 20, 20};
  crossing.holes[1].normal = {1, 0, 0};
  PartInput lplate = Grid({60, 40, 15}, CBore(6.6, 6, 118, 11, 4).chain, 10, 10);
  lplate.block = {};
  lplate.solidBrep = LPlateBrep();
  // A round part mirrored: its surfaces stand on left-handed axes, which STEP's cannot.
  gp_Trsf mirror;
  mirror.SetMirror(gp_Ax2(gp_Pnt(0, 0, 0), gp_Dir(1, 0, 0)));
  std::ostringstream round;
  BRepTools::Write(BRepBuilderAPI_Transform(BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(-30, 30, 0),
                                                                             gp_Dir(0, 0, 1)),
                                                                      30, 20)
                                                .Shape(),
                                            mirror, Standard_True)
                       .Shape(),
                   round);
  PartInput mirrored = Grid({60, 60, 20}, CSink(5, 10, 118, 10, 90).chain, 15, 15);
  mirrored.solidBrep = round.str();
  // The same round part as rational B-splines, faces and edges, as some systems export it.
  std::ostringstream spline;
  BRepTools::Write(BRepBuilderAPI_NurbsConvert(BRepPrimAPI_MakeCylinder(
                                                   gp_Ax2(gp_Pnt(30, 30, 0), gp_Dir(0, 0, 1)), 30, 20)
                                                   .Shape())
                       .Shape(),
                   spline);
  PartInput nurbs = mirrored;
  nurbs.solidBrep = spline.str();
  // Rounded parts: a box with every edge filleted (spheres at its corners), a disc with its rims
  // filleted (tori).
  auto rounded = [](const TopoDS_Shape& shape) {
    BRepFilletAPI_MakeFillet fillet(shape);
    for (TopExp_Explorer e(shape, TopAbs_EDGE); e.More(); e.Next())
      fillet.Add(3, TopoDS::Edge(e.Current()));
    std::ostringstream os;
    BRepTools::Write(fillet.Shape(), os);
    return os.str();
  };
  PartInput box = Grid({60, 60, 20}, CBore(6.6, 8, 118, 11, 6.4).chain, 15, 15);
  box.solidBrep = rounded(BRepPrimAPI_MakeBox(60, 60, 20).Shape());
  PartInput disc = OneHole({60, 60, 20}, CSink(5, 10, 118, 10, 90).chain, {30, 30, 20});
  disc.solidBrep = rounded(
      BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(30, 30, 0), gp_Dir(0, 0, 1)), 30, 20).Shape());
  const ProfileChain slot = {{0, 0}, {8, 0}, {8, -20}, {0, -20}, {0, 0}};
  const struct {
    const char* name;
    PartInput part;
    int solids;
    bool direct;  // written straight, else by the translator
  } parts[] = {{"kinds", kinds, 1, true},
               {"crossing", crossing, 1, true},
               {"overlapping", Grid({40, 24, 20}, CBore(6.6, 10, 118, 11, 6.4).chain, 10, 6), 1,
                true},
               {"lplate", lplate, 1, true},
               {"mirrored", mirrored, 1, true},
               {"rounded box", box, 1, true},
               {"rounded disc", disc, 1, true},
               {"nurbs", nurbs, 1, false},
               {"split", OneHole({10, 30, 10}, slot, {5, 15, 10}), 2, false}};
  cavix::test::TempDir dir("cavix-step");
  ExportOptions withPCurves;
  withPCurves.stepPCurves = true;
  withPCurves.allowMisses = true;
  ExportOptions plain;
  plain.allowMisses = true;
  std::string written;  // every direct file's text
  for (const auto& [name, part, solids, direct] : parts) {
    SCOPED_TRACE(name);
    const std::string a = (dir.path / (std::string(name) + ".step")).string();
    const std::string b = (dir.path / (std::string(name) + "-pcurves.step")).string();
    const ExportSummary s = ExportStep(part, a, plain);
    ExportStep(part, b, withPCurves);
    const StepSolid da = ReadStep(a), db = ReadStep(b);
    ASSERT_TRUE(da.read && db.read);
    EXPECT_TRUE(da.valid);
    EXPECT_TRUE(db.valid);
    EXPECT_EQ(da.solids, solids);
    EXPECT_EQ(db.solids, solids);
    EXPECT_EQ(da.faces, db.faces);
    // Readers mend faces and loops that point the wrong way (this one does), but not all do:
    // every face must say what the translator says of it.
    const std::vector<std::string> fa = FaceSenses(da.text), fb = FaceSenses(db.text);
    EXPECT_EQ(fa.size(), static_cast<size_t>(da.faces));
    for (size_t i = 0; i < std::min(fa.size(), fb.size()); ++i)
      ASSERT_EQ(fa[i], fb[i]) << "face " << i;
    EXPECT_NEAR(da.volume / s.volume, 1.0, 1e-7);
    EXPECT_NEAR(db.volume / s.volume, 1.0, 1e-7);
    EXPECT_NE(db.text.find("PCURVE"), std::string::npos);
    EXPECT_EQ(da.text.find("PCURVE") == std::string::npos, direct);
    // The part is named after the file, whoever wrote it.
    EXPECT_NE(da.text.find("PRODUCT('" + std::string(name) + "'"), std::string::npos);
    EXPECT_NE(db.text.find("PRODUCT('" + std::string(name) + "-pcurves'"), std::string::npos);
    if (direct) written += da.text;
  }
  // Every kind of entity the holes and parts above need was written, and checked.
  for (const char* kind : {"= PLANE(", "= CYLINDRICAL_SURFACE(", "= CONICAL_SURFACE(", "= LINE(",
                           "= CIRCLE(", "= ELLIPSE(", "= B_SPLINE_CURVE_WITH_KNOTS(",
                           "= SPHERICAL_SURFACE(", "= TOROIDAL_SURFACE("})
    EXPECT_NE(written.find(kind), std::string::npos) << kind;
}

// Cut in tiles, or built in closed form where holes meet nothing, the part is the solid one
// boolean over all holes gives, with the same faces: the seams split no face of the result (the
// top face stays one face), and every face belongs to the same hole. Seams fall in the gaps
// between holes, between holes that overlap along one axis, and through an imported L-shaped part
// whose notch leaves some tiles empty; blind holes apart on a block are built, on whole faces for
// STEP and on faces split at tile seams for a mesh. Then holes added to
// a cut part, by themselves or across others, and one that misses: the part and its face map are
// again those of one boolean over all of them, merged faces or tiled ones.
TEST(SolidExport, TilesAndOneMoreHoleCutWhatOneBooleanCuts) {
  const ProfileChain cbore = CBore(6.6, 8, 118, 11, 6.4).chain;
  const ProfileChain small = CBore(3.4, 6, 118, 6.5, 3.4).chain;
  const ProfileChain through = {{0, 0}, {5.5, 0}, {5.5, -6.4}, {3.3, -6.4}, {3.3, -20}, {0, -20}, {0, 0}};
  const ProfileChain past = {{0, 0}, {3.3, 0}, {3.3, -25}, {0, -25}, {0, 0}};
  PartInput lplate = Grid({60, 40, 15}, small, 10, 10);
  lplate.solidBrep = LPlateBrep();
  std::erase_if(lplate.holes,
                [](const HoleSolidInput& h) { return h.position[0] > 20 && h.position[1] > 20; });
  PartInput mixed = Grid({60, 60, 20}, cbore, 15, 15);
  mixed.holes[5].position[0] += 5;  // meets hole 1 beside it: both cut, the others built
  CutOptions one, tiled, split;
  one.tileHoles = 0;
  one.directHoles = false;
  tiled.tileHoles = 3;
  split = tiled;
  split.mergeFaces = false;
  const struct {
    const char* name;
    PartInput part;
    CutOptions options;
    int tiles, built;
  } cases[] = {
      {"apart, built", Grid({60, 60, 20}, cbore, 15, 15), tiled, 1, 16},
      {"apart, built in tiles", Grid({60, 60, 20}, cbore, 15, 15), split, 4, 16},
      {"apart but two, built and cut", mixed, tiled, 4, 14},
      // Through holes end in the far face, as a through hole's profile does: built too, their
      // last step's circle in that face; a bore longer than the block is cut.
      {"through, built", Grid({60, 60, 20}, through, 15, 15), tiled, 1, 16},
      {"through, built in tiles", Grid({60, 60, 20}, through, 15, 15), split, 4, 16},
      {"past the far face, cut", Grid({60, 60, 20}, past, 15, 15), tiled, 4, 0},
      {"touching in x", Grid({44, 60, 20}, cbore, 11, 15), tiled, 4, 0},
      {"imported L plate", lplate, tiled, 4, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CutResult a = CutHoles(c.part, one), b = CutHoles(c.part, c.options);
    EXPECT_EQ(a.tiles, 1);
    EXPECT_EQ(a.built, 0);
    EXPECT_GE(b.tiles, c.tiles);
    EXPECT_EQ(b.built, c.built);
    EXPECT_TRUE(BRepCheck_Analyzer(b.shape).IsValid());
    EXPECT_NEAR(SolidVolume(b.shape) / SolidVolume(a.shape), 1.0, 1e-9);
    const int own = ExpectFacesWhereTheMapSays(b, c.part);
    if (c.options.mergeFaces) {  // else the part's faces are split at the seams
      EXPECT_EQ(FaceCount(b.shape), FaceCount(a.shape));
      EXPECT_EQ(own, ExpectFacesWhereTheMapSays(a, c.part));
    }
    EXPECT_EQ(b.cut.size(), c.part.holes.size());
  }

  PartInput all = Grid({60, 45, 20}, cbore, 15, 15);
  HoleSolidInput across = all.holes[4];  // a bore along x through the holes of one row
  across.chains = {{{0, 0}, {2, 0}, {2, -80}, {0, -80}, {0, 0}}};
  across.position = {0, all.holes[4].position[1], 10};
  across.normal = {1, 0, 0};
  HoleSolidInput away = all.holes[0];
  away.position = {300, 300, 20};
  all.holes.push_back(all.holes.back());
  all.holes.back().position = {30, 37, 20};  // overlaps the holes beside it
  all.holes.push_back(across);
  const size_t n = all.holes.size();
  const CutResult whole = CutHoles(all, one);
  GProp_GProps wholeArea;
  BRepGProp::SurfaceProperties(whole.shape, wholeArea, 1e-10);
  for (bool merge : {true, false}) {
    SCOPED_TRACE(merge ? "merged faces" : "tiled faces");
    CutOptions options;
    options.mergeFaces = merge;
    options.tileHoles = 4;
    PartInput first = all;
    first.holes.resize(n - 2);
    CutResult r = CutHoles(first, options);
    CutOneMoreHole(r, all.holes[n - 2], HoleIndex(n - 2));
    CutOneMoreHole(r, all.holes[n - 1], HoleIndex(n - 1));
    CutOneMoreHole(r, away, HoleIndex(n));
    EXPECT_TRUE(BRepCheck_Analyzer(r.shape).IsValid());
    EXPECT_NEAR(SolidVolume(r.shape) / SolidVolume(whole.shape), 1.0, 1e-9);
    GProp_GProps area;
    BRepGProp::SurfaceProperties(r.shape, area, 1e-10);
    EXPECT_NEAR(area.Mass() / wholeArea.Mass(), 1.0, 1e-9);
    PartInput with = all;
    with.holes.push_back(away);
    ExpectFacesWhereTheMapSays(r, with);
    EXPECT_EQ(r.cut.size(), n);
    EXPECT_EQ(r.missed, std::vector<HoleIndex>{HoleIndex(n)});
    EXPECT_EQ(r.recuts, 0) << "each hole was placed among the faces near it";
  }
}

// A hole inside a larger hole removes nothing, and one that only hollows the part inside is no
// hole either: both are named (a hole beside the part is the command test's).
TEST(SolidExport, HolesThatCutNothingAreNamed) {
  PartInput part = OneHole({40, 40, 20}, Simple(10, 10, 0).chain, {10, 10, 20});
  part.holes[0].name = "big";
  HoleSolidInput within = part.holes[0], inside = part.holes[0];
  within.name = "within";
  within.chains = {Simple(4, 5, 118).chain};
  inside.name = "inside";
  inside.chains = {Simple(4, 5, 0).chain};
  inside.position = {30, 30, 12};
  part.holes.insert(part.holes.end(), {within, inside});
  try {
    Measure(part);
    ADD_FAILURE() << "accepted";
  } catch (const MissError& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("hole 2 (\"within\") removes no material"), std::string::npos) << what;
    EXPECT_NE(what.find("hole 3 (\"inside\") lies wholly inside the part"), std::string::npos)
        << what;
    EXPECT_EQ(what.find("\"big\""), std::string::npos) << what;
  }
  ExportOptions allow;
  allow.allowMisses = true;
  const ExportSummary s = Measure(part, allow);
  EXPECT_EQ(s.holesCut, 2);
  EXPECT_EQ(s.misses.size(), 2u);
  EXPECT_NEAR(s.blockVolume - s.volume, Cyl(5, 10) + Cyl(2, 5), 1e-6);
}

namespace {

// A binary STL as a reader sees it, checked without the writer's help: corners are matched by
// their exact bits, as slicers do.
struct StlCheck {
  uint32_t triangles = 0;
  size_t edgesNotPaired = 0;  // directed edges without exactly one reverse partner, or repeated
  size_t zeroArea = 0;
  double volume = 0;
};

StlCheck ReadStl(const std::string& bytes) {
  StlCheck c;
  if (bytes.size() < 84) return c;
  std::memcpy(&c.triangles, bytes.data() + 80, 4);
  if (bytes.size() != 84u + 50u * c.triangles) return {};
  using P = std::array<uint32_t, 3>;
  std::map<std::pair<P, P>, int> directed;
  for (uint32_t i = 0; i < c.triangles; ++i) {
    float f[9];
    P bits[3];
    std::memcpy(f, bytes.data() + 84 + 50 * i + 12, sizeof f);
    std::memcpy(bits, f, sizeof f);
    double v[3][3];
    for (int k = 0; k < 9; ++k) v[k / 3][k % 3] = f[k];
    const double u[3] = {v[1][0] - v[0][0], v[1][1] - v[0][1], v[1][2] - v[0][2]};
    const double w[3] = {v[2][0] - v[0][0], v[2][1] - v[0][1], v[2][2] - v[0][2]};
    const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                         u[0] * w[1] - u[1] * w[0]};
    if (n[0] == 0 && n[1] == 0 && n[2] == 0) ++c.zeroArea;
    c.volume += (v[0][0] * (v[1][1] * v[2][2] - v[1][2] * v[2][1]) -
                 v[0][1] * (v[1][0] * v[2][2] - v[1][2] * v[2][0]) +
                 v[0][2] * (v[1][0] * v[2][1] - v[1][1] * v[2][0])) /
                6;
    for (int e = 0; e < 3; ++e) ++directed[{bits[e], bits[(e + 1) % 3]}];
  }
  // Each edge used by exactly two triangles, in opposite directions: closed, manifold, and
  // wound the same way throughout.
  for (const auto& [edge, uses] : directed) {
    const auto back = directed.find({edge.second, edge.first});
    if (uses != 1 || back == directed.end() || back->second != 1) ++c.edgesNotPaired;
  }
  return c;
}

}  // namespace

// The STL of a part with every hole kind, drill points included: a closed manifold wound
// outwards, no zero-area triangle, enclosing the solid's volume to within the deflection times
// its area. Once cut by the boolean (two holes overlapping) and meshed from the edges' points,
// once from the holes' profiles (all built in closed form, drilled into the top, the bottom and a
// side), once rounded and meshed by the kernel.
TEST(SolidExport, StlIsAClosedManifold) {
  const std::vector<HoleCase> kinds = {
      Simple(6.6, 12, 118), CBore(6.6, 8, 118, 11, 6.4), CSink(6.6, 10, 118, 12.6, 90),
      CDrill(6.6, 6, 118, 11, 4, 90), CBoreThread(10, 1.5, 10, 8, 118, 18, 6)};
  PartInput cut = Grid({120, 100, 25}, Simple(6.6, 12, 118).chain, 20, 20);
  for (size_t i = 0; i < cut.holes.size(); ++i) cut.holes[i].chains = {kinds[i % kinds.size()].chain};
  PartInput built = cut;
  built.block[2] = 60;
  for (HoleSolidInput& h : built.holes) h.position[2] = 60;
  cut.holes.push_back(cut.holes[1]);
  cut.holes.back().position[0] += 7;  // overlaps its neighbour
  for (size_t i = 0; i < kinds.size(); ++i) {
    built.holes.push_back(OneHole(built.block, kinds[i].chain, {10 + 20.0 * i, 50, 0}, {0, 0, 1}).holes[0]);
    built.holes.push_back(OneHole(built.block, kinds[i].chain, {120, 12 + 18.0 * i, 30}, {-1, 0, 0}).holes[0]);
  }
  // Through holes built in closed form: meshed from the edges' points, not the profiles.
  PartInput through = Grid({120, 100, 25}, {{0, 0}, {4, 0}, {4, -25}, {0, -25}, {0, 0}}, 20, 20);
  for (size_t i = 0; i < through.holes.size(); i += 2)
    through.holes[i].chains = {{{0, 0}, {5.5, 0}, {5.5, -6.4}, {3.3, -6.4}, {3.3, -25}, {0, -25}, {0, 0}}};
  // Rounded (tori and spheres along its edges), the part goes to the kernel's mesher.
  PartInput rounded = cut;
  {
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(120, 100, 25).Shape();
    BRepFilletAPI_MakeFillet fillet(box);
    for (TopExp_Explorer e(box, TopAbs_EDGE); e.More(); e.Next())
      fillet.Add(3, TopoDS::Edge(e.Current()));
    std::ostringstream os;
    BRepTools::Write(fillet.Shape(), os);
    rounded.solidBrep = os.str();
  }
  CutOptions asMeshed;
  asMeshed.mergeFaces = false;
  asMeshed.wholeWhenBuilt = true;
  EXPECT_TRUE(CutHoles(cut, asMeshed).closedForm.empty());
  EXPECT_EQ(CutHoles(built, asMeshed).closedForm.size(), built.holes.size());
  const CutResult throughCut = CutHoles(through, asMeshed);
  EXPECT_EQ(throughCut.built, static_cast<int>(through.holes.size()));
  EXPECT_TRUE(throughCut.closedForm.empty());
  // The mesher from edges refuses a part with a face it cannot take without handing on a
  // triangle, and gives up on a face with an edge inside it.
  using cavix::exporter::detail::MeshPlanesCylindersCones;
  int handed = 0;
  const auto count = [&](const cavix::exporter::detail::Triangle&) { ++handed; };
  EXPECT_FALSE(MeshPlanesCylindersCones(CutPart(rounded), 0.01, 2, count));
  EXPECT_EQ(handed, 0);
  TopoDS_Face square = BRepBuilderAPI_MakeFace(gp_Pln(), 0, 10, 0, 10);
  TopoDS_Wire inside;
  BRep_Builder builder;
  builder.MakeWire(inside);
  builder.Add(inside, BRepBuilderAPI_MakeEdge(gp_Pnt(2, 5, 0), gp_Pnt(8, 5, 0)).Edge().Oriented(TopAbs_INTERNAL));
  builder.Add(square, inside);
  EXPECT_THROW(MeshPlanesCylindersCones(square, 0.01, 1, count),
               cavix::exporter::detail::FaceMeshFailed);
  for (const PartInput* part : {&cut, &built, &through, &rounded}) {
    SCOPED_TRACE(part == &cut ? "cut" : part == &built ? "built" : part == &through ? "through" : "rounded");
    const cavix::test::TempDir dir("cavix-stl-");
    const ExportSummary s = ExportStl(*part, dir.File("part.stl"));
    const StlCheck c = ReadStl(Slurp(dir.File("part.stl")));
    ASSERT_GT(c.triangles, 1000u);
    EXPECT_EQ(c.triangles, s.triangles);
    EXPECT_EQ(c.edgesNotPaired, 0u);
    EXPECT_EQ(c.zeroArea, 0u);
    GProp_GProps area;
    BRepGProp::SurfaceProperties(CutPart(*part), area);
    EXPECT_GT(s.deflection, 0);
    EXPECT_LE(std::fabs(c.volume - s.solidVolume), s.deflection * area.Mass());
    EXPECT_NEAR(c.volume, s.volume, 1e-6 * s.volume);
    if (part != &rounded) {  // whose outer fillets the chords cut inside
      EXPECT_GT(c.volume, s.solidVolume) << "chords cut inside the holes' circles";
    }
  }
}

// Identical stepped holes that overlap are built as one piece when they may be: the solid
// valid, of the boolean's volume, each hole with faces of its own, and the STEP read back the
// same. Layouts: a grid whose counterbores leave islands of material between them, a row of plain
// holes, a ring of holes around a hole standing in its island (the ring is then cut), a ring
// whose bores meet too (its floor in two pieces, one inside the other's island), counterbores
// that only touch (cut as well: a closed form would get the touching points wrong), and drill
// points: meeting their neighbours' in hyperbolas, or crowded so closely that three meet (cut).
TEST(SolidExport, OverlappingHolesBuiltAsOnePiece) {
  const ProfileChain counterbore = {{0, 0}, {5.5, 0}, {5.5, -6.4}, {3.3, -6.4},
                                    {3.3, -16.4}, {0, -16.4}, {0, 0}};
  const ProfileChain plain = {{0, 0}, {3, 0}, {3, -8}, {0, -8}, {0, 0}};
  const double tip = 3.3 / std::tan(Rad(59)), plainTip = 3 / std::tan(Rad(59));
  const ProfileChain pointed = {{0, 0}, {5.5, 0}, {5.5, -6.4}, {3.3, -6.4},
                                {3.3, -16.4}, {0, -16.4 - tip}, {0, 0}};
  const ProfileChain drilled = {{0, 0}, {3, 0}, {3, -8}, {0, -8 - plainTip}, {0, 0}};
  auto holesAt = [](const ProfileChain& chain, const std::vector<std::array<double, 2>>& at) {
    PartInput part = OneHole({120, 80, 20}, chain, {});
    part.holes.clear();
    for (const auto& [x, y] : at) part.holes.push_back(OneHole({120, 80, 20}, chain, {x, y, 20}).holes[0]);
    return part;
  };
  std::vector<std::array<double, 2>> grid, row, ring, touching;
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j) grid.push_back({35 + 10.0 * i, 25 + 6.0 * j});
  for (int i = 0; i < 3; ++i) row.push_back({50 + 5.0 * i, 40});
  std::vector<std::array<double, 2>> tightRing;
  for (int i = 0; i < 12; ++i) {
    ring.push_back({60 + 14 * std::cos(i * M_PI / 6), 40 + 14 * std::sin(i * M_PI / 6)});
    tightRing.push_back({60 + 10.5 * std::cos(i * M_PI / 6), 40 + 10.5 * std::sin(i * M_PI / 6)});
  }
  for (int i = 0; i < 3; ++i) touching.push_back({40 + 11.0 * i, 40});
  std::vector<std::array<double, 2>> crowded;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) crowded.push_back({50 + 4.0 * i, 30 + 4.0 * j});
  PartInput inIsland = holesAt(counterbore, ring);
  inIsland.holes.push_back(holesAt(plain, {{60, 40}}).holes[0]);
  inIsland.holes.back().chains = {{{0, 0}, {1.5, 0}, {1.5, -5}, {0, -5}, {0, 0}}};
  struct Case {
    const char* name;
    PartInput part;
    int built;
  };
  // Holes on a 10 x 6 mm pitch across a whole block, half a pitch from its sides: they break out
  // of all four.
  auto across = [&](const ProfileChain& chain, double dx, double dy) {
    PartInput part = OneHole({5 * dx, 5 * dy, 20}, chain, {});
    part.holes.clear();
    for (int i = 0; i < 5; ++i)
      for (int j = 0; j < 5; ++j)
        part.holes.push_back(
            OneHole(part.block, chain, {dx / 2 + dx * i, dy / 2 + dy * j, 20}).holes[0]);
    return part;
  };
  // Two drill points by a corner, one of them close to a side: the hyperbola the side cuts from
  // it spans a long stretch of its parameter.
  PartInput nearCorner = OneHole({31, 43, 20}, pointed, {});
  nearCorner.holes.clear();
  for (const auto& [x, y] : std::vector<std::array<double, 2>>{{0.55, 6.44}, {3.41, 4.35}})
    nearCorner.holes.push_back(OneHole(nearCorner.block, pointed, {x, y, 20}).holes[0]);
  // (Turned the other way, the counterbores' notches run into one another along the long sides.)
  const std::vector<Case> cases = {{"across flat", across(counterbore, 10, 6), 25},
                                   {"across pointed", across(pointed, 10, 6), 25},
                                   {"across, turned", across(pointed, 6, 10), 25},
                                   {"by a corner", nearCorner, 2},
                                   {"grid", holesAt(counterbore, grid), 36},
                                   {"row", holesAt(plain, row), 3},
                                   {"ring round a hole", inIsland, 1},
                                   {"ring of bores round an island", holesAt(counterbore, tightRing), 12},
                                   {"touching", holesAt(counterbore, touching), 0},
                                   {"grid with drill points", holesAt(pointed, grid), 36},
                                   {"row of drilled holes", holesAt(drilled, row), 3},
                                   {"drill points crowded", holesAt(drilled, crowded), 0}};
  CutOptions closed, boolean;
  closed.overlapsInClosedForm = true;
  boolean.directHoles = false;
  CutOptions spread = closed;
  spread.jobs = 3;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CutResult r = CutHoles(c.part, closed), b = CutHoles(c.part, boolean);
    // Built on several workers, the same faces in the same order.
    EXPECT_EQ(cavix::exporter::detail::StepText(CutHoles(c.part, spread).shape, {}, 1),
              cavix::exporter::detail::StepText(r.shape, {}, 1));
    EXPECT_EQ(r.built, c.built);
    EXPECT_TRUE(BRepCheck_Analyzer(r.shape).IsValid());
    EXPECT_EQ(r.solids, 1);
    EXPECT_EQ(r.cut.size(), c.part.holes.size());
    EXPECT_NEAR(SolidVolume(r.shape) / SolidVolume(b.shape), 1.0, 1e-9);
    const cavix::test::TempDir dir("cavix-overlap-");
    const ExportSummary s = ExportStep(c.part, dir.File("part.step"));
    EXPECT_NEAR(s.volume / SolidVolume(b.shape), 1.0, 1e-9);
    const StepSolid back = ReadStep(dir.File("part.step"));
    EXPECT_TRUE(back.valid);
    EXPECT_EQ(back.solids, 1);
    EXPECT_NEAR(back.volume / s.volume, 1.0, 1e-7);
    // The mesh of holes built together closed, round the solid's volume. (Touching holes leave
    // an edge that four faces share: no mesh of them is a manifold.)
    if (c.built == 0) continue;
    const ExportSummary m = ExportStl(c.part, dir.File("part.stl"));
    const StlCheck stl = ReadStl(Slurp(dir.File("part.stl")));
    EXPECT_EQ(stl.edgesNotPaired, 0u);
    EXPECT_EQ(stl.zeroArea, 0u);
    GProp_GProps area;
    BRepGProp::SurfaceProperties(r.shape, area);
    EXPECT_LE(std::fabs(stl.volume - m.solidVolume), m.deflection * area.Mass());
    // Meshed from the edges' points (the kernel's mesher would be the fall-back), and a drill
    // point's triangles stay within the deflection of the cones: the depth under a point is the
    // shallowest of the cones over it.
    std::vector<cavix::exporter::detail::Triangle> triangles;
    ASSERT_TRUE(cavix::exporter::detail::MeshPlanesCylindersCones(
        r.shape, m.deflection, 1, [&](const auto& t) { triangles.push_back(t); }));
    const ProfileChain& chain = c.part.holes[0].chains[0];
    const auto rim = chain[chain.size() - 3], point = chain[chain.size() - 2];
    if (point[1] >= rim[1]) continue;
    const double top = c.part.block[2], slope = (rim[1] - point[1]) / rim[0];
    double worst = 0;
    for (const auto& t : triangles) {
      double centre[3] = {0, 0, 0};
      bool onCones = true;
      for (const auto& v : t.v) {
        onCones = onCones && v[2] < top + rim[1] + 1e-4;
        for (int k = 0; k < 3; ++k) centre[k] += v[k] / 3;
      }
      for (int k = 0; k < 3; ++k)  // not on the block's faces
        onCones = onCones && !(std::fabs(t.v[0][k] - t.v[1][k]) < 1e-5 &&
                               std::fabs(t.v[1][k] - t.v[2][k]) < 1e-5);
      if (!onCones) continue;
      double nearest = 1e300;
      for (const HoleSolidInput& h : c.part.holes)
        nearest = std::min(nearest, std::hypot(centre[0] - h.position[0], centre[1] - h.position[1]));
      const double depth = top + point[1] + slope * nearest;
      worst = std::max(worst, std::fabs(centre[2] - depth) / std::hypot(1, slope));
    }
    EXPECT_GT(worst, 0);
    EXPECT_LE(worst, m.deflection);
  }
}
