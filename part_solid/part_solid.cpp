// STEP in, BRep text out and back, and the base solid of a part, on Open CASCADE.
#include "part_solid/part_solid.h"

#include <sys/stat.h>

#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <ShapeAnalysis_ShapeTolerance.hxx>
#include <Standard_Failure.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "export/occ_kernel.h"
#include "export/step_translator.h"
#include "runtime/error.h"
#include "runtime/isolated.h"
#include "scene/config_files.h"

namespace cavix::partsolid {

namespace {

using exporter::KernelFailure;

[[noreturn]] void Refuse(const std::string& path, const std::string& problem) {
  rt::Raise(scene::kInvalidFileFormat, "STEP file \"" + path + "\": " + problem, "STEP");
}

// The kernel's STEP parser recurses once per level of parentheses and overflows the stack on a
// few tens of thousands; no exporter nests more than a handful (a B-spline surface's control
// points are three deep). Text in quotes and comments does not count.
constexpr int kMaxStepNesting = 100;

void RefuseDeepNesting(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buf(1 << 16);
  int depth = 0;
  char quote = 0, previous = 0;
  bool comment = false;
  for (long long at = 0; in.read(buf.data(), static_cast<std::streamsize>(buf.size())) ||
                         in.gcount() > 0;) {
    const auto n = static_cast<size_t>(in.gcount());
    for (size_t i = 0; i < n; ++i, ++at) {
      char c = buf[i];
      if (comment) {
        if (previous == '*' && c == '/') {
          comment = false;
          c = 0;  // "*/*" opens no comment
        }
      } else if (quote != 0) {
        if (c == quote) quote = 0;  // a doubled quote closes and opens again
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (previous == '/' && c == '*') {
        comment = true;
        c = 0;
      } else if (c == '(' && ++depth > kMaxStepNesting) {
        Refuse(path, "its parentheses nest more than " + std::to_string(kMaxStepNesting) +
                         " levels deep (at byte " + std::to_string(at + 1) + ")");
      } else if (c == ')' && depth > 0) {
        --depth;
      }
      previous = c;
    }
  }
}

// The reader joins edges and faces that the file leaves apart by widening their tolerances, so a
// vertex set 7 mm off its faces reads as a valid solid with a 7 mm tolerance. A solid is only as
// exact as its widest tolerance: past a hundredth of a millimetre (the tolerance of the finest
// drilled fits) its faces do not meet, and holes and through depths measured on it would be off.
constexpr double kMaxSolidToleranceMm = 0.01;

std::string FormatMm(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

// Reads the one solid of the file with the kernel's translator, in this process.
ImportedSolid ReadWithTheKernel(const std::string& path) {
  exporter::QuietKernelMessages();
  TopoDS_Shape solid;
  try {
    TopoDS_Shape all;
    if (!exporter::LoadStepTranslator().read(&path, &all))
      Refuse(path, "not a STEP file that can be read");
    int solids = 0;
    for (TopExp_Explorer ex(all, TopAbs_SOLID); ex.More(); ex.Next(), ++solids)
      solid = ex.Current();
    if (solids == 0) Refuse(path, "it holds no solid");
    if (solids > 1)
      Refuse(path, "it holds " + std::to_string(solids) + " solids; a part is made from one");
    if (!BRepCheck_Analyzer(solid).IsValid()) Refuse(path, "its solid is not a valid solid");
    if (const double widest = ShapeAnalysis_ShapeTolerance().Tolerance(solid, 1);
        !(widest <= kMaxSolidToleranceMm))
      Refuse(path, "its solid is not a valid solid: its edges and faces meet only within " +
                       FormatMm(widest) + " mm (at most " + FormatMm(kMaxSolidToleranceMm) +
                       " mm is taken)");

    GProp_GProps props;
    BRepGProp::VolumeProperties(solid, props);
    if (props.Mass() < 0) solid.Reverse();  // faces inside out would make holes add material

    const std::optional<std::array<double, 6>> box = BoxOf(solid);
    if (!box) Refuse(path, "its solid has no extent");
    ImportedSolid out;
    // Where the file puts it: the drilled part goes back into the user's assembly as it came.
    out.brep = BrepText(solid);
    out.extents = {(*box)[3] - (*box)[0], (*box)[4] - (*box)[1], (*box)[5] - (*box)[2]};
    if (const std::string problem = scene::BlockExtentsProblem(
            {out.extents[0], out.extents[1], out.extents[2]}, scene::Units::Millimetre);
        !problem.empty())
      Refuse(path, "its solid's size is out of bounds: " + problem);
    return out;
  } catch (const Standard_Failure& f) {
    Refuse(path, "the kernel could not read it (" + KernelFailure(f) + ")");
  }
}

// The kernel's STEP translator trusts what it reads, and some malformed files crash it (a file cut
// in the middle of an entity leaves a direction that is read through a null pointer): it reads
// in a child process, and a crash there is a refusal here.
ImportedSolid ReadInAChild(const std::string& path) {
  const rt::Isolated read = rt::RunIsolated([&] {
    const ImportedSolid s = ReadWithTheKernel(path);
    char head[128];
    std::snprintf(head, sizeof head, "%.17g %.17g %.17g\n", s.extents[0], s.extents[1],
                  s.extents[2]);
    return head + s.brep;
  });
  if (read.crashed) Refuse(path, "the kernel's STEP reader crashed on it (" + read.how + ")");
  ImportedSolid out;
  const size_t eol = read.result.find('\n');
  if (eol == std::string::npos || std::sscanf(read.result.c_str(), "%lf %lf %lf", &out.extents[0],
                                              &out.extents[1], &out.extents[2]) != 3)
    Refuse(path, "the kernel's STEP reader gave no solid back");
  out.brep = read.result.substr(eol + 1);
  return out;
}

}  // namespace

ImportedSolid ReadStepSolid(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      rt::Raise(rt::err::kFileNotFound, "STEP file \"" + path + "\" does not exist", "STEP");
    rt::Raise(rt::err::kPathFileAccess, "STEP file \"" + path + "\" cannot be read", "STEP");
  }
  if (S_ISDIR(st.st_mode)) Refuse(path, "it is a folder");
  if (!S_ISREG(st.st_mode)) Refuse(path, "it is not a regular file");
  RefuseDeepNesting(path);

  return ReadInAChild(path);
}

std::string BrepText(const TopoDS_Shape& shape) {
  std::ostringstream os;
  // Geometry only: a mesh would bloat the model file and is remade for the view anyway.
  BRepTools::Write(shape, os, Standard_False, Standard_False, TopTools_FormatVersion_VERSION_2);
  return os.str();
}

TopoDS_Shape ShapeFromBrep(const std::string& text, const std::string& where) {
  exporter::QuietKernelMessages();
  TopoDS_Shape shape;
  // The reader complains about a bad text on standard output, which belongs to the command.
  struct Silence {
    std::streambuf* kept = std::cout.rdbuf(nullptr);
    ~Silence() { std::cout.rdbuf(kept); }
  } silence;
  try {
    std::istringstream is(text);
    BRep_Builder builder;
    BRepTools::Read(shape, is, builder);
  } catch (const Standard_Failure& f) {
    rt::Raise(scene::kInvalidFileFormat,
              where + ": the part's solid cannot be read (" + KernelFailure(f) + ")", "BRep");
  }
  if (shape.IsNull() || !TopExp_Explorer(shape, TopAbs_SOLID).More())
    rt::Raise(scene::kInvalidFileFormat, where + ": the part's solid holds no solid", "BRep");
  return shape;
}

std::optional<std::array<double, 6>> BoxOf(const TopoDS_Shape& shape) {
  Bnd_Box box;
  BRepBndLib::AddOptimal(shape, box, Standard_False, Standard_False);
  if (box.IsVoid()) return std::nullopt;
  std::array<double, 6> e{};
  box.Get(e[0], e[1], e[2], e[3], e[4], e[5]);
  return e;
}

TopoDS_Shape BaseSolid(const exporter::PartInput& part) {
  if (!part.solidBrep.empty()) return ShapeFromBrep(part.solidBrep, "the part");
  if (const std::string problem = scene::BlockExtentsProblem(
          {part.block[0], part.block[1], part.block[2]}, scene::Units::Millimetre);
      !problem.empty())
    rt::Raise(rt::err::kInvalidCall, "the part's block: " + problem, "Part");
  return BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), part.block[0], part.block[1], part.block[2]).Shape();
}

std::unique_ptr<scene::Scene> NewModelFromStep(const std::string& stepPath, scene::Units units,
                                               int precision) {
  const ImportedSolid solid = ReadStepSolid(stepPath);
  scene::Vec3 size{solid.extents[0], solid.extents[1], solid.extents[2]};
  if (units == scene::Units::Inch) {
    constexpr double kMmPerInch = 25.4;
    size = {size.x / kMmPerInch, size.y / kMmPerInch, size.z / kMmPerInch};
  }
  auto model = scene::Scene::NewModel(size, units, precision);
  scene::Shape& first = *model->MainPart().ShapeItems().front();
  first.SetSolid(solid.brep);
  // Named after its file, since it is no block.
  first.SetName(std::filesystem::path(stepPath).stem().string());
  return model;
}

}  // namespace cavix::partsolid
