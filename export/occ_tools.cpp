// The uncut part and the hole tools: profiles checked and cleaned, one revolved solid per distinct
// profile placed at every hole that has it, and the tool's mouth lifted clear of the face it opens
// on.

#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <algorithm>
#include <cmath>
#include <gp_Ax3.hxx>
#include <gp_Pln.hxx>
#include <gp_Trsf.hxx>
#include <sstream>

#include "export/occ_internal.h"
#include "scene/scene.h"

namespace cavix::exporter {
namespace detail {

std::string Num(double v) {
  std::ostringstream os;
  os.precision(12);
  os << v;
  return os.str();
}

std::string HoleLabel(const HoleSolidInput& hole, HoleIndex index) {
  std::string s = "hole " + std::to_string(At(index) + 1);
  if (!hole.name.empty()) s += " (\"" + hole.name + "\")";
  return s;
}

double PartBase::Size() const { return std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]); }

namespace {

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

// The profile revolved a full turn about Z, in the hole's own frame: a point (x, y) of the chain
// at (x, 0, -y), so that depth runs along +Z.
TopoDS_Shape RevolvePrototype(const std::vector<Pt>& pts, const std::string& where) {
  BRepBuilderAPI_MakePolygon poly;
  for (const Pt& p : pts) poly.Add(gp_Pnt(p[0], 0, -p[1]));
  poly.Close();
  if (!poly.IsDone()) throw ExportError(where + ": its profile does not make a wire");
  BRepBuilderAPI_MakeFace face(poly.Wire(), Standard_True);
  if (!face.IsDone()) throw ExportError(where + ": its profile does not make a face");
  BRepPrimAPI_MakeRevol revol(face.Face(), gp_Ax1(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1)), 2.0 * M_PI,
                              Standard_True);
  revol.Build();
  if (!revol.IsDone()) throw ExportError(where + ": revolving its profile about the axis failed");
  TopoDS_Shape solid = revol.Shape();
  // The face's winding decides which way the revolved solid faces; a tool turned inside out
  // would add to the part instead of removing from it.
  GProp_GProps props;
  BRepGProp::VolumeProperties(solid, props, Standard_True);
  if (props.Mass() < 0) solid.Reverse();
  return solid;
}

void ReadSolid(const std::string& brep, TopoDS_Shape& solid) {
  std::istringstream in(brep);
  TopoDS_Shape read;
  BRep_Builder builder;
  try {
    BRepTools::Read(read, in, builder);
  } catch (const Standard_Failure& f) {
    throw ExportError("the part's solid cannot be read from its BRep text (" + KernelFailure(f) +
                      ")");
  }
  if (read.IsNull()) throw ExportError("the part's solid cannot be read from its BRep text");
  TopTools_IndexedMapOfShape solids;
  TopExp::MapShapes(read, TopAbs_SOLID, solids);
  if (solids.IsEmpty()) throw ExportError("the part's BRep text holds no solid");
  if (solids.Extent() == 1) {
    solid = solids(1);
  } else {
    TopoDS_Compound all;
    builder.MakeCompound(all);
    for (int i = 1; i <= solids.Extent(); ++i) builder.Add(all, solids(i));
    solid = all;
  }
  if (!BRepCheck_Analyzer(solid).IsValid())
    throw ExportError("the part's solid is not a valid solid: nothing was cut from it");
  GProp_GProps props;
  BRepGProp::VolumeProperties(solid, props, Standard_True);
  if (props.Mass() < 0) solid.Reverse();
}

}  // namespace

PartBase MakePartBase(const PartInput& part) {
  PartBase base;
  if (part.solidBrep.empty()) {
    if (const std::string problem = scene::BlockExtentsProblem(
            {part.block[0], part.block[1], part.block[2]}, scene::Units::Millimetre);
        !problem.empty())
      throw ExportError("the part's block is " + Num(part.block[0]) + " x " + Num(part.block[1]) +
                        " x " + Num(part.block[2]) + " mm: " + problem);
    base.solid =
        BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), part.block[0], part.block[1], part.block[2]).Shape();
    base.isBox = true;
    base.hi = part.block;
    return base;
  }

  ReadSolid(part.solidBrep, base.solid);
  // The exact extents from the vertices; a solid with six planar faces that fills them is a box.
  TopTools_IndexedMapOfShape vertices, faces;
  TopExp::MapShapes(base.solid, TopAbs_VERTEX, vertices);
  TopExp::MapShapes(base.solid, TopAbs_FACE, faces);
  base.lo = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
  base.hi = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  for (int i = 1; i <= vertices.Extent(); ++i) {
    const gp_Pnt p = BRep_Tool::Pnt(TopoDS::Vertex(vertices(i)));
    for (int k = 0; k < 3; ++k) {
      base.lo[k] = std::min(base.lo[k], p.Coord(k + 1));
      base.hi[k] = std::max(base.hi[k], p.Coord(k + 1));
    }
  }
  bool planar = true;
  for (int i = 1; i <= faces.Extent(); ++i) {
    const TopoDS_Face& f = TopoDS::Face(faces(i));
    if (BRepAdaptor_Surface(f, Standard_False).GetType() != GeomAbs_Plane) {
      planar = false;
      continue;
    }
    Bnd_Box box;
    BRepBndLib::AddOptimal(f, box, Standard_False, Standard_False);
    base.planarFaces.push_back(f);
    base.planarFaceBoxes.push_back(box);
  }
  // Curved faces may bulge past their vertices.
  Bnd_Box all;
  BRepBndLib::AddOptimal(base.solid, all, Standard_False, Standard_False);
  double x0, y0, z0, x1, y1, z1;
  all.Get(x0, y0, z0, x1, y1, z1);
  base.lo = {std::min(base.lo[0], x0), std::min(base.lo[1], y0), std::min(base.lo[2], z0)};
  base.hi = {std::max(base.hi[0], x1), std::max(base.hi[1], y1), std::max(base.hi[2], z1)};

  if (planar && faces.Extent() == 6) {
    GProp_GProps props;
    BRepGProp::VolumeProperties(base.solid, props, Standard_True);
    const double boxVolume =
        (base.hi[0] - base.lo[0]) * (base.hi[1] - base.lo[1]) * (base.hi[2] - base.lo[2]);
    base.isBox = std::fabs(props.Mass() - boxVolume) <= 1e-9 * boxVolume;
  }
  return base;
}

double ToolMaker::Lift(const std::array<double, 3>& p, const std::array<double, 3>& n,
                       double topRadius) const {
  const double tol = 1e-9 * std::max(1.0, base_.Size()) + 1e-9;
  // The cosine between the axis and the inward normal of the face the hole opens on; 0 when the
  // position lies on no face that the axis enters.
  double cosine = 0;
  if (base_.isBox) {
    for (int k = 0; k < 3; ++k)
      for (int side = 0; side < 2; ++side) {
        const double plane = side ? base_.hi[k] : base_.lo[k];
        if (std::fabs(p[k] - plane) > tol) continue;
        bool inside = true;
        for (int o = 0; o < 3; ++o)
          if (o != k && (p[o] < base_.lo[o] - tol || p[o] > base_.hi[o] + tol)) inside = false;
        // Outward normal: -e_k on the low side, +e_k on the high side.
        if (inside) cosine = std::max(cosine, side ? -n[k] : n[k]);
      }
  } else {
    const gp_Pnt at(p[0], p[1], p[2]);
    for (size_t i = 0; i < base_.planarFaces.size(); ++i) {
      if (base_.planarFaceBoxes[i].IsOut(at)) continue;
      const TopoDS_Face& face = base_.planarFaces[i];
      const gp_Pln plane = BRepAdaptor_Surface(face, Standard_False).Plane();
      const double faceTol = std::max(tol, BRep_Tool::Tolerance(face));
      if (plane.Distance(at) > faceTol) continue;
      BRepClass_FaceClassifier where(face, at, faceTol);
      if (where.State() != TopAbs_IN && where.State() != TopAbs_ON) continue;
      gp_Dir out = plane.Axis().Direction();
      if (face.Orientation() == TopAbs_REVERSED) out.Reverse();
      cosine = std::max(cosine, -(out.X() * n[0] + out.Y() * n[1] + out.Z() * n[2]));
    }
  }
  if (cosine <= 1e-9) return 0;
  // The mouth's rim, a circle square to the axis, dips below an oblique face by r sin(a); lifting
  // the mouth by (r sin(a) + margin) / cos(a) along the axis takes all of it clear. Square to
  // the face that is just the margin, which also keeps the boolean from meeting the face in its
  // own plane.
  const double c = std::max(cosine, 0.05);
  const double margin = std::max(0.5, 0.1 * topRadius);
  return (topRadius * std::sqrt(std::max(0.0, 1 - c * c)) + margin) / c;
}

HoleReach PreparedHole::Reach() const {
  return ReachOf({lo, hi}, origin, axis, vertices, largestRadius);
}

TopoDS_Shape Realized(const TopoDS_Shape& tool) {
  if (tool.Location().IsIdentity()) return tool;
  return BRepBuilderAPI_Transform(tool.Located(TopLoc_Location()), tool.Location().Transformation(),
                                  Standard_True)
      .Shape();
}

PreparedHole ToolMaker::Prepare(const HoleSolidInput& hole, HoleIndex index,
                                std::vector<std::string>& warnings) {
  const std::string where = HoleLabel(hole, index);
  for (double v : hole.position)
    if (!std::isfinite(v)) throw ExportError(where + ": its position is not a finite number");
  for (double v : hole.normal)
    if (!std::isfinite(v)) throw ExportError(where + ": its axis is not a finite number");
  const double len = std::hypot(hole.normal[0], hole.normal[1], hole.normal[2]);
  if (!(len > 1e-12)) throw ExportError(where + ": its axis direction is the zero vector");

  PreparedHole out;
  out.index = index;
  out.origin = hole.position;
  out.axis = {hole.normal[0] / len, hole.normal[1] / len, hole.normal[2] / len};
  const gp_Dir n(out.axis[0], out.axis[1], out.axis[2]);
  // Any direction at right angles to the axis will do: the profile is revolved a full turn.
  const gp_Dir helper = std::fabs(n.Z()) < 0.9 ? gp_Dir(0, 0, 1) : gp_Dir(1, 0, 0);
  const gp_Dir u = n.Crossed(helper);
  gp_Trsf place;
  place.SetDisplacement(gp_Ax3(),
                        gp_Ax3(gp_Pnt(hole.position[0], hole.position[1], hole.position[2]), n, u));

  if (hole.chains.empty())
    warnings.push_back(where + (hole.problem.empty() ? ": skipped, it has no profile yet"
                                                     : ": not cut, it is not a hole: " + hole.problem));
  double top = HUGE_VAL, bottom = -HUGE_VAL;
  for (size_t c = 0; c < hole.chains.size(); ++c) {
    const std::string chainWhere =
        hole.chains.size() > 1 ? where + ", chain " + std::to_string(c + 1) : where;
    std::vector<Pt> pts = CleanChain(hole.chains[c], chainWhere, warnings);
    if (pts.empty()) continue;
    if (pts[0][0] == 0 && pts[0][1] == 0 && std::fabs(pts[1][1]) <= 1e-9 && pts[1][0] > 0) {
      // The mouth starts outside the face it opens on: the same material goes, the boolean meets
      // the face across instead of in its plane, and an oblique hole leaves no wedge at its rim.
      const double lift = Lift(hole.position, out.axis, pts[1][0]);
      if (lift > 0) {
        pts[0] = {0, lift};
        pts.insert(pts.begin() + 1, Pt{pts[1][0], lift});
      }
    }
    std::vector<double> key;
    for (const Pt& p : pts) {
      key.push_back(p[0]);
      key.push_back(p[1]);
      out.vertices.push_back({p[0], -p[1]});
      top = std::min(top, -p[1]);
      bottom = std::max(bottom, -p[1]);
      out.largestRadius = std::max(out.largestRadius, p[0]);
      if (p[0] > 1e-9 && (out.smallestRadius == 0 || p[0] < out.smallestRadius))
        out.smallestRadius = p[0];
    }
    try {
      TopoDS_Shape prototype;
      {
        const std::lock_guard<std::mutex> hold(prototypesLock_);
        auto [it, fresh] = prototypes_.try_emplace(std::move(key));
        if (fresh) {
          try {
            it->second = RevolvePrototype(pts, chainWhere);
          } catch (...) {
            prototypes_.erase(it);
            throw;
          }
        }
        prototype = it->second;
      }
      // A copy with its own transformed geometry, or the prototype placed, to copy if cut.
      out.tools.push_back(placed_ ? prototype.Moved(TopLoc_Location(place))
                                  : BRepBuilderAPI_Transform(prototype, place, Standard_True).Shape());
    } catch (const Standard_Failure& f) {
      throw ExportError(chainWhere + ": the geometry kernel failed to build its solid (" +
                        KernelFailure(f) + ")");
    }
  }
  if (!out.tools.empty()) {
    // The tools lie within a cylinder of the largest radius about the axis, from the highest to
    // the lowest profile point.
    for (int k = 0; k < 3; ++k) {
      const double a = hole.position[k] + top * out.axis[k];
      const double b = hole.position[k] + bottom * out.axis[k];
      const double spread =
          out.largestRadius * std::sqrt(std::max(0.0, 1 - out.axis[k] * out.axis[k]));
      const double pad = 1e-7 * (1 + std::fabs(a) + std::fabs(b) + out.largestRadius);
      out.lo[k] = std::min(a, b) - spread - pad;
      out.hi[k] = std::max(a, b) + spread + pad;
    }
  }
  return out;
}

}  // namespace detail

std::vector<TopoDS_Shape> MakeHoleTools(const HoleSolidInput& hole, HoleIndex index,
                                        std::vector<std::string>& warnings) {
  QuietKernelMessages();
  detail::PartBase none;  // no part: the tools are the exact revolved profiles
  none.lo = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
  none.hi = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  detail::ToolMaker maker(none);
  return maker.Prepare(hole, index, warnings).tools;
}

}  // namespace cavix::exporter
