// Binary glTF (GLB) of named meshes, one node each: the container and its JSON, without the
// kernel. Part of the export's mesh writers; not for other layers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cavix::exporter::detail {

// One node of the file: its triangles as corners (three per triangle, in glTF's own axes and
// units, wound outwards) with a normal at each corner, and the colour of its surface (linear RGB).
struct GlbMesh {
  std::string name;
  // Meshes of one material share it (a part's thousand holes are one material, not a thousand).
  std::string material;
  std::array<float, 3> colour{1, 1, 1};
  std::vector<std::array<float, 3>> positions, normals;
  std::vector<uint32_t> indices;  // three per triangle, into positions
};

// The GLB bytes of the meshes, a node each in their order, all in one scene. A mesh without
// triangles is a node without a mesh. None when they would pass the 4 GB a GLB can hold.
std::optional<std::string> GlbBytes(const std::vector<GlbMesh>& meshes, const std::string& generator);

}  // namespace cavix::exporter::detail
