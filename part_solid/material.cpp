// Lines through a solid, on Open CASCADE: the faces a line crosses, and which stretches between
// them lie in the material.
#include "part_solid/material.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepLProp_SLProps.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <IntCurvesFace_ShapeIntersector.hxx>
#include <Standard_Failure.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "export/occ_kernel.h"
#include "part_solid/part_solid.h"
#include "runtime/error.h"
#include "runtime/fp.h"

namespace cavix::partsolid {

namespace {

// Crossings closer than this along the line are one (a line through an edge meets both faces).
constexpr double kSameCrossingMm = 1e-6;

struct Crossing {
  double w = 0;  // along the line, from the position
  TopoDS_Face face;
  double u = 0, v = 0;
};

// The cosine between the line and the outward normal of `c`'s face where the line crosses it.
double CosOutward(const Crossing& c, const gp_Dir& dir, bool& planar) {
  BRepAdaptor_Surface surface(c.face);
  planar = surface.GetType() == GeomAbs_Plane;
  BRepLProp_SLProps props(surface, c.u, c.v, 1, 1e-9);
  if (!props.IsNormalDefined()) return 0;
  gp_Dir n = props.Normal();
  if (c.face.Orientation() == TopAbs_REVERSED) n.Reverse();
  return n.Dot(dir);
}

// The crossings of the line with the faces of `solid`, in order, one per place.
std::vector<Crossing> Crossings(const TopoDS_Shape& solid, const gp_Lin& line, double reach) {
  IntCurvesFace_ShapeIntersector inter;
  inter.Load(solid, Precision::Confusion());
  inter.Perform(line, -reach, reach);
  std::vector<Crossing> all;
  if (!inter.IsDone()) return all;
  for (int i = 1; i <= inter.NbPnt(); ++i)
    all.push_back({inter.WParameter(i), inter.Face(i), inter.UParameter(i), inter.VParameter(i)});
  std::sort(all.begin(), all.end(), [](const Crossing& a, const Crossing& b) { return a.w < b.w; });
  std::vector<Crossing> distinct;
  for (const Crossing& c : all)
    if (distinct.empty() || c.w - distinct.back().w > kSameCrossingMm) distinct.push_back(c);
  return distinct;
}

// The distance from `at` to the nearest of the `kind` sub-shapes of `shape`: against faces, not
// the solid (a point inside a solid is at distance 0 from it), or against a face's edges.
double DistanceTo(const TopoDS_Shape& shape, TopAbs_ShapeEnum kind, const gp_Pnt& at) {
  TopoDS_Compound all;
  BRep_Builder builder;
  builder.MakeCompound(all);
  for (TopExp_Explorer ex(shape, kind); ex.More(); ex.Next()) builder.Add(all, ex.Current());
  BRepExtrema_DistShapeShape dist(BRepBuilderAPI_MakeVertex(at).Vertex(), all);
  return dist.IsDone() ? dist.Value() : 0;
}

}  // namespace

host::AxisMaterial MaterialAlong(const TopoDS_Shape& solid, const std::array<double, 3>& at,
                                 const std::array<double, 3>& axis) {
  host::AxisMaterial out;
  const double length = std::hypot(axis[0], axis[1], axis[2]);
  if (!(length > 0) || !std::isfinite(length)) {
    out.failure = "the hole's axis has no direction";
    return out;
  }
  if (!std::isfinite(at[0]) || !std::isfinite(at[1]) || !std::isfinite(at[2])) {
    out.failure = "the hole's position is not a number";
    return out;
  }
  exporter::QuietKernelMessages();
  try {
    const gp_Pnt p(at[0], at[1], at[2]);
    const gp_Dir dir(axis[0] / length, axis[1] / length, axis[2] / length);
    Bnd_Box box;
    BRepBndLib::Add(solid, box);
    if (box.IsVoid()) {
      out.failure = "the part's solid has no extent";
      return out;
    }
    // Far enough both ways to leave the part's box from anywhere the position is.
    const double reach = std::sqrt(box.SquareExtent()) + box.Distance(Bnd_Box(p, p)) + 1;
    const std::vector<Crossing> crossings = Crossings(solid, gp_Lin(p, dir), reach);

    // Between two crossings the line is wholly in or out: the middle decides.
    std::vector<std::pair<size_t, size_t>> runs;  // indexes of the crossings bounding each run
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      const double mid = (crossings[i].w + crossings[i + 1].w) / 2;
      BRepClass3d_SolidClassifier inside(solid, p.Translated(gp_Vec(dir) * mid),
                                         Precision::Confusion());
      if (inside.State() != TopAbs_IN) continue;
      if (!runs.empty() && runs.back().second == i) runs.back().second = i + 1;  // through an edge
      else runs.push_back({i, i + 1});
    }
    for (const auto& r : runs)
      out.spans.push_back({crossings[r.first].w, crossings[r.second].w});

    if (const host::MaterialSpan* ahead = out.Ahead(kSameCrossingMm)) {
      const Crossing& entry = crossings[runs[static_cast<size_t>(ahead - out.spans.data())].first];
      out.entryCos = -CosOutward(entry, dir, out.entryPlanar);
      out.entryEdgeDistance =
          DistanceTo(entry.face, TopAbs_EDGE, p.Translated(gp_Vec(dir) * entry.w));
      out.exitCos = CosOutward(crossings[runs.back().second], dir, out.exitPlanar);
    }
    out.surfaceDistance = DistanceTo(solid, TopAbs_FACE, p);
  } catch (const Standard_Failure& f) {
    out = {};
    out.failure = "the kernel could not measure the part along the hole (" +
                  exporter::KernelFailure(f) + ")";
  }
  return out;
}

void InstallMaterialProbe(scene::Scene& model) {
  struct Made {
    exporter::PartInput part;  // what the solid was made from
    TopoDS_Shape solid;
    std::string failure;
  };
  auto made = std::make_shared<Made>();
  model.App().SetMaterialProbe([made](const scene::Part& part, const scene::Vec3& at,
                                      const scene::Vec3& axis) {
    const double mm =
        part.OwnerPage().LengthUnits() == scene::Units::Inch ? rt::kMmPerInch : 1.0;
    exporter::PartInput input;
    const std::vector<scene::Shape*> shapes = part.ShapeItems();
    const scene::Component* size =
        shapes.empty() ? nullptr : shapes[0]->Store().First(host::comp::kShapeSize);
    host::AxisMaterial out;
    if (!size) {
      out.failure = "the part has no first shape with a size to measure";
      return out;
    }
    try {
      for (int i = 0; i < 3; ++i)
        input.block[static_cast<size_t>(i)] = rt::CDbl(size->Value(i + 1)) * mm;
    } catch (const rt::Error& e) {
      out.failure = "the part's size: " + e.Description();
      return out;
    }
    // The part's solid text is copied only when it changed: every hole is measured against it.
    const std::string& brep = shapes[0]->Solid();
    if (made->solid.IsNull() || input.block != made->part.block || brep != made->part.solidBrep) {
      input.solidBrep = brep;
      made->part = std::move(input);
      made->solid.Nullify();
      made->failure.clear();
      try {
        made->solid = BaseSolid(made->part);
      } catch (const rt::Error& e) {
        made->failure = e.Description();
      }
    }
    if (made->solid.IsNull()) {
      out.failure = made->failure;
      return out;
    }
    out = MaterialAlong(made->solid, {at.x * mm, at.y * mm, at.z * mm}, {axis.x, axis.y, axis.z});
    for (host::MaterialSpan& s : out.spans) s = {s.enter / mm, s.exit / mm};
    out.surfaceDistance /= mm;
    out.entryEdgeDistance /= mm;
    return out;
  });
}

}  // namespace cavix::partsolid
