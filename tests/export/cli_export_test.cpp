// `cavix export` as users run it: the demo part's STEP read back and its glTF read by a reader of
// our own; holes that cut nothing refused unless allowed; bad output names and files that cannot be
// written fail with a message naming the file and the cause, and change nothing. (The solids and
// the sheet themselves are the solid and SVG tests'.)

#include <gtest/gtest.h>

#include <BRepCheck_Analyzer.hxx>
#include <STEPControl_Reader.hxx>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "export/occ_part.h"
#include "tests/support/install.h"
#include "tests/support/shell.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

using cavix::test::Slurp;

using Result = cavix::test::ShellResult;

class CavixExport : public ::testing::Test {
 protected:
  Result Cavix(const std::vector<std::string>& args) {
    return cavix::test::RunShell(cavix::test::CommandLine(CAVIX_BINARY, args), dir_);
  }
  std::string File(const std::string& name) const { return dir_.File(name); }

  const cavix::test::TempDir dir_{"cavix-cli-export-"};
};

// The whole command line run by the shell, "cavix " standing for the built program.
Result Shell(std::string line, const cavix::test::TempDir& dir) {
  line.replace(line.find("cavix "), 5, cavix::test::ShellQuote(CAVIX_BINARY) + " ");
  return cavix::test::RunShell("cd " + cavix::test::ShellQuote(dir.path.string()) + " && " + line,
                               dir);
}

}  // namespace

// Output names the writers do not know, and folders that do not exist, fail in words.
TEST_F(CavixExport, BadOutputFailsAndWritesNothing) {
  const std::string model = File("part.json");
  const std::string script = std::string(CAVIX_SCRIPTS_DIR) + "/plain_blind.txt";
  ASSERT_EQ(Cavix({"new", model}).status, 0);
  ASSERT_EQ(Cavix({"drop", model, "--at", "30,30,20", "--script", script}).status, 0);
  const Result dxf = Cavix({"export", model, File("part.dxf")});
  EXPECT_EQ(dxf.status, 1);
  EXPECT_NE(dxf.err.find(".step, .stp, .stl, .glb or .svg"), std::string::npos) << dxf.err;
  EXPECT_FALSE(fs::exists(File("part.dxf")));

  const Result nodir = Cavix({"export", model, File("no/such/part.step")});
  EXPECT_EQ(nodir.status, 1);
  EXPECT_NE(nodir.err.find("no/such/part.step"), std::string::npos) << nodir.err;

  const Result nomodel = Cavix({"export", File("missing.json"), File("part.svg")});
  EXPECT_EQ(nomodel.status, 1);
  EXPECT_FALSE(fs::exists(File("part.svg")));

  // A file system that refuses to grow the file (here a file size limit, as a full disk would):
  // each writer names the file and the system's reason, leaves no temporary file behind, and
  // leaves the file of an earlier export as it was.
  for (const char* name : {"big.step", "big.stl", "big.glb"}) {
    SCOPED_TRACE(name);
    dir_.Write(name, "earlier");
    // 2 blocks of 512 bytes: room for the messages, not for the files.
    const Result full =
        Shell("trap '' XFSZ; ulimit -f 2; exec cavix export part.json " + std::string(name), dir_);
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find(std::string("cannot write \"") + name + "\": " + std::strerror(EFBIG)),
              std::string::npos)
        << full.err;
    EXPECT_EQ(Slurp(File(name)), "earlier");
  }
  for (const auto& e : fs::directory_iterator(dir_.path))
    EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
}

// Blocks at the bounds of a block's extents export in every format; a model file edited to hold
// a block beyond them (1e308 once aborted every export, holes or not) is refused when read.
TEST_F(CavixExport, BlocksWithinTheirBoundsExportAndOthersAreRefused) {
  const std::string model = File("part.json");
  ASSERT_EQ(Cavix({"new", model, "--block", "0.001,100000,1"}).status, 0);
  for (const char* name : {"edge.step", "edge.stl", "edge.glb"}) {
    const Result r = Cavix({"export", model, File(name)});
    EXPECT_EQ(r.status, 0) << name << r.err;
  }
  std::string text = Slurp(model);
  text.replace(text.find("100000.0"), 8, "1e308");
  dir_.Write("part.json", text);
  const Result r = Cavix({"export", model, File("huge.step")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("error 321: model file \"" + model + "\""), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("a block extent must be from 0.001 to 100000 mm, not 1e+308"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(File("huge.step")));
}

// A hole dropped beside the part cuts nothing: the export names it and writes nothing, unless
// misses are allowed; the count of holes cut then leaves it out.
TEST_F(CavixExport, HolesThatCutNothingFailUnlessAllowed) {
  const std::string model = File("part.json");
  ASSERT_EQ(Cavix({"new", model}).status, 0);
  const std::string script = std::string(CAVIX_SCRIPTS_DIR) + "/plain_blind.txt";
  for (const char* at : {"30,30,20", "150,30,20"})
    ASSERT_EQ(Cavix({"drop", model, "--at", at, "--script", script}).status, 0) << at;
  const Result refused = Cavix({"export", model, File("part.stl")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("hole 2 (\"#3"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("removes no material: it misses the part"), std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("--allow-misses"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(File("part.stl")));

  const Result allowed = Cavix({"export", model, File("part.stl"), "--allow-misses"});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_NE(allowed.out.find(": 1 hole cut,"), std::string::npos) << allowed.out;
  EXPECT_NE(allowed.err.find("warning: hole 2 (\"#3"), std::string::npos) << allowed.err;
}

namespace {

// A GLB file as any glTF reader sees it: the header, the JSON chunk, the binary chunk.
struct Glb {
  bool valid = false;
  nlohmann::json doc;
  size_t binBytes = 0;
  std::string bin;
  // Accessor `i` as floats (or indices widened), however its view lies in the binary chunk.
  std::vector<double> Values(size_t i) const {
    const auto& a = doc["accessors"][i];
    const auto& v = doc["bufferViews"][a["bufferView"].get<size_t>()];
    const size_t n = a["count"].get<size_t>() * (a["type"] == "VEC3" ? 3 : 1);
    std::vector<double> out(n);
    for (size_t k = 0; k < n; ++k) {
      const size_t at = v.value("byteOffset", size_t{0}) + a.value("byteOffset", size_t{0}) + 4 * k;
      if (at + 4 > bin.size()) return {};
      if (a["componentType"] == 5126) {
        float f;
        std::memcpy(&f, bin.data() + at, 4);
        out[k] = f;
      } else {
        uint32_t u;
        std::memcpy(&u, bin.data() + at, 4);
        out[k] = u;
      }
    }
    return out;
  }
};

Glb ReadGlb(const std::string& bytes) {
  Glb g;
  auto u32 = [&](size_t at) {
    uint32_t v = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + at, 4);
    return v;
  };
  if (bytes.size() < 28 || bytes.compare(0, 4, "glTF") != 0 || u32(4) != 2 ||
      u32(8) != bytes.size())
    return g;
  const uint32_t jsonLength = u32(12);
  if (u32(16) != 0x4E4F534A || 20 + size_t(jsonLength) + 8 > bytes.size()) return g;  // "JSON"
  g.doc = nlohmann::json::parse(bytes.substr(20, jsonLength), nullptr, false);
  const size_t bin = 20 + jsonLength;
  if (g.doc.is_discarded() || u32(bin + 4) != 0x004E4942) return g;  // "BIN\0"
  g.binBytes = u32(bin);
  g.valid = bin + 8 + g.binBytes == bytes.size();
  if (g.valid) g.bin = bytes.substr(bin + 8);
  return g;
}


// The scene's nodes in order: their names and how many triangles they have; back in millimetres
// with Z up, the volume the triangles enclose as wound, how many corners have a normal that is no
// unit vector on the outer side of its triangle, and the box of all positions (glTF's axes).
struct GlbNodes {
  std::vector<std::string> names;
  uint64_t triangles = 0;
  double enclosed = 0;
  size_t normalsOff = 0;
  std::array<double, 3> lo{HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  std::vector<double> widest;  // by node: its positions' largest extent across glTF's y
};

GlbNodes Walk(const Glb& g) {
  const auto& doc = g.doc;
  GlbNodes out;
  auto& [names, triangles, enclosed, normalsOff, lo, hi, widest] = out;
  for (const auto& n : doc["scenes"][doc.value("scene", 0)]["nodes"]) {
    const auto& node = doc["nodes"][n.get<size_t>()];
    names.push_back(node.value("name", ""));
    widest.push_back(0);
    for (const auto& p : doc["meshes"][node["mesh"].get<size_t>()]["primitives"]) {
      if (p.value("mode", 4) != 4) ++normalsOff;  // not triangles
      triangles += doc["accessors"][p["indices"].get<size_t>()]["count"].get<uint64_t>() / 3;
      // Back in millimetres with Z up, the triangles enclose the part wound outwards, and each
      // corner's normal is a unit vector on the outer side of its triangle.
      const std::vector<double> xyz = g.Values(p["attributes"]["POSITION"].get<size_t>()),
                                normal = g.Values(p["attributes"]["NORMAL"].get<size_t>()),
                                index = g.Values(p["indices"].get<size_t>());
      if (normal.size() != xyz.size()) ++normalsOff;
      if (normal.size() != xyz.size()) continue;
      auto mm = [&](double i, int k) {
        const double* q = &xyz[static_cast<size_t>(i) * 3];
        return k == 0 ? q[0] * 1e3 : k == 1 ? -q[2] * 1e3 : q[1] * 1e3;
      };
      for (size_t t = 0; t + 2 < index.size(); t += 3) {
        double a[3], b[3], c[3];
        for (int k = 0; k < 3; ++k) {
          a[k] = mm(index[t], k);
          b[k] = mm(index[t + 1], k);
          c[k] = mm(index[t + 2], k);
        }
        enclosed += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                     a[2] * (b[0] * c[1] - b[1] * c[0])) / 6;
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]},
                     v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double face[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                u[0] * v[1] - u[1] * v[0]};
        const double* m = &normal[static_cast<size_t>(index[t]) * 3];
        const double along = face[0] * m[0] - face[1] * m[2] + face[2] * m[1];
        if (std::fabs(std::hypot(m[0], m[1], m[2]) - 1) > 1e-4 || along < 0) ++normalsOff;
      }
      const auto& at = doc["accessors"][p["attributes"]["POSITION"].get<size_t>()];
      for (size_t k = 0; k < 3; ++k) {
        lo[k] = std::min(lo[k], at["min"][k].get<double>());
        hi[k] = std::max(hi[k], at["max"][k].get<double>());
        if (k != 1)
          widest.back() = std::max(widest.back(),
                                   at["max"][k].get<double>() - at["min"][k].get<double>());
      }
    }
  }
  return out;
}
}  // namespace

// The demo part, its holes placed by the shipped dialog scripts, as `cavix export` writes it: the
// STEP file reads back as one valid solid of the volume the export computed; the binary glTF has
// one node per hole, named as the hole, beside the part's own node, and as many triangles as the
// export says and as the STL has. Exporting leaves the model file as it was.
TEST_F(CavixExport, DemoPartAsStepAndGlb) {
  // The demo on a copy of the application folder: the dialog's preferences are written there.
  cavix::testing::WriteInstall(dir_.path / "appl");
  const std::string env = "CAVIX_REGISTRY=" + File("appl/cavix.reg") +
                          " CAVIX_SETTINGS=" + File("appl/settings.ini") + " ";
  ASSERT_EQ(Shell(env + "cavix demo demo", dir_).status, 0);
  const std::string model = Slurp(File("demo/model.cvx"));
  const Result glb = Shell(env + "cavix export demo/model.cvx demo/part.glb", dir_);
  ASSERT_EQ(glb.status, 0) << glb.err;
  EXPECT_EQ(Slurp(File("demo/model.cvx")), model) << "export changed the model file";
  EXPECT_NE(glb.out.find(": 15 holes cut, 1 solid,"), std::string::npos) << glb.out;

  STEPControl_Reader reader;
  ASSERT_EQ(reader.ReadFile(File("demo/part.step").c_str()), IFSelect_RetDone);
  ASSERT_GT(reader.TransferRoots(), 0);
  const TopoDS_Shape solid = reader.OneShape();
  EXPECT_TRUE(BRepCheck_Analyzer(solid).IsValid());
  const double volume = cavix::exporter::SolidVolume(solid);
  const size_t computed = glb.out.find("(solid ");
  ASSERT_NE(computed, std::string::npos) << glb.out;
  EXPECT_NEAR(volume / std::stod(glb.out.substr(computed + 7)), 1.0, 1e-6);

  const Glb g = ReadGlb(Slurp(File("demo/part.glb")));
  ASSERT_TRUE(g.valid);
  const GlbNodes nodes = Walk(g);
  const auto& [names, triangles, enclosed, normalsOff, lo, hi, widest] = nodes;
  // glTF is in metres with Y up: the 100 x 60 x 40 mm part spans 0.1 along x, its 40 mm height
  // along y, and its 60 mm depth along -z.
  const std::array<double, 3> spans{0.1, 0.04, 0.06};
  for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(hi[k] - lo[k], spans[k], 1e-6) << k;
  EXPECT_NEAR(hi[2], 0, 1e-6);
  // The holes as the demo's hole table lists them ("id,name,..." after its header line).
  const std::string csv = Slurp(File("demo/holes.csv"));
  std::vector<std::string> holes;
  for (size_t at = csv.find("\r\n") + 2; at < csv.size();) {
    const size_t end = csv.find("\r\n", at);
    const std::string row = csv.substr(at, end - at);
    const size_t comma = row.find(','), next = row.find(',', comma + 1);
    holes.push_back("#" + row.substr(0, comma) + " \"" + row.substr(comma + 1, next - comma - 1) +
                    "\"");
    at = end + 2;
  }
  ASSERT_EQ(holes.size(), 15u);  // nine single holes and a bolt circle of six
  ASSERT_EQ(names.size(), holes.size() + 1);
  EXPECT_EQ(names[0], "part");
  EXPECT_EQ(std::vector<std::string>(names.begin() + 1, names.end()), holes);
  EXPECT_NE(glb.out.find(" " + std::to_string(triangles) + " triangles"), std::string::npos)
      << glb.out;
  const size_t meshVolume = glb.out.find(" triangles, volume ");
  ASSERT_NE(meshVolume, std::string::npos) << glb.out;
  EXPECT_NEAR(enclosed / std::stod(glb.out.substr(meshVolume + 19)), 1.0, 1e-6);
  EXPECT_EQ(normalsOff, 0u);
  const std::string stl = Slurp(File("demo/part.stl"));
  ASSERT_GT(stl.size(), 84u);
  uint32_t stlTriangles = 0;
  std::memcpy(&stlTriangles, stl.data() + 80, 4);
  EXPECT_EQ(triangles, stlTriangles);
}

// Holes on a block, apart or overlapping one another, are built in closed form and meshed from
// their edges' points, their faces kept whole: the glTF still has a node per hole with its own
// faces (a floor overlapping counterbores share shows with each hole the part of it around that
// hole), and its triangles enclose the volume the export reports, wound outwards, with normals on
// the outer side.
TEST_F(CavixExport, GlbOfHolesBuiltInClosedForm) {
  const std::string counterbore = File("counterbore.txt");
  std::ofstream(counterbore) << "click TabNorme(0)\nclick OptHoleType(1)\ncheck ToggleFiletto 0\n"
                                "check TogglePassante 0\nselect Normativa ISO 4762 / DIN 974-1 "
                                "medium\nselect Misura 6\ntext Lunghezza 10\ncheck TogglePunta 0\n"
                                "click OKButton\n";
  struct Layout {
    const char* name;
    std::string script, grid;
    double widest;  // m, of a hole's node
  };
  for (const Layout& l :
       {Layout{"apart", std::string(CAVIX_SCRIPTS_DIR) + "/plain_blind.txt", "4,3,20,15", 0.012},
        // 11 mm counterbores 10 and 6 mm apart: the floor between two columns of bores is one
        // face 23 mm long.
        Layout{"overlapping", counterbore, "4,3,10,6", 0.016}}) {
    SCOPED_TRACE(l.name);
    const std::string model = File(std::string(l.name) + ".json"),
                      glb = File(std::string(l.name) + ".glb");
    ASSERT_EQ(Cavix({"new", model}).status, 0);
    ASSERT_EQ(Cavix({"drop", model, "--at", "50,30,20", "--grid", l.grid, "--script", l.script})
                  .status,
              0);
    const Result r = Cavix({"export", model, glb});
    ASSERT_EQ(r.status, 0) << r.err;
    const Glb g = ReadGlb(Slurp(glb));
    ASSERT_TRUE(g.valid);
    const GlbNodes nodes = Walk(g);
    ASSERT_EQ(nodes.names.size(), 13u);
    // The part's material and the holes' one.
    EXPECT_EQ(g.doc["materials"].size(), 2u);
    // The part's node spans the block; each hole's, its own hole only.
    EXPECT_NEAR(nodes.widest[0], 0.1, 1e-6);
    for (size_t i = 1; i < nodes.widest.size(); ++i) {
      EXPECT_GT(nodes.widest[i], 0.006) << i;
      EXPECT_LT(nodes.widest[i], l.widest) << i;
    }
    EXPECT_NE(r.out.find(" " + std::to_string(nodes.triangles) + " triangles, volume "),
              std::string::npos)
        << r.out;
    const size_t volume = r.out.find(" triangles, volume ");
    ASSERT_NE(volume, std::string::npos) << r.out;
    EXPECT_NEAR(nodes.enclosed / std::stod(r.out.substr(volume + 19)), 1.0, 1e-6);
    EXPECT_EQ(nodes.normalsOff, 0u);
  }
}

namespace {

// A STEP file without its header's time stamp.
std::string Undated(const std::string& step) {
  const size_t at = step.find("FILE_NAME(");
  const size_t end = at == std::string::npos ? at : step.find('\n', at);
  return end == std::string::npos ? step : step.substr(0, at) + step.substr(end);
}

}  // namespace

// The part is cut on as many threads as asked (--jobs, else CAVIX_JOBS, else every core): holes
// apart, built, and holes whose neighbours overlap them, cut in tiles, write the same STEP and
// STL on one thread as on three. A count that is not a whole number from 1 up is refused as a usage error.
TEST_F(CavixExport, JobsChangeNothingInTheFile) {
  const std::string model = File("part.json");
  const std::string script = std::string(CAVIX_SCRIPTS_DIR) + "/plain_blind.txt";
  ASSERT_EQ(Cavix({"new", model, "--block", "120,100,20"}).status, 0);
  // 9 mm holes: 12 mm apart in one grid (built), 8 mm (overlapping along x, cut) in the other.
  ASSERT_EQ(Cavix({"drop", model, "--at", "60,30,20", "--grid", "8,5,12,12", "--script", script})
                .status,
            0);
  ASSERT_EQ(Cavix({"drop", model, "--at", "60,80,20", "--grid", "12,3,8,11", "--script", script})
                .status,
            0);
  for (const char* ext : {"step", "stl"}) {
    SCOPED_TRACE(ext);
    // The same file name in two folders: STEP names the part after its file.
    const std::string one = File(std::string("one/part.") + ext),
                      three = File(std::string("three/part.") + ext);
    fs::create_directories(File("one"));
    fs::create_directories(File("three"));
    const Result a = Cavix({"export", model, one, "--jobs", "1"});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_NE(a.out.find("76 holes cut, 1 solid"), std::string::npos) << a.out;
    const Result b = Shell("CAVIX_JOBS=3 cavix export part.json three/part." + std::string(ext), dir_);
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(b.out.substr(b.out.find(':')), a.out.substr(a.out.find(':')));
    EXPECT_TRUE(Undated(Slurp(one)) == Undated(Slurp(three))) << "the files differ";
  }
  for (const char* bad : {"0", "-2", "two", "1.5"}) {
    SCOPED_TRACE(bad);
    const Result r = Cavix({"export", model, File("bad.step"), "--jobs", bad});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--jobs"), std::string::npos) << r.err;
  }
  const Result env = Shell("CAVIX_JOBS=many cavix export part.json env.step", dir_);
  EXPECT_EQ(env.status, 2);
  EXPECT_NE(env.err.find("CAVIX_JOBS"), std::string::npos) << env.err;
  EXPECT_FALSE(fs::exists(File("bad.step")) || fs::exists(File("env.step")));
}
