// Meshing a solid of planes, cylinders and cones from its edges' points, without the kernel's
// mesher. Part of the Open CASCADE side of the export's mesh writers; not for other layers.
#pragma once

#include <TopoDS_Shape.hxx>
#include <functional>
#include <optional>
#include <stdexcept>

#include "export/occ_mesh.h"

namespace cavix::exporter::detail {

// A face whose boundary could not be triangulated as it stands (its loops do not close in its
// parameters, or a point would have split an edge its neighbour does not split). The triangles
// handed on so far are then of no use: the caller meshes the shape another way.
struct FaceMeshFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Meshes `shape` when every face of it lies on a plane, a cylinder or a cone: each edge is split
// into points once (lines at their ends, circles into the chords the kernel's mesher would give
// them, other curves by the same angle and deflection), and each face is the constrained Delaunay
// triangulation of its edges' points in its own parameters, so the mesh is closed wherever the
// shape is. Cones get rows of points inside as well, so that no triangle spans much of their turn.
// Faces are meshed side by side on `jobs` workers and handed to `sink` in the shape's order,
// wound outwards: the same triangles for any `jobs`; `onFace`, when given, is told the number of
// each face (from 1, in TopExp::MapShapes order) before its triangles. Returns nothing, having
// handed on nothing, for a shape with a face on another surface; throws FaceMeshFailed as said
// above.
std::optional<MeshTally> MeshPlanesCylindersCones(const TopoDS_Shape& shape, double deflection,
                                                  int jobs, const TriangleSink& sink,
                                                  const std::function<void(int)>& onFace = {});

}  // namespace cavix::exporter::detail
