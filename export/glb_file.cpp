// The GLB container: a 12-byte header, a JSON chunk describing nodes, meshes, accessors and
// buffer views, and a binary chunk holding every mesh's positions, normals and indices one after
// another. Written here rather than through the kernel's document framework, whose libraries
// (and the viewer libraries they pull in) every command would otherwise load at start.

#include "export/glb_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>

namespace cavix::exporter::detail {
namespace {

constexpr uint32_t kFloat = 5126, kUnsignedInt = 5125;          // accessor component types
constexpr uint32_t kArrayBuffer = 34962, kElementBuffer = 34963;  // buffer view targets
constexpr uint32_t kTriangles = 4;

void Put32(std::string& out, uint32_t v) {
  char b[4];
  std::memcpy(b, &v, 4);  // GLB is little-endian, as every machine Cavix builds for
  out.append(b, 4);
}

template <class T>
void PutAll(std::string& bin, const std::vector<T>& values) {
  bin.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
}

}  // namespace

std::optional<std::string> GlbBytes(const std::vector<GlbMesh>& meshes, const std::string& generator) {
  using json = nlohmann::ordered_json;
  json doc;
  doc["asset"] = {{"version", "2.0"}, {"generator", generator}};
  doc["scene"] = 0;
  json nodes = json::array(), gltfMeshes = json::array(), accessors = json::array(),
       views = json::array(), materials = json::array(), sceneNodes = json::array();
  std::string bin;
  std::map<std::pair<std::string, std::array<float, 3>>, size_t> materialOf;
  // A buffer view of the bytes just added to `bin`, and an accessor of it.
  auto view = [&](size_t from, uint32_t target) {
    views.push_back({{"buffer", 0}, {"byteOffset", from}, {"byteLength", bin.size() - from},
                     {"target", target}});
    return views.size() - 1;
  };
  for (const GlbMesh& m : meshes) {
    json node = {{"name", m.name}};
    if (!m.indices.empty()) {
      std::array<float, 3> lo, hi;
      lo.fill(std::numeric_limits<float>::infinity());
      hi.fill(-std::numeric_limits<float>::infinity());
      for (const auto& p : m.positions)
        for (int k = 0; k < 3; ++k) {
          lo[k] = std::min(lo[k], p[k]);
          hi[k] = std::max(hi[k], p[k]);
        }
      size_t from = bin.size();
      PutAll(bin, m.positions);
      accessors.push_back({{"bufferView", view(from, kArrayBuffer)}, {"componentType", kFloat},
                           {"count", m.positions.size()}, {"type", "VEC3"}, {"min", lo},
                           {"max", hi}});
      const size_t positions = accessors.size() - 1;
      from = bin.size();
      PutAll(bin, m.normals);
      accessors.push_back({{"bufferView", view(from, kArrayBuffer)}, {"componentType", kFloat},
                           {"count", m.normals.size()}, {"type", "VEC3"}});
      const size_t normals = accessors.size() - 1;
      from = bin.size();
      PutAll(bin, m.indices);
      accessors.push_back({{"bufferView", view(from, kElementBuffer)},
                           {"componentType", kUnsignedInt}, {"count", m.indices.size()},
                           {"type", "SCALAR"}});
      const auto [material, added] =
          materialOf.try_emplace({m.material, m.colour}, materials.size());
      if (added)
        materials.push_back(
            {{"name", m.material},
             {"pbrMetallicRoughness",
              {{"baseColorFactor", {m.colour[0], m.colour[1], m.colour[2], 1.0f}},
               {"metallicFactor", 0.0},
               {"roughnessFactor", 0.6}}}});
      gltfMeshes.push_back({{"name", m.name},
                            {"primitives",
                             {{{"attributes", {{"POSITION", positions}, {"NORMAL", normals}}},
                               {"indices", accessors.size() - 1},
                               {"material", material->second},
                               {"mode", kTriangles}}}}});
      node["mesh"] = gltfMeshes.size() - 1;
    }
    sceneNodes.push_back(nodes.size());
    nodes.push_back(std::move(node));
  }
  doc["scenes"] = {{{"nodes", sceneNodes}}};
  doc["nodes"] = std::move(nodes);
  if (!gltfMeshes.empty()) {
    doc["meshes"] = std::move(gltfMeshes);
    doc["materials"] = std::move(materials);
    doc["accessors"] = std::move(accessors);
    doc["bufferViews"] = std::move(views);
    doc["buffers"] = {{{"byteLength", bin.size()}}};
  }
  // Chunks are padded to four bytes: the JSON with spaces, the binary with zeros.
  std::string text = doc.dump(-1, ' ', false, json::error_handler_t::replace);
  text.append((4 - text.size() % 4) % 4, ' ');
  bin.append((4 - bin.size() % 4) % 4, '\0');
  const bool withBin = !bin.empty();
  const size_t total = 12 + 8 + text.size() + (withBin ? 8 + bin.size() : 0);
  if (total > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  std::string out;
  out.reserve(12 + 8 + text.size() + 8 + bin.size());
  out.append("glTF");
  Put32(out, 2);
  Put32(out, static_cast<uint32_t>(total));
  Put32(out, static_cast<uint32_t>(text.size()));
  Put32(out, 0x4E4F534A);  // "JSON"
  out += text;
  if (withBin) {
    Put32(out, static_cast<uint32_t>(bin.size()));
    Put32(out, 0x004E4942);  // "BIN\0"
    out += bin;
  }
  return out;
}

}  // namespace cavix::exporter::detail
