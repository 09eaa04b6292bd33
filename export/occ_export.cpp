// Hole tools from profiles, the single boolean cut, and the STEP and STL writers, on Open CASCADE.

#include <unistd.h>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <GProp_GProps.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>
#include <STEPControl_Writer.hxx>
#include <Standard_Failure.hxx>
#include <StlAPI_Writer.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gp_Ax1.hxx>
#include <gp_Dir.hxx>
#include <gp_Pnt.hxx>
#include <mutex>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "export/occ_part.h"

namespace cavix::exporter {
namespace {

using Pt = std::array<double, 2>;

std::string Num(double v) {
  std::ostringstream os;
  os.precision(12);
  os << v;
  return os.str();
}

std::string HoleLabel(const HoleSolidInput& hole, int index) {
  std::string s = "hole " + std::to_string(index + 1);
  if (!hole.name.empty()) s += " (\"" + hole.name + "\")";
  return s;
}

// OCCT reports through its default messenger on standard output; the command line keeps its
// standard output for its own results, and every failure we care about is reported by us.
void QuietKernelMessages() {
  static std::once_flag once;
  std::call_once(once, [] {
    Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
  });
}

double Cross(const Pt& o, const Pt& a, const Pt& b) {
  return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

// True when the closed segments ab and cd share a point (tolerance `tol`).
bool SegmentsTouch(const Pt& a, const Pt& b, const Pt& c, const Pt& d, double tol) {
  auto segDist = [](const Pt& p, const Pt& s0, const Pt& s1) {
    const double dx = s1[0] - s0[0], dy = s1[1] - s0[1];
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p[0] - s0[0]) * dx + (p[1] - s0[1]) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = s0[0] + t * dx - p[0], ey = s0[1] + t * dy - p[1];
    return std::sqrt(ex * ex + ey * ey);
  };
  const double d1 = Cross(a, b, c), d2 = Cross(a, b, d);
  const double d3 = Cross(c, d, a), d4 = Cross(c, d, b);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
    return true;
  return segDist(c, a, b) <= tol || segDist(d, a, b) <= tol || segDist(a, c, d) <= tol ||
         segDist(b, c, d) <= tol;
}

// The chain without repeated points and without its closing point. Throws on bad numbers;
// returns an empty vector (with a warning) for a chain that removes no material.
std::vector<Pt> CleanChain(const ProfileChain& chain, const std::string& where,
                           std::vector<std::string>& warnings) {
  double scale = 1.0;
  for (const auto& p : chain) {
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]))
      throw ExportError(where + ": the profile has a point that is not a finite number");
    scale = std::max({scale, std::fabs(p[0]), std::fabs(p[1])});
  }
  const double tol = std::max(1e-6, 1e-9 * scale);

  std::vector<Pt> pts;
  for (auto p : chain) {
    if (p[0] < -tol)
      throw ExportError(where + ": the profile point (" + Num(p[0]) + ", " + Num(p[1]) +
                        ") lies on the far side of the hole axis (x must not be negative)");
    p[0] = std::max(p[0], 0.0);
    if (!pts.empty() && std::hypot(p[0] - pts.back()[0], p[1] - pts.back()[1]) <= tol) continue;
    pts.push_back(p);
  }
  while (pts.size() > 1 &&
         std::hypot(pts.front()[0] - pts.back()[0], pts.front()[1] - pts.back()[1]) <= tol)
    pts.pop_back();

  double maxX = 0;
  for (const Pt& p : pts) maxX = std::max(maxX, p[0]);
  auto degenerate = [&](const char* why) {
    warnings.push_back(where + ": skipped a degenerate profile chain (" +
                       std::to_string(pts.size()) + " distinct points, largest radius " +
                       Num(maxX) + ", " + why + ")");
    return std::vector<Pt>{};
  };
  if (pts.size() < 3) return degenerate("fewer than three distinct points");
  if (maxX <= tol) return degenerate("nothing off the axis");

  // A chain that crosses itself or doubles back would revolve into a solid that is not one.
  const size_t n = pts.size();
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      const bool adjacent = j == i + 1 || (i == 0 && j == n - 1);
      const Pt& a = pts[i];
      const Pt& b = pts[(i + 1) % n];
      const Pt& c = pts[j];
      const Pt& d = pts[(j + 1) % n];
      if (adjacent) {
        // Shared vertex: fail only when the two edges fold back onto each other.
        const Pt& shared = (j == i + 1) ? b : a;
        const Pt& p1 = (j == i + 1) ? a : b;
        const Pt& p2 = (j == i + 1) ? d : c;
        const double ux = p1[0] - shared[0], uy = p1[1] - shared[1];
        const double vx = p2[0] - shared[0], vy = p2[1] - shared[1];
        const double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
        if (std::fabs(ux * vy - uy * vx) <= 1e-12 * lu * lv && ux * vx + uy * vy > 0)
          throw ExportError(where + ": the profile doubles back on itself at (" + Num(shared[0]) +
                            ", " + Num(shared[1]) + ")");
        continue;
      }
      if (SegmentsTouch(a, b, c, d, tol))
        throw ExportError(where + ": the profile crosses itself near (" + Num(c[0]) + ", " +
                          Num(c[1]) + ")");
    }
  }
  double area2 = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    const Pt& a = pts[i];
    const Pt& b = pts[(i + 1) % pts.size()];
    area2 += a[0] * b[1] - b[0] * a[1];
  }
  if (std::fabs(area2) <= tol * scale) return degenerate("no area to revolve");
  return pts;
}

std::string KernelFailure(const Standard_Failure& f) {
  const char* msg = f.GetMessageString();
  return std::string(f.DynamicType()->Name()) + (msg && *msg ? std::string(": ") + msg : "");
}

// A unique temporary name beside `path`, removed again unless committed.
class TempFile {
 public:
  explicit TempFile(const std::string& path) : target_(path) {
    if (path.empty()) throw ExportError("no output file name given");
    static int counter = 0;
    tmp_ = path + ".~" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
  }
  ~TempFile() {
    if (!committed_) std::remove(tmp_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& Name() const { return tmp_; }
  void Commit() {
    if (std::rename(tmp_.c_str(), target_.c_str()) != 0)
      throw ExportError("cannot write \"" + target_ + "\": " + std::strerror(errno));
    committed_ = true;
  }

 private:
  std::string target_;
  std::string tmp_;
  bool committed_ = false;
};

void CheckWritable(const std::string& tmp, const std::string& target) {
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) throw ExportError("cannot write \"" + target + "\": " + std::strerror(errno));
  std::fclose(f);
}

// True when `position` lies on a face of the block whose outward normal is opposite to the
// hole's axis `n` (a unit vector).
bool OpensOnFaceSquareToAxis(const std::array<double, 3>& block, const std::array<double, 3>& p,
                             const gp_Dir& n) {
  const double d[3] = {n.X(), n.Y(), n.Z()};
  for (int k = 0; k < 3; ++k) {
    if (std::fabs(std::fabs(d[k]) - 1) > 1e-12) continue;
    const double tol = 1e-9 * std::max(1.0, block[k]);
    const double face = d[k] > 0 ? 0.0 : block[k];
    if (std::fabs(p[k] - face) > tol) return false;
    for (int o = 0; o < 3; ++o)
      if (o != k && (p[o] < -tol || p[o] > block[o] + tol)) return false;
    return true;
  }
  return false;
}

}  // namespace

std::vector<TopoDS_Shape> MakeHoleTools(const HoleSolidInput& hole, int holeIndex,
                                        std::vector<std::string>& warnings,
                                        const std::array<double, 3>* block) {
  const std::string where = HoleLabel(hole, holeIndex);
  for (double v : hole.position)
    if (!std::isfinite(v)) throw ExportError(where + ": its position is not a finite number");
  for (double v : hole.normal)
    if (!std::isfinite(v)) throw ExportError(where + ": its axis is not a finite number");
  const double len = std::hypot(hole.normal[0], hole.normal[1], hole.normal[2]);
  if (!(len > 1e-12)) throw ExportError(where + ": its axis direction is the zero vector");

  const gp_Dir n(hole.normal[0] / len, hole.normal[1] / len, hole.normal[2] / len);
  // Any direction at right angles to the axis will do: the profile is revolved a full turn.
  const gp_Dir helper = std::fabs(n.Z()) < 0.9 ? gp_Dir(0, 0, 1) : gp_Dir(1, 0, 0);
  const gp_Dir u = n.Crossed(helper);
  const gp_Pnt origin(hole.position[0], hole.position[1], hole.position[2]);

  std::vector<TopoDS_Shape> tools;
  if (hole.chains.empty()) warnings.push_back(where + ": skipped, it has no profile yet");
  for (size_t c = 0; c < hole.chains.size(); ++c) {
    const std::string chainWhere =
        hole.chains.size() > 1 ? where + ", chain " + std::to_string(c + 1) : where;
    std::vector<Pt> pts = CleanChain(hole.chains[c], chainWhere, warnings);
    if (pts.empty()) continue;
    if (block && OpensOnFaceSquareToAxis(*block, hole.position, n) && pts[0][0] == 0 &&
        pts[0][1] == 0 && std::fabs(pts[1][1]) <= 1e-9 && pts[1][0] > 0) {
      // Start the tool a little outside the face it opens on: the same material goes, and the
      // boolean meets the face across instead of in its plane, which is faster and more robust.
      const double lift = std::max(0.5, 0.1 * pts[1][0]);
      pts[0] = {0, lift};
      pts.insert(pts.begin() + 1, Pt{pts[1][0], lift});
    }
    try {
      BRepBuilderAPI_MakePolygon poly;
      for (const Pt& p : pts) {
        const double depth = -p[1];
        poly.Add(gp_Pnt(origin.X() + depth * n.X() + p[0] * u.X(),
                        origin.Y() + depth * n.Y() + p[0] * u.Y(),
                        origin.Z() + depth * n.Z() + p[0] * u.Z()));
      }
      poly.Close();
      if (!poly.IsDone()) throw ExportError(chainWhere + ": its profile does not make a wire");
      BRepBuilderAPI_MakeFace face(poly.Wire(), Standard_True);
      if (!face.IsDone()) throw ExportError(chainWhere + ": its profile does not make a face");
      BRepPrimAPI_MakeRevol revol(face.Face(), gp_Ax1(origin, n), 2.0 * M_PI, Standard_True);
      revol.Build();
      if (!revol.IsDone())
        throw ExportError(chainWhere + ": revolving its profile about the axis failed");
      TopoDS_Shape solid = revol.Shape();
      // The face's winding decides which way the revolved solid faces; a tool turned inside out
      // would add to the part instead of removing from it.
      GProp_GProps props;
      BRepGProp::VolumeProperties(solid, props);
      if (props.Mass() < 0) solid.Reverse();
      tools.push_back(solid);
    } catch (const Standard_Failure& f) {
      throw ExportError(chainWhere + ": the geometry kernel failed to build its solid (" +
                        KernelFailure(f) + ")");
    }
  }
  return tools;
}

TopoDS_Shape CutPart(const PartInput& part, ExportSummary* summary) {
  QuietKernelMessages();
  for (double e : part.block)
    if (!std::isfinite(e) || !(e > 0))
      throw ExportError("the part's block must have three positive extents, not " +
                        Num(part.block[0]) + " x " + Num(part.block[1]) + " x " +
                        Num(part.block[2]));

  std::vector<std::string> warnings;
  TopTools_ListOfShape tools;
  int holesCut = 0;
  for (size_t i = 0; i < part.holes.size(); ++i) {
    const auto made = MakeHoleTools(part.holes[i], static_cast<int>(i), warnings, &part.block);
    for (const auto& t : made) tools.Append(t);
    if (!made.empty()) ++holesCut;
  }

  try {
    TopoDS_Shape block =
        BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), part.block[0], part.block[1], part.block[2]).Shape();
    TopoDS_Shape result = block;
    if (!tools.IsEmpty()) {
      // All tools go in as separate arguments of one operation: the general fuse intersects them
      // with each other as well as with the block, so touching and overlapping holes come out
      // right without a cut per hole.
      TopTools_ListOfShape args;
      args.Append(block);
      BRepAlgoAPI_Cut cut;
      cut.SetArguments(args);
      cut.SetTools(tools);
      cut.SetRunParallel(Standard_True);
      cut.SetUseOBB(Standard_True);
      cut.Build();
      if (!cut.IsDone() || cut.HasErrors()) {
        std::ostringstream os;
        cut.DumpErrors(os);
        throw ExportError("cutting the holes out of the part failed: " + os.str());
      }
      result = cut.Shape();
    }

    int solids = 0;
    for (TopExp_Explorer ex(result, TopAbs_SOLID); ex.More(); ex.Next()) ++solids;
    if (solids == 0)
      throw ExportError("the holes remove the whole part: nothing is left to export");
    BRepCheck_Analyzer check(result);
    if (!check.IsValid())
      throw ExportError(
          "cutting the holes out of the part gave an invalid solid; nothing was "
          "written (" +
          std::to_string(holesCut) + " holes)");
    if (summary) {
      summary->holesCut = holesCut;
      summary->solids = solids;
      summary->warnings = std::move(warnings);
    }
    return result;
  } catch (const Standard_Failure& f) {
    throw ExportError("the geometry kernel failed while cutting the holes: " + KernelFailure(f));
  }
}

double SolidVolume(const TopoDS_Shape& shape) {
  GProp_GProps props;
  BRepGProp::VolumeProperties(shape, props, 1e-9, Standard_True);
  return props.Mass();
}

namespace {
// Cuts the part and fills in the volumes of the block and of the result.
TopoDS_Shape CutAndMeasure(const PartInput& part, ExportSummary& s) {
  const TopoDS_Shape shape = CutPart(part, &s);
  s.blockVolume = part.block[0] * part.block[1] * part.block[2];
  s.volume = SolidVolume(shape);
  return shape;
}
}  // namespace

ExportSummary Measure(const PartInput& part) {
  ExportSummary s;
  CutAndMeasure(part, s);
  return s;
}

ExportSummary ExportStep(const PartInput& part, const std::string& path) {
  TempFile tmp(path);
  ExportSummary s;
  const TopoDS_Shape shape = CutAndMeasure(part, s);
  CheckWritable(tmp.Name(), path);
  try {
    STEPControl_Writer writer;
    Interface_Static::SetCVal("write.step.unit", "MM");
    if (writer.Transfer(shape, STEPControl_AsIs) != IFSelect_RetDone)
      throw ExportError("cannot write \"" + path + "\": the STEP translator refused the solid");
    if (writer.Write(tmp.Name().c_str()) != IFSelect_RetDone)
      throw ExportError("cannot write \"" + path + "\": the STEP writer failed");
  } catch (const Standard_Failure& f) {
    throw ExportError("cannot write \"" + path + "\": " + KernelFailure(f));
  }
  tmp.Commit();
  return s;
}

ExportSummary ExportStl(const PartInput& part, const std::string& path, double linearDeflection) {
  if (!std::isfinite(linearDeflection) || !(linearDeflection > 0))
    throw ExportError("the STL mesh tolerance must be a positive number of millimetres");
  TempFile tmp(path);
  ExportSummary s;
  const TopoDS_Shape shape = CutAndMeasure(part, s);
  CheckWritable(tmp.Name(), path);
  try {
    BRepMesh_IncrementalMesh mesh(shape, linearDeflection, Standard_False, 0.25, Standard_True);
    if (!mesh.IsDone())
      throw ExportError("cannot write \"" + path + "\": meshing the solid failed");
    StlAPI_Writer writer;
    writer.ASCIIMode() = Standard_False;
    if (!writer.Write(shape, tmp.Name().c_str()))
      throw ExportError("cannot write \"" + path + "\": the STL writer failed");
  } catch (const Standard_Failure& f) {
    throw ExportError("cannot write \"" + path + "\": " + KernelFailure(f));
  }
  tmp.Commit();
  return s;
}

}  // namespace cavix::exporter
