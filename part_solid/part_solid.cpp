// STEP in, BRep text out and back, and the base solid of a part, on Open CASCADE.
#include "part_solid/part_solid.h"

#include <sys/stat.h>

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <STEPControl_Reader.hxx>
#include <Standard_Failure.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "export/occ_kernel.h"
#include "runtime/error.h"
#include "scene/config_files.h"

namespace cavix::partsolid {

namespace {

using exporter::KernelFailure;

[[noreturn]] void Refuse(const std::string& path, const std::string& problem) {
  rt::Raise(scene::kInvalidFileFormat, "STEP file \"" + path + "\": " + problem, "STEP");
}

}  // namespace

ImportedSolid ReadStepSolid(const std::string& path) {
  exporter::QuietKernelMessages();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      rt::Raise(rt::err::kFileNotFound, "STEP file \"" + path + "\" does not exist", "STEP");
    rt::Raise(rt::err::kPathFileAccess, "STEP file \"" + path + "\" cannot be read", "STEP");
  }
  if (S_ISDIR(st.st_mode)) Refuse(path, "it is a folder");

  TopoDS_Shape solid;
  try {
    STEPControl_Reader reader;
    if (reader.ReadFile(path.c_str()) != IFSelect_RetDone)
      Refuse(path, "not a STEP file that can be read");
    reader.TransferRoots();
    const TopoDS_Shape all = reader.OneShape();
    int solids = 0;
    for (TopExp_Explorer ex(all, TopAbs_SOLID); ex.More(); ex.Next(), ++solids)
      solid = ex.Current();
    if (solids == 0) Refuse(path, "it holds no solid");
    if (solids > 1)
      Refuse(path, "it holds " + std::to_string(solids) + " solids; a part is made from one");
    if (!BRepCheck_Analyzer(solid).IsValid()) Refuse(path, "its solid is not a valid solid");

    GProp_GProps props;
    BRepGProp::VolumeProperties(solid, props);
    if (props.Mass() < 0) solid.Reverse();  // faces inside out would make holes add material

    Bnd_Box box;
    BRepBndLib::AddOptimal(solid, box, Standard_False, Standard_False);
    if (box.IsVoid()) Refuse(path, "its solid has no extent");
    double x0, y0, z0, x1, y1, z1;
    box.Get(x0, y0, z0, x1, y1, z1);
    gp_Trsf move;
    move.SetTranslation(gp_Vec(-x0, -y0, -z0));
    ImportedSolid out;
    out.brep = BrepText(BRepBuilderAPI_Transform(solid, move, Standard_True).Shape());
    out.extents = {x1 - x0, y1 - y0, z1 - z0};
    for (double e : out.extents)
      if (!(e > 0) || !std::isfinite(e)) Refuse(path, "its solid is flat");
    return out;
  } catch (const Standard_Failure& f) {
    Refuse(path, "the kernel could not read it (" + KernelFailure(f) + ")");
  }
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

TopoDS_Shape BaseSolid(const exporter::PartInput& part) {
  if (!part.solidBrep.empty()) return ShapeFromBrep(part.solidBrep, "the part");
  for (double e : part.block)
    if (!(e > 0) || !std::isfinite(e))
      rt::Raise(rt::err::kInvalidCall, "the part's block must have three positive extents", "Part");
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
