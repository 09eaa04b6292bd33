// Meshing the cut part for the mesh writers (STL, glTF). Part of the Open CASCADE side of the
// export; not for other layers.
#pragma once

#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <array>
#include <functional>
#include <vector>

#include "export/export.h"

namespace cavix::exporter::detail {

// A triangle as mesh files store it: single-precision corners, wound so that its normal points
// out of the part.
struct Triangle {
  std::array<std::array<float, 3>, 3> v;
};
using TriangleSink = std::function<void(const Triangle&)>;

struct MeshTally {
  long long triangles = 0;
  double volume = 0;  // mm^3 enclosed by the triangles, computed from their stored corners
};

// The most a chord of the mesh turns from the curve it follows, radians.
constexpr double kMeshAngle = 0.5;

// Counts `t` into `tally` and hands it to `sink`, unless two of its corners are one point in
// single precision (as at a drill point's apex: no area, and an edge that more than two
// triangles would share).
void Pass(const Triangle& t, MeshTally& tally, const TriangleSink& sink);

// The largest distance between the mesh and the part's surfaces: small enough that the smallest
// hole's circle gets 32 chords, so that small holes stay round; without holes a thousandth of
// the part's size.
double ChooseDeflection(double smallestRadius, double partSize);

// The triangles of the mesh the kernel's mesher left on `face`, wound outwards; none without one.
std::vector<Triangle> FaceTriangles(const TopoDS_Face& face);

// Meshes `shape` a few hundred neighbouring faces at a time and hands every triangle to `sink`
// as soon as its face is meshed; a face's mesh is dropped once all its neighbours are meshed, so
// memory holds only the meshes along the front. Faces that share an edge share its points: the
// mesh is closed wherever the shape is. Triangles that collapse in single precision are left out.
// With jobs > 1 the faces of a group are meshed side by side; the triangles are the same.
MeshTally MeshInGroups(const TopoDS_Shape& shape, double deflection, int jobs,
                       const TriangleSink& sink);

// Meshes the whole shape at once and leaves each face's mesh on it, without the triangles that
// collapse in single precision (for writers that read the meshes off the shape).
MeshTally MeshWhole(const TopoDS_Shape& shape, double deflection, int jobs);

}  // namespace cavix::exporter::detail
