// The mesh of a block whose holes were all built in closed form, made from the holes' profiles
// instead of by meshing the solid's faces: each hole's walls are rings of its profile's vertices
// joined by strips, and the block's faces are triangulated around the holes' rims. Part of the
// Open CASCADE side of the export's mesh writers; not for other layers.
#pragma once

#include <array>
#include <vector>

#include "export/occ_mesh.h"
#include "export/occ_part.h"

namespace cavix::exporter::detail {

// How many chords a circle of `radius` gets so that none is further than `deflection` from it,
// and none turns by more than the mesher's half radian: the rule the mesh of a face's circles
// follows.
int ChordsFor(double radius, double deflection);

// Meshes the box from `lo` to `hi` without `holes`, each of which opens on one of the box's
// faces, square to it, and meets no other hole and no edge of its face. Every hole's circles get
// the chords its widest circle needs. Faces that share an edge share its points, so the mesh is
// closed; the triangles are the same for any `jobs`, and are handed to `sink` wound outwards,
// the block's faces first, then the holes in their order.
MeshTally MeshBlockWithHoles(const std::array<double, 3>& lo, const std::array<double, 3>& hi,
                             const std::vector<ClosedFormHole>& holes, double deflection,
                             const TriangleSink& sink);

}  // namespace cavix::exporter::detail
