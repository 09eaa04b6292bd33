// STEP text of a solid, written straight from its faces, edges and vertices. The kernel's
// translator first builds a model of every STEP entity as an object (a dozen allocations per
// entity, a graph of them all) and only then formats it, on one thread: at a few thousand holes
// that is most of an export's time and memory. A solid's STEP text depends on nothing but its
// topology and geometry, so here each entity's number is worked out first and the text is
// formatted in parts on every worker, then joined in order: the same bytes for any number of
// workers.
//
// What is written is what the translator writes (AP214, millimetres, the same product structure
// and face, loop and edge orientations) without the curves on the surfaces (p-curves), as most
// CAD systems write STEP: readers work them out, on the planes, cylinders, cones, spheres, tori
// and swept profiles of holes and blocks to the volume's last digits (the kernel's own reader, and
// FreeCAD's). A solid with a face on a free-form surface (where a reader could only approximate
// them), several shells, an offset curve or anything else written here in no way is left to the
// translator, p-curves and all.

#include <BRepTools_WireExplorer.hxx>
#include <BRep_Tool.hxx>
#include <GeomConvert.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_BezierCurve.hxx>
#include <Geom_Circle.hxx>
#include <Geom_ConicalSurface.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_Ellipse.hxx>
#include <Geom_Hyperbola.hxx>
#include <Geom_Parabola.hxx>
#include <Geom_Line.hxx>
#include <Geom_Plane.hxx>
#include <Geom_RectangularTrimmedSurface.hxx>
#include <Geom_SphericalSurface.hxx>
#include <Geom_SurfaceOfRevolution.hxx>
#include <Geom_ToroidalSurface.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Wire.hxx>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "export/occ_internal.h"
#include "runtime/workers.h"

namespace cavix::exporter::detail {
namespace {

enum class CurveKind { kLine, kCircle, kEllipse, kHyperbola, kParabola, kBSpline };
enum class SurfaceKind { kPlane, kCylinder, kCone, kSphere, kTorus, kRevolution };

// A curve STEP names: a line, a conic, or a (not periodic) B-spline, in the part's coordinates.
struct CurvePlan {
  CurveKind kind{};
  Handle(Geom_Curve) curve;
  int Entities() const;
};

struct EdgePlan {
  CurvePlan geometry;
  int first = 0, last = 0;  // vertex numbers, from 0: where the curve's parameter starts and ends
  long long id = 0;         // of the first of its entities; the EDGE_CURVE is the last
  int Entities() const { return geometry.Entities() + 1; }
  bool Written() const { return !geometry.curve.IsNull(); }
};
struct LoopPlan {
  std::vector<std::pair<int, bool>> edges;  // edge number, and whether it is used along its curve
  bool forward = true;                      // the FACE_BOUND's orientation
};

struct FacePlan {
  SurfaceKind kind{};
  Handle(Geom_Surface) surface;
  CurvePlan profile;  // of a surface of revolution
  bool sameSense = true;
  std::vector<LoopPlan> loops;
  long long id = 0;  // of the first of its entities; the ADVANCED_FACE is the last
  int Entities() const;
};

int PoleCount(const Handle(Geom_Curve)& c) {
  return Handle(Geom_BSplineCurve)::DownCast(c)->NbPoles();
}

int CurvePlan::Entities() const {
  switch (kind) {
    case CurveKind::kLine: return 4;  // point, direction, vector, line
    case CurveKind::kCircle:
    case CurveKind::kEllipse:
    case CurveKind::kHyperbola:
    case CurveKind::kParabola: return 5;  // point, two directions, placement, conic
    case CurveKind::kBSpline: return PoleCount(curve) + 1;
  }
  return 0;
}

int FacePlan::Entities() const {
  int n = 1;  // the face
  if (kind == SurfaceKind::kRevolution) {
    n += profile.Entities() + 4;  // the profile, point, direction, axis, surface
  } else {
    n += 5;  // point, two directions, placement, surface
  }
  for (const LoopPlan& l : loops) n += static_cast<int>(l.edges.size()) + 2;
  return n;
}

// A curve as STEP can say it, or false.
bool PlanCurve(Handle(Geom_Curve) c, CurvePlan& plan) {
  if (c.IsNull()) return false;
  while (auto t = Handle(Geom_TrimmedCurve)::DownCast(c)) c = t->BasisCurve();
  if (auto bz = Handle(Geom_BezierCurve)::DownCast(c)) c = GeomConvert::CurveToBSplineCurve(bz);
  if (c->IsKind(STANDARD_TYPE(Geom_Line))) {
    plan.kind = CurveKind::kLine;
  } else if (c->IsKind(STANDARD_TYPE(Geom_Circle))) {
    plan.kind = CurveKind::kCircle;
  } else if (c->IsKind(STANDARD_TYPE(Geom_Ellipse))) {
    plan.kind = CurveKind::kEllipse;
  } else if (c->IsKind(STANDARD_TYPE(Geom_Hyperbola))) {
    plan.kind = CurveKind::kHyperbola;  // a plane along a cone's axis
  } else if (c->IsKind(STANDARD_TYPE(Geom_Parabola))) {
    plan.kind = CurveKind::kParabola;
  } else if (auto b = Handle(Geom_BSplineCurve)::DownCast(c)) {
    // The curves of intersection booleans make; rational ones (conics converted) come only with
    // imported parts, which the translator writes.
    if (b->IsRational()) return false;
    if (b->IsPeriodic()) {
      b = Handle(Geom_BSplineCurve)::DownCast(b->Copy());
      b->SetNotPeriodic();
    }
    c = b;
    plan.kind = CurveKind::kBSpline;
  } else {
    return false;
  }
  plan.curve = c;
  return true;
}

// The face's surface as STEP can say it, and whether STEP's sense of it is the kernel's: STEP's
// placements are right-handed, so a kernel surface on a left-handed one has the opposite normal
// when written (but a plane, written with its normal as the axis).
bool PlanSurface(const TopoDS_Face& face, FacePlan& plan, bool& flipped) {
  Handle(Geom_Surface) s = BRep_Tool::Surface(face);
  if (s.IsNull()) return false;
  while (auto t = Handle(Geom_RectangularTrimmedSurface)::DownCast(s)) s = t->BasisSurface();
  flipped = false;
  if (s->IsKind(STANDARD_TYPE(Geom_Plane))) {
    plan.kind = SurfaceKind::kPlane;
  } else if (auto e = Handle(Geom_ElementarySurface)::DownCast(s)) {
    flipped = !e->Position().Direct();
    if (s->IsKind(STANDARD_TYPE(Geom_CylindricalSurface))) {
      plan.kind = SurfaceKind::kCylinder;
    } else if (s->IsKind(STANDARD_TYPE(Geom_ConicalSurface))) {
      plan.kind = SurfaceKind::kCone;
    } else if (s->IsKind(STANDARD_TYPE(Geom_SphericalSurface))) {
      plan.kind = SurfaceKind::kSphere;
    } else if (auto t = Handle(Geom_ToroidalSurface)::DownCast(s)) {
      if (!(t->MajorRadius() > t->MinorRadius())) return false;  // not a STEP torus
      plan.kind = SurfaceKind::kTorus;
    } else {
      return false;
    }
  } else if (auto r = Handle(Geom_SurfaceOfRevolution)::DownCast(s)) {
    // A profile swept about an axis, as STEP sweeps it: the same parameters, the same normal.
    if (!PlanCurve(r->BasisCurve(), plan.profile)) return false;
    plan.kind = SurfaceKind::kRevolution;
  } else {
    return false;
  }
  plan.surface = s;
  return true;
}

// The face's loops as the translator writes them: each wire's edges in order along it (edges
// that shrink to a point left out), the wire's sense in the bound, turned for a reversed face,
// whose loops STEP does not turn implicitly as the kernel does.
bool PlanFace(const TopoDS_Face& face, const TopTools_IndexedMapOfShape& edges, FacePlan& plan) {
  if (face.Orientation() != TopAbs_FORWARD && face.Orientation() != TopAbs_REVERSED) return false;
  bool flipped = false;
  if (!PlanSurface(face, plan, flipped)) return false;
  const bool reversed = face.Orientation() == TopAbs_REVERSED;
  plan.sameSense = !reversed != flipped;
  const TopoDS_Face forward = TopoDS::Face(face.Oriented(TopAbs_FORWARD));
  for (TopoDS_Iterator w(forward); w.More(); w.Next()) {
    if (w.Value().ShapeType() != TopAbs_WIRE) return false;
    const TopAbs_Orientation o = w.Value().Orientation();
    if (o != TopAbs_FORWARD && o != TopAbs_REVERSED) return false;
    const TopoDS_Wire wire = TopoDS::Wire(w.Value().Oriented(TopAbs_FORWARD));
    LoopPlan loop;
    loop.forward = (o == TopAbs_FORWARD) != reversed;
    int all = 0, walked = 0;
    for (TopoDS_Iterator e(wire); e.More(); e.Next()) ++all;
    for (BRepTools_WireExplorer e(wire, forward); e.More(); e.Next()) {
      ++walked;
      const TopoDS_Edge& edge = e.Current();
      if (BRep_Tool::Degenerated(edge)) continue;
      if (edge.Orientation() != TopAbs_FORWARD && edge.Orientation() != TopAbs_REVERSED)
        return false;
      const int index = edges.FindIndex(edge);
      if (index == 0) return false;
      loop.edges.emplace_back(index - 1, edge.Orientation() == TopAbs_FORWARD);
    }
    // A wire the explorer cannot walk whole (not closed in the face), or a loop of one point.
    if (walked != all || loop.edges.empty()) return false;
    plan.loops.push_back(std::move(loop));
  }
  return !plan.loops.empty();
}

// STEP text: entity numbers and the reals and lists of Part 21.
class Out {
 public:
  explicit Out(std::string& text) : s_(text) {}
  bool finite = true;

  Out& operator<<(const char* t) {
    s_ += t;
    return *this;
  }
  Out& Id(long long id) {
    s_ += '#';
    Int(id);
    return *this;
  }
  Out& Int(long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    s_.append(buf, r.ptr);
    return *this;
  }
  // The shortest text that reads back as the same double, with the point Part 21 requires.
  Out& Real(double v) {
    if (!std::isfinite(v)) {
      finite = false;
      v = 0;
    }
    if (v == 0) v = 0;  // no "-0."
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    const char* end = r.ptr;
    const char* e = std::find(static_cast<const char*>(buf), end, 'e');
    const bool point = std::find(static_cast<const char*>(buf), e, '.') != e;
    s_.append(static_cast<const char*>(buf), e);
    if (!point) s_ += '.';
    if (e != end) {
      s_ += 'E';
      s_.append(e + 1, end);
    }
    return *this;
  }
  Out& Xyz(const gp_XYZ& p) {
    s_ += '(';
    Real(p.X()) << ",";
    Real(p.Y()) << ",";
    Real(p.Z()) << ")";
    return *this;
  }
  Out& Bool(bool b) { return *this << (b ? ".T." : ".F."); }
  // "#id = " at the start of an entity's line.
  Out& Begin(long long id) {
    Id(id);
    return *this << " = ";
  }

 private:
  std::string& s_;
};

// id: point, id+1: axis, id+2: reference direction, id+3: AXIS2_PLACEMENT_3D.
void Placement(Out& o, long long id, const gp_Pnt& at, const gp_Dir& axis, const gp_Dir& ref) {
  o.Begin(id) << "CARTESIAN_POINT('',";
  o.Xyz(at.XYZ()) << ");\n";
  o.Begin(id + 1) << "DIRECTION('',";
  o.Xyz(axis.XYZ()) << ");\n";
  o.Begin(id + 2) << "DIRECTION('',";
  o.Xyz(ref.XYZ()) << ");\n";
  o.Begin(id + 3) << "AXIS2_PLACEMENT_3D('',";
  o.Id(id) << ",";
  o.Id(id + 1) << ",";
  o.Id(id + 2) << ");\n";
}

template <class Array, class F>
void List(Out& o, const Array& a, F each) {
  o << "(";
  for (int i = a.Lower(); i <= a.Upper(); ++i) {
    if (i > a.Lower()) o << ",";
    each(a.Value(i));
  }
  o << ")";
}

void Knots(Out& o, const TColStd_Array1OfInteger& mults, const TColStd_Array1OfReal& knots) {
  List(o, mults, [&](int m) { o.Int(m); });
  o << ",";
  List(o, knots, [&](double k) { o.Real(k); });
}

// The entities come in this order: the product and its shape (#1 to #16, the shell), a point and
// a VERTEX_POINT for each vertex, each edge's curve and EDGE_CURVE, each face's surface, bounds
// and ADVANCED_FACE, then the context.
constexpr long long kFirstVertex = 17;
// The number of vertex v's point (from 0); its VERTEX_POINT is the next.
long long VertexId(int v) { return kFirstVertex + 2LL * v; }

void WriteVertex(Out& o, long long id, const gp_Pnt& p) {
  o.Begin(id) << "CARTESIAN_POINT('',";
  o.Xyz(p.XYZ()) << ");\n";
  o.Begin(id + 1) << "VERTEX_POINT('',";
  o.Id(id) << ");\n";
}

// Writes the curve from entity `id` on; returns the curve entity's number (the last).
long long WriteCurve(Out& o, const CurvePlan& e, long long id) {
  long long curve = 0;
  switch (e.kind) {
    case CurveKind::kLine: {
      const gp_Ax1 a = Handle(Geom_Line)::DownCast(e.curve)->Position();
      o.Begin(id) << "CARTESIAN_POINT('',";
      o.Xyz(a.Location().XYZ()) << ");\n";
      o.Begin(id + 1) << "DIRECTION('',";
      o.Xyz(a.Direction().XYZ()) << ");\n";
      o.Begin(id + 2) << "VECTOR('',";
      o.Id(id + 1) << ",1.);\n";
      o.Begin(id + 3) << "LINE('',";
      o.Id(id) << ",";
      o.Id(id + 2) << ");\n";
      curve = id + 3;
      break;
    }
    case CurveKind::kCircle:
    case CurveKind::kEllipse:
    case CurveKind::kHyperbola:
    case CurveKind::kParabola: {
      const auto conic = Handle(Geom_Conic)::DownCast(e.curve);
      const gp_Ax2 a = conic->Position();
      Placement(o, id, a.Location(), a.Direction(), a.XDirection());
      if (e.kind == CurveKind::kCircle) {
        o.Begin(id + 4) << "CIRCLE('',";
        o.Id(id + 3) << ",";
        o.Real(Handle(Geom_Circle)::DownCast(conic)->Radius()) << ");\n";
      } else if (e.kind == CurveKind::kEllipse) {
        const auto el = Handle(Geom_Ellipse)::DownCast(conic);
        o.Begin(id + 4) << "ELLIPSE('',";
        o.Id(id + 3) << ",";
        o.Real(el->MajorRadius()) << ",";
        o.Real(el->MinorRadius()) << ");\n";
      } else if (e.kind == CurveKind::kHyperbola) {
        const auto h = Handle(Geom_Hyperbola)::DownCast(conic);
        o.Begin(id + 4) << "HYPERBOLA('',";
        o.Id(id + 3) << ",";
        o.Real(h->MajorRadius()) << ",";
        o.Real(h->MinorRadius()) << ");\n";
      } else {
        o.Begin(id + 4) << "PARABOLA('',";
        o.Id(id + 3) << ",";
        o.Real(Handle(Geom_Parabola)::DownCast(conic)->Focal()) << ");\n";
      }
      curve = id + 4;
      break;
    }
    case CurveKind::kBSpline: {
      const auto b = Handle(Geom_BSplineCurve)::DownCast(e.curve);
      const int n = b->NbPoles();
      for (int i = 1; i <= n; ++i) {
        o.Begin(id + i - 1) << "CARTESIAN_POINT('',";
        o.Xyz(b->Pole(i).XYZ()) << ");\n";
      }
      curve = id + n;
      o.Begin(curve) << "B_SPLINE_CURVE_WITH_KNOTS('',";
      o.Int(b->Degree()) << ",(";
      for (int i = 0; i < n; ++i) {
        if (i) o << ",";
        o.Id(id + i);
      }
      o << "),.UNSPECIFIED.,.F.,.F.,";
      Knots(o, b->Multiplicities(), b->Knots());
      o << ",.UNSPECIFIED.);\n";
      break;
    }
  }
  return curve;
}

void WriteEdge(Out& o, const EdgePlan& e) {
  const long long curve = WriteCurve(o, e.geometry, e.id);
  o.Begin(curve + 1) << "EDGE_CURVE('',";
  o.Id(VertexId(e.first) + 1) << ",";
  o.Id(VertexId(e.last) + 1) << ",";
  o.Id(curve) << ",.T.);\n";
}

void WriteFace(Out& o, const FacePlan& f, const std::vector<EdgePlan>& edges) {
  long long id = f.id;
  long long surface = 0;
  if (f.kind == SurfaceKind::kRevolution) {
    const auto r = Handle(Geom_SurfaceOfRevolution)::DownCast(f.surface);
    const long long profile = WriteCurve(o, f.profile, id);
    id += f.profile.Entities();
    const gp_Ax1 axis = r->Axis();
    o.Begin(id) << "CARTESIAN_POINT('',";
    o.Xyz(axis.Location().XYZ()) << ");\n";
    o.Begin(id + 1) << "DIRECTION('',";
    o.Xyz(axis.Direction().XYZ()) << ");\n";
    o.Begin(id + 2) << "AXIS1_PLACEMENT('',";
    o.Id(id) << ",";
    o.Id(id + 1) << ");\n";
    surface = id + 3;
    o.Begin(surface) << "SURFACE_OF_REVOLUTION('',";
    o.Id(profile) << ",";
    o.Id(id + 2) << ");\n";
    id += 4;
  } else {
    const auto e = Handle(Geom_ElementarySurface)::DownCast(f.surface);
    const gp_Ax3 a = e->Position();
    // STEP's placements are right-handed: a left-handed one is written with its axis turned,
    // which describes the same points (and, for a plane, the same normal). STEP's cone widens
    // along its axis whatever the hand: a cone narrowing along the kernel's is written with the
    // axis turned and the angle's size.
    const double semiAngle =
        f.kind == SurfaceKind::kCone ? Handle(Geom_ConicalSurface)::DownCast(e)->SemiAngle() : 0;
    const bool turned = f.kind == SurfaceKind::kCone ? semiAngle < 0 : !a.Direct();
    Placement(o, id, a.Location(), turned ? a.Direction().Reversed() : a.Direction(),
              a.XDirection());
    surface = id + 4;
    o.Begin(surface);
    switch (f.kind) {
      case SurfaceKind::kPlane:
        o << "PLANE('',";
        o.Id(id + 3) << ");\n";
        break;
      case SurfaceKind::kCylinder:
        o << "CYLINDRICAL_SURFACE('',";
        o.Id(id + 3) << ",";
        o.Real(Handle(Geom_CylindricalSurface)::DownCast(e)->Radius()) << ");\n";
        break;
      case SurfaceKind::kCone:
        o << "CONICAL_SURFACE('',";
        o.Id(id + 3) << ",";
        o.Real(Handle(Geom_ConicalSurface)::DownCast(e)->RefRadius()) << ",";
        o.Real(std::fabs(semiAngle)) << ");\n";
        break;
      case SurfaceKind::kSphere:
        o << "SPHERICAL_SURFACE('',";
        o.Id(id + 3) << ",";
        o.Real(Handle(Geom_SphericalSurface)::DownCast(e)->Radius()) << ");\n";
        break;
      case SurfaceKind::kTorus: {
        const auto t = Handle(Geom_ToroidalSurface)::DownCast(e);
        o << "TOROIDAL_SURFACE('',";
        o.Id(id + 3) << ",";
        o.Real(t->MajorRadius()) << ",";
        o.Real(t->MinorRadius()) << ");\n";
        break;
      }
      case SurfaceKind::kRevolution: break;
    }
    id += 5;
  }
  std::vector<long long> bounds;
  for (const LoopPlan& l : f.loops) {
    const long long loop = id + static_cast<long long>(l.edges.size());
    for (const auto& [edge, along] : l.edges) {
      o.Begin(id++) << "ORIENTED_EDGE('',*,*,";
      o.Id(edges[edge].id + edges[edge].Entities() - 1) << ",";
      o.Bool(along) << ");\n";
    }
    o.Begin(loop) << "EDGE_LOOP('',(";
    for (size_t i = 0; i < l.edges.size(); ++i) {
      if (i) o << ",";
      o.Id(loop - static_cast<long long>(l.edges.size()) + static_cast<long long>(i));
    }
    o << "));\n";
    o.Begin(loop + 1) << "FACE_BOUND('',";
    o.Id(loop) << ",";
    o.Bool(l.forward) << ");\n";
    bounds.push_back(loop + 1);
    id = loop + 2;
  }
  o.Begin(id) << "ADVANCED_FACE('',(";
  for (size_t i = 0; i < bounds.size(); ++i) {
    if (i) o << ",";
    o.Id(bounds[i]);
  }
  o << "),";
  o.Id(surface) << ",";
  o.Bool(f.sameSense) << ");\n";
}

// Text fit for a STEP string: printable ASCII, quotes doubled, backslashes (STEP's escapes)
// replaced.
std::string StepString(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c == '\'') out += "''";
    else if (c < 0x20 || c > 0x7e || c == '\\') out += '_';
    else out += static_cast<char>(c);
  }
  return out;
}

}  // namespace

std::optional<std::vector<std::string>> StepText(const TopoDS_Shape& shape,
                                                 const StepHeader& header, int jobs) {
  // One solid of one closed shell, the faces in the order the shell holds them.
  TopoDS_Shape solid = shape;
  if (solid.ShapeType() == TopAbs_COMPOUND) {
    TopoDS_Iterator only(shape);
    if (!only.More()) return std::nullopt;
    solid = only.Value();
    only.Next();
    if (only.More()) return std::nullopt;
  }
  if (solid.ShapeType() != TopAbs_SOLID) return std::nullopt;
  TopoDS_Iterator shells(solid);
  if (!shells.More() || shells.Value().ShapeType() != TopAbs_SHELL) return std::nullopt;
  const TopoDS_Shape shell = shells.Value();
  shells.Next();
  if (shells.More()) return std::nullopt;
  std::vector<TopoDS_Face> faces;
  for (TopoDS_Iterator f(shell); f.More(); f.Next()) {
    if (f.Value().ShapeType() != TopAbs_FACE) return std::nullopt;
    faces.push_back(TopoDS::Face(f.Value()));
  }
  if (faces.empty()) return std::nullopt;

  TopTools_IndexedMapOfShape vertexMap, edgeMap;
  TopExp::MapShapes(shell, TopAbs_VERTEX, vertexMap);
  TopExp::MapShapes(shell, TopAbs_EDGE, edgeMap);
  const int nv = vertexMap.Extent(), ne = edgeMap.Extent();

  // What each edge and face is, worked out side by side; any one that STEP cannot say here
  // leaves the whole solid to the translator.
  std::vector<EdgePlan> edges(static_cast<size_t>(ne));
  std::vector<FacePlan> faceplans(faces.size());
  std::atomic<bool> unsupported{false};
  constexpr size_t kChunk = 256;
  const size_t edgeChunks = (edges.size() + kChunk - 1) / kChunk;
  const size_t faceChunks = (faces.size() + kChunk - 1) / kChunk;
  rt::RunOnWorkers(jobs, edgeChunks + faceChunks, [&](size_t task) {
    if (unsupported) return;
    if (task < edgeChunks) {
      for (size_t i = task * kChunk; i < std::min(edges.size(), (task + 1) * kChunk); ++i) {
        const TopoDS_Edge& edge = TopoDS::Edge(edgeMap(static_cast<int>(i) + 1));
        if (BRep_Tool::Degenerated(edge)) continue;  // never in a loop
        TopoDS_Vertex v1, v2;
        TopExp::Vertices(TopoDS::Edge(edge.Oriented(TopAbs_FORWARD)), v1, v2);
        EdgePlan& e = edges[i];
        double f = 0, l = 0;
        if (v1.IsNull() || v2.IsNull() || !PlanCurve(BRep_Tool::Curve(edge, f, l), e.geometry)) {
          unsupported = true;
          return;
        }
        e.first = vertexMap.FindIndex(v1) - 1;
        e.last = vertexMap.FindIndex(v2) - 1;
      }
    } else {
      const size_t c = task - edgeChunks;
      for (size_t i = c * kChunk; i < std::min(faces.size(), (c + 1) * kChunk); ++i)
        if (!PlanFace(faces[i], edgeMap, faceplans[i])) {
          unsupported = true;
          return;
        }
    }
  });
  if (unsupported) return std::nullopt;
  // A loop may use an edge only as a curve, never a degenerate one.
  for (const FacePlan& f : faceplans)
    for (const LoopPlan& l : f.loops)
      for (const auto& e : l.edges)
        if (!edges[e.first].Written()) return std::nullopt;

  // Numbers, in the order VertexId describes.
  long long next = VertexId(nv);
  for (EdgePlan& e : edges) {
    if (!e.Written()) continue;
    e.id = next;
    next += e.Entities();
  }
  for (FacePlan& f : faceplans) {
    f.id = next;
    next += f.Entities();
  }
  const long long context = next, length = next + 1, angle = next + 2, solidAngle = next + 3,
                  uncertainty = next + 4, category = next + 5;

  // The text, in parts formatted side by side and joined in order.
  const size_t vertexChunks = (static_cast<size_t>(nv) + kChunk - 1) / kChunk;
  std::vector<std::string> parts(2 + vertexChunks + edgeChunks + faceChunks);
  std::atomic<bool> finite{true};
  rt::RunOnWorkers(jobs, parts.size(), [&](size_t task) {
    std::string& text = parts[task];
    Out o(text);
    if (task == 0) {
      const std::string name = StepString(header.name);
      o << "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('a part with its holes'),'2;1');\n";
      o << "FILE_NAME('" << name.c_str() << "','" << StepString(header.time).c_str()
        << "',(''),(''),'Cavix','Cavix','');\n";
      o << "FILE_SCHEMA(('AUTOMOTIVE_DESIGN { 1 0 10303 214 1 1 1 1 }'));\nENDSEC;\nDATA;\n";
      o << "#1 = APPLICATION_PROTOCOL_DEFINITION('international standard',"
           "'automotive_design',2000,#2);\n"
           "#2 = APPLICATION_CONTEXT('core data for automotive mechanical design processes');\n"
           "#3 = SHAPE_DEFINITION_REPRESENTATION(#4,#10);\n"
           "#4 = PRODUCT_DEFINITION_SHAPE('','',#5);\n"
           "#5 = PRODUCT_DEFINITION('design','',#6,#9);\n"
           "#6 = PRODUCT_DEFINITION_FORMATION('','',#7);\n";
      const std::string product = StepString(header.product);
      o << "#7 = PRODUCT('" << product.c_str() << "','" << product.c_str() << "','',(#8));\n";
      o << "#8 = PRODUCT_CONTEXT('',#2,'mechanical');\n"
           "#9 = PRODUCT_DEFINITION_CONTEXT('part definition',#2,'design');\n"
           "#10 = ADVANCED_BREP_SHAPE_REPRESENTATION('',(#11,#15),";
      o.Id(context) << ");\n";
      o << "#11 = AXIS2_PLACEMENT_3D('',#12,#13,#14);\n"
           "#12 = CARTESIAN_POINT('',(0.,0.,0.));\n"
           "#13 = DIRECTION('',(0.,0.,1.));\n"
           "#14 = DIRECTION('',(1.,0.,0.));\n"
           "#15 = MANIFOLD_SOLID_BREP('',#16);\n"
           "#16 = CLOSED_SHELL('',(";
      for (size_t i = 0; i < faceplans.size(); ++i) {
        if (i) o << (i % 8 == 0 ? ",\n  " : ",");
        o.Id(faceplans[i].id + faceplans[i].Entities() - 1);
      }
      o << "));\n";
    } else if (task == parts.size() - 1) {
      o.Begin(context) << "( GEOMETRIC_REPRESENTATION_CONTEXT(3) "
                          "GLOBAL_UNCERTAINTY_ASSIGNED_CONTEXT((";
      o.Id(uncertainty) << ")) GLOBAL_UNIT_ASSIGNED_CONTEXT((";
      o.Id(length) << ",";
      o.Id(angle) << ",";
      o.Id(solidAngle) << ")) REPRESENTATION_CONTEXT('Context #1',"
                          "'3D Context with UNIT and UNCERTAINTY') );\n";
      o.Begin(length) << "( LENGTH_UNIT() NAMED_UNIT(*) SI_UNIT(.MILLI.,.METRE.) );\n";
      o.Begin(angle) << "( NAMED_UNIT(*) PLANE_ANGLE_UNIT() SI_UNIT($,.RADIAN.) );\n";
      o.Begin(solidAngle) << "( NAMED_UNIT(*) SI_UNIT($,.STERADIAN.) SOLID_ANGLE_UNIT() );\n";
      // The distance (mm) the data take as equal, as the kernel's own files say it.
      o.Begin(uncertainty) << "UNCERTAINTY_MEASURE_WITH_UNIT(LENGTH_MEASURE(1.E-07),";
      o.Id(length) << ",'distance_accuracy_value','confusion accuracy');\n";
      o.Begin(category) << "PRODUCT_RELATED_PRODUCT_CATEGORY('part',$,(#7));\n";
      o << "ENDSEC;\nEND-ISO-10303-21;\n";
    } else if (task < 1 + vertexChunks) {
      const size_t c = task - 1;
      for (size_t i = c * kChunk; i < std::min(static_cast<size_t>(nv), (c + 1) * kChunk); ++i)
        WriteVertex(o, VertexId(static_cast<int>(i)),
                    BRep_Tool::Pnt(TopoDS::Vertex(vertexMap(static_cast<int>(i) + 1))));
    } else if (task < 1 + vertexChunks + edgeChunks) {
      const size_t c = task - 1 - vertexChunks;
      for (size_t i = c * kChunk; i < std::min(edges.size(), (c + 1) * kChunk); ++i)
        if (edges[i].Written()) WriteEdge(o, edges[i]);
    } else {
      const size_t c = task - 1 - vertexChunks - edgeChunks;
      for (size_t i = c * kChunk; i < std::min(faceplans.size(), (c + 1) * kChunk); ++i)
        WriteFace(o, faceplans[i], edges);
    }
    if (!o.finite) finite = false;
  });
  if (!finite) return std::nullopt;
  return parts;
}

}  // namespace cavix::exporter::detail
