// The writers: STEP, streamed binary STL and binary glTF of the cut part, each written to a
// temporary file beside the target and renamed over it only when complete.

#include <unistd.h>

#include <BRep_Builder.hxx>
#include <Quantity_Color.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <gp_Ax3.hxx>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/occ_internal.h"
#include "export/block_mesh.h"
#include "export/face_mesh.h"
#include "export/glb_file.h"
#include "export/occ_mesh.h"
#include "export/step_translator.h"
#include "runtime/workers.h"
#include "runtime/error.h"
#include "runtime/text_file.h"

namespace cavix::exporter {
namespace {

using detail::At;
using detail::HoleLabel;

std::string CannotWrite(const std::string& path, const std::string& why) {
  return "cannot write \"" + path + "\": " + why;
}

// Flushes `f` through to the disk and closes it; returns the first error, `err` when one came
// before.
int SyncAndClose(std::FILE* f, int err) {
  if (err == 0 && std::fflush(f) != 0) err = errno;
  if (err == 0 && ::fsync(::fileno(f)) != 0) err = errno;
  if (std::fclose(f) != 0 && err == 0) err = errno;
  return err;
}

// The temporary file beside `path` that the kernel's writers write by name, made and put in
// place as a model file is (rt::AtomicFile): through a link to the file it names, under a name
// that fits beside the longest legal one, the replaced file's owner and mode kept.
class TempFile {
 public:
  explicit TempFile(const std::string& path) : target_(path) {
    if (path.empty()) throw ExportError("no output file name given");
    try {
      file_.emplace(path, false, kCompanionRoom);
    } catch (const rt::Error& e) {
      throw ExportError(CannotWrite(target_, e.Description()));
    }
  }
  // Another file the writer makes beside the temporary one, removed in any case.
  void Also(const std::string& path) { also_.push_back(path); }
  ~TempFile() {
    for (const std::string& f : also_) std::remove(f.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& Name() const { return file_->Path(); }
  void Commit() {
    try {
      file_->Commit();
    } catch (const rt::Error& e) {
      throw ExportError(CannotWrite(target_, e.Description()));
    }
  }
  // Why a kernel writer that only says it failed could not write the file: what the system says
  // to a write of our own into it (a full disk, a file size limit), else `fallback`.
  std::string Failure(int err, const char* fallback) const {
    if (err == 0) {
      if (std::FILE* f = std::fopen(Name().c_str(), "ab")) {
        static const char zeros[1 << 16] = {};
        if (std::fwrite(zeros, 1, sizeof zeros, f) != sizeof zeros) err = errno;
        err = SyncAndClose(f, err);
      } else {
        err = errno;
      }
    }
    return CannotWrite(target_, err ? std::strerror(err) : fallback);
  }

 private:
  // The glTF writer keeps its buffer in NAME.bin.tmp beside NAME.tmp until it assembles the file.
  static constexpr size_t kCompanionRoom = 4;

  std::string target_;
  std::optional<rt::AtomicFile> file_;
  std::vector<std::string> also_;
};

// The smallest radius of any hole's profile: the circle the mesh must keep round.
double SmallestRadius(const PartInput& part) {
  double smallest = 0;
  for (const HoleSolidInput& h : part.holes)
    for (const ProfileChain& chain : h.chains) {
      double largest = 0;
      for (const auto& p : chain)
        if (std::isfinite(p[0])) largest = std::max(largest, p[0]);
      for (const auto& p : chain)
        if (std::isfinite(p[0]) && p[0] > 1e-4 * largest && (smallest == 0 || p[0] < smallest))
          smallest = p[0];
    }
  return smallest;
}

double Deflection(const PartInput& part, const CutResult& cut, const ExportOptions& options) {
  if (options.linearDeflection != 0) {
    if (!std::isfinite(options.linearDeflection) || !(options.linearDeflection > 0))
      throw ExportError("the mesh tolerance must be a positive number of millimetres");
    return options.linearDeflection;
  }
  return detail::ChooseDeflection(SmallestRadius(part), cut.base->Size());
}

int Jobs(const ExportOptions& options) { return options.jobs > 0 ? options.jobs : rt::AllCores(); }

// The header of a STEP file written to `path`: the part is called after the file.
detail::StepHeader StepHeaderFor(const std::string& path) {
  detail::StepHeader h;
  const size_t slash = path.find_last_of('/');
  h.name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = h.name.rfind('.');
  h.product = dot == 0 || dot == std::string::npos ? h.name : h.name.substr(0, dot);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char stamp[32] = "";
  if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
  h.time = stamp;
  return h;
}

// Writes text made in parts into the temporary file, through to the disk.
void WriteParts(const std::vector<std::string>& parts, const TempFile& tmp,
                const char* failure = "the STEP text could not be written") {
  std::FILE* f = std::fopen(tmp.Name().c_str(), "wb");
  int err = f ? 0 : errno;
  for (size_t i = 0; f && err == 0 && i < parts.size(); ++i)
    if (std::fwrite(parts[i].data(), 1, parts[i].size(), f) != parts[i].size())
      err = errno ? errno : EIO;
  if (f) err = SyncAndClose(f, err);
  if (err != 0) throw ExportError(tmp.Failure(err, failure));
}

// Cuts the part, fills the counts, and refuses holes that cut nothing unless allowed.
CutResult Cut(const PartInput& part, const ExportOptions& options, bool mergeFaces,
              ExportSummary& s, const std::string& path, bool wholeWhenBuilt = false,
              bool overlapsInClosedForm = false) {
  CutOptions co;
  co.mergeFaces = mergeFaces;
  co.wholeWhenBuilt = wholeWhenBuilt;
  co.overlapsInClosedForm = overlapsInClosedForm;
  co.jobs = Jobs(options);
  CutResult r = CutHoles(part, co);
  s.holesCut = static_cast<int>(r.cut.size());
  s.solids = r.solids;
  s.warnings = r.warnings;
  for (size_t i = 0; i < r.missed.size(); ++i) {
    const HoleIndex h = r.missed[i];
    s.misses.push_back(HoleLabel(part.holes[At(h)], h) +
                       " removes no material: " + r.missReasons[i]);
  }
  for (HoleIndex h : r.voids)
    s.misses.push_back(HoleLabel(part.holes[At(h)], h) +
                       " lies wholly inside the part: it only hollows it");
  if (!s.misses.empty() && !options.allowMisses) {
    std::string text = path.empty() ? "" : "cannot export to \"" + path + "\": ";
    for (size_t i = 0; i < s.misses.size(); ++i) text += (i ? "; " : "") + s.misses[i];
    throw MissError(text + "; nothing was written");
  }
  s.blockVolume = SolidVolume(r.base->solid, co.jobs);
  s.solidVolume = r.removedVolume ? s.blockVolume - *r.removedVolume : SolidVolume(r.shape, co.jobs);
  s.volume = s.solidVolume;
  return r;
}

// The same solid with each shell's faces in order of how many edges they have. The STEP
// translator builds an adaptor of the face for each edge it meets first on that face, and such an
// adaptor walks all the face's edges: a plate's top face with thousands of holes would cost the
// square of its edges. Met last, a face finds every edge already translated by its neighbours.
TopoDS_Shape BigFacesLast(const TopoDS_Shape& shape) {
  BRep_Builder b;
  TopoDS_Compound all;
  b.MakeCompound(all);
  int count = 0;
  TopoDS_Shape only;
  for (TopExp_Explorer s(shape, TopAbs_SOLID); s.More(); s.Next()) {
    TopoDS_Solid solid;
    b.MakeSolid(solid);
    for (TopoDS_Iterator sh(s.Current(), Standard_False, Standard_False); sh.More(); sh.Next()) {
      std::vector<std::pair<int, TopoDS_Shape>> faces;
      for (TopoDS_Iterator f(sh.Value(), Standard_False, Standard_False); f.More(); f.Next()) {
        int edges = 0;
        for (TopExp_Explorer e(f.Value(), TopAbs_EDGE); e.More(); e.Next()) ++edges;
        faces.emplace_back(edges, f.Value());
      }
      std::stable_sort(faces.begin(), faces.end(),
                       [](const auto& x, const auto& y) { return x.first < y.first; });
      TopoDS_Shell shell;
      b.MakeShell(shell);
      for (const auto& f : faces) b.Add(shell, f.second);
      shell.Closed(sh.Value().Closed());
      shell.Orientation(sh.Value().Orientation());
      shell.Location(sh.Value().Location());
      b.Add(solid, shell);
    }
    solid.Location(s.Current().Location());
    solid.Orientation(s.Current().Orientation());
    b.Add(all, solid);
    only = solid;
    ++count;
  }
  return count == 1 ? only : all;
}

// Adds one face's triangles (wound outwards, in millimetres with Z up) to a glTF node: corners
// met again within the face are one vertex, in glTF's axes and metres, with the normal of the
// face's triangles around it weighted by their areas, so that the face shades smoothly and its
// edges stay sharp.
void AddFace(const std::vector<detail::Triangle>& triangles, detail::GlbMesh& mesh) {
  struct Hash {
    size_t operator()(const std::array<float, 3>& p) const {
      uint32_t b[3];
      std::memcpy(b, p.data(), sizeof b);
      return (size_t{b[0]} * 73856093u) ^ (size_t{b[1]} * 19349663u) ^ (size_t{b[2]} * 83492791u);
    }
  };
  std::unordered_map<std::array<float, 3>, uint32_t, Hash> vertex;
  std::vector<std::array<double, 3>> normals;
  const auto first = static_cast<uint32_t>(mesh.positions.size());
  for (const detail::Triangle& t : triangles) {
    const auto& [a, b, c] = t.v;
    const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    // The normal in glTF's axes: (x, y, z) with Z up is (x, z, -y) with Y up.
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    const double turned[3] = {n[0], n[2], -n[1]};
    for (const auto& p : t.v) {
      const auto [it, added] = vertex.try_emplace(p, first + static_cast<uint32_t>(normals.size()));
      if (added) {
        mesh.positions.push_back({p[0] * 1e-3f, p[2] * 1e-3f, -p[1] * 1e-3f});
        normals.push_back({0, 0, 0});
      }
      mesh.indices.push_back(it->second);
      for (int k = 0; k < 3; ++k) normals[it->second - first][k] += turned[k];
    }
  }
  for (const auto& n : normals) {
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    mesh.normals.push_back(length > 0 ? std::array<float, 3>{static_cast<float>(n[0] / length),
                                                               static_cast<float>(n[1] / length),
                                                               static_cast<float>(n[2] / length)}
                                      : std::array<float, 3>{0, 1, 0});
  }
}

// Which hole of a group built as one piece a triangle of the group's faces shows: the one whose
// axis is nearest. A wall or drill point of the group lies nearer its own hole's axis than any
// other's, so it stays whole with its hole; a floor several holes share is split among them as
// their centres divide the plane, and each hole's node shows the floor around it rather than one
// hole carrying a floor that runs the length of the group.
class NearestInGroup {
 public:
  NearestInGroup(const PartInput& part, const std::vector<std::vector<HoleIndex>>& groups)
      : groupOf_(part.holes.size(), -1) {
    for (const std::vector<HoleIndex>& holes : groups) {
      if (holes.empty()) continue;
      Group group;
      const HoleSolidInput& first = part.holes[At(holes.front())];
      const gp_Ax3 frame(gp_Pnt(first.position[0], first.position[1], first.position[2]),
                         gp_Dir(first.normal[0], first.normal[1], first.normal[2]));
      group.origin = frame.Location();
      group.x = frame.XDirection();
      group.y = frame.YDirection();
      for (HoleIndex h : holes)
        for (const ProfileChain& chain : part.holes[At(h)].chains)
          for (const auto& p : chain)
            if (std::isfinite(p[0])) group.cell = std::max(group.cell, p[0]);
      if (!(group.cell > 0)) continue;
      for (HoleIndex h : holes) {
        const auto& at = part.holes[At(h)].position;
        const auto [u, v] = group.InPlane(at[0], at[1], at[2]);
        group.grid[group.Cell(u, v)].push_back(group.members.size());
        group.members.push_back({h, u, v});
        groupOf_[At(h)] = static_cast<int>(groups_.size());
      }
      groups_.push_back(std::move(group));
    }
  }

  bool Grouped(HoleIndex h) const { return At(h) < groupOf_.size() && groupOf_[At(h)] >= 0; }

  // The hole to show triangle `t` of a face of `owner`'s group with.
  HoleIndex For(HoleIndex owner, const detail::Triangle& t) const {
    const Group& group = groups_[static_cast<size_t>(groupOf_[At(owner)])];
    double c[3];
    for (int k = 0; k < 3; ++k) c[k] = (double(t.v[0][k]) + t.v[1][k] + t.v[2][k]) / 3;
    const auto [u, v] = group.InPlane(c[0], c[1], c[2]);
    const auto [i, j] = group.Cell(u, v);
    // Every point of the group lies within the largest radius of some centre: in the cells
    // around its own.
    HoleIndex best = owner;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (long long di = -1; di <= 1; ++di)
      for (long long dj = -1; dj <= 1; ++dj) {
        const auto cell = group.grid.find({i + di, j + dj});
        if (cell == group.grid.end()) continue;
        for (size_t m : cell->second) {
          const Member& member = group.members[m];
          const double d = std::hypot(member.u - u, member.v - v);
          if (d < bestDistance || (d == bestDistance && member.hole < best)) {
            best = member.hole;
            bestDistance = d;
          }
        }
      }
    return best;
  }

 private:
  struct Member {
    HoleIndex hole;
    double u, v;
  };
  struct CellHash {
    size_t operator()(const std::pair<long long, long long>& c) const {
      return std::hash<long long>()(c.first * 1000003LL ^ c.second);
    }
  };
  struct Group {
    gp_Pnt origin;
    gp_Dir x, y;
    double cell = 0;  // the largest radius of the group's holes
    std::vector<Member> members;
    std::unordered_map<std::pair<long long, long long>, std::vector<size_t>, CellHash> grid;
    std::pair<double, double> InPlane(double px, double py, double pz) const {
      const gp_Vec d(origin, gp_Pnt(px, py, pz));
      return {d.Dot(gp_Vec(x)), d.Dot(gp_Vec(y))};
    }
    std::pair<long long, long long> Cell(double u, double v) const {
      // (Clamped: a number of cells no long long holds is no place of a part's.)
      auto at = [&](double w) {
        return static_cast<long long>(std::clamp(std::floor(w / cell), -1e15, 1e15));
      };
      return {at(u), at(v)};
    }
  };
  std::vector<int> groupOf_;
  std::vector<Group> groups_;
};

// Writes 50-byte binary STL records as they come, with the count filled in at the end.
class StlFile {
 public:
  StlFile(const std::string& tmp, const std::string& path) : path_(path) {
    file_ = std::fopen(tmp.c_str(), "wb");
    if (!file_) throw ExportError(CannotWrite(path, std::strerror(errno)));
    char header[84] = "binary STL of a part with its holes, written by Cavix";
    Put(header, sizeof header);
  }
  ~StlFile() {
    if (file_) std::fclose(file_);
  }
  StlFile(const StlFile&) = delete;
  StlFile& operator=(const StlFile&) = delete;

  void Add(const detail::Triangle& t) {
    const auto& a = t.v[0];
    const auto& b = t.v[1];
    const auto& c = t.v[2];
    const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const float w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (float& x : n) x = len > 0 ? x / len : 0;
    char record[50] = {};
    std::memcpy(record, n, 12);
    std::memcpy(record + 12, a.data(), 12);
    std::memcpy(record + 24, b.data(), 12);
    std::memcpy(record + 36, c.data(), 12);
    Put(record, sizeof record);
  }

  void Finish(long long triangles) {
    if (triangles > 0xffffffffLL)
      throw ExportError(CannotWrite(path_, "more triangles than binary STL can count"));
    Flush();
    const uint32_t n = static_cast<uint32_t>(triangles);
    char count[4];
    std::memcpy(count, &n, 4);
    if (error_ == 0 && std::fseek(file_, 80, SEEK_SET) != 0) error_ = errno;
    if (error_ == 0 && std::fwrite(count, 1, 4, file_) != 4) error_ = errno;
    error_ = SyncAndClose(file_, error_);
    file_ = nullptr;
    if (error_ != 0) throw ExportError(CannotWrite(path_, std::strerror(error_)));
  }

 private:
  void Put(const char* bytes, size_t n) {
    buffer_.insert(buffer_.end(), bytes, bytes + n);
    if (buffer_.size() >= (1u << 20)) Flush();
  }
  void Flush() {
    if (error_ == 0 && !buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
      error_ = errno ? errno : EIO;
    buffer_.clear();
    // A failed write is reported at once: there is no point meshing the rest.
    if (error_ != 0) throw ExportError(CannotWrite(path_, std::strerror(error_)));
  }

  std::string path_;
  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  int error_ = 0;
};

}  // namespace

ExportSummary Measure(const PartInput& part, const ExportOptions& options) {
  ExportSummary s;
  Cut(part, options, true, s, {});
  return s;
}

ExportSummary ExportStep(const PartInput& part, const std::string& path,
                         const ExportOptions& options) {
  TempFile tmp(path);
  ExportSummary s;
  CutResult cut = Cut(part, options, true, s, path, /*wholeWhenBuilt=*/false,
                      /*overlapsInClosedForm=*/true);
  try {
    std::optional<std::vector<std::string>> text;
    const detail::StepHeader header = StepHeaderFor(path);
    if (!options.stepPCurves) text = detail::StepText(cut.shape, header, Jobs(options));
    if (text) {
      WriteParts(*text, tmp);
      tmp.Commit();
      cut.Release(Jobs(options));
      return s;
    }
    const TopoDS_Shape shape = BigFacesLast(cut.shape);
    const std::string file = tmp.Name();
    switch (LoadStepTranslator().write(&shape, &header.product, &file)) {
      case 0: break;
      case 1: throw ExportError(CannotWrite(path, "the STEP translator refused the solid"));
      default: throw ExportError(tmp.Failure(errno, "the STEP writer failed"));
    }
  } catch (const Standard_Failure& f) {
    throw ExportError(CannotWrite(path, KernelFailure(f)));
  }
  tmp.Commit();
  return s;
}

ExportSummary ExportStl(const PartInput& part, const std::string& path,
                        const ExportOptions& options) {
  TempFile tmp(path);
  ExportSummary s;
  // The seams of the tiles stay: they change nothing in a mesh, and faces a tile wide mesh in
  // linear time where a plate's whole top face would not. A block whose holes were all built in
  // closed form is meshed from their profiles, without the kernel's mesher.
  CutResult cut = Cut(part, options, false, s, path, /*wholeWhenBuilt=*/true,
                      /*overlapsInClosedForm=*/true);
  s.deflection = Deflection(part, cut, options);
  try {
    // Each way of meshing writes the file from its start.
    auto write = [&](const auto& mesh) {
      StlFile file(tmp.Name(), path);
      const std::optional<detail::MeshTally> tally =
          mesh([&](const detail::Triangle& t) { file.Add(t); });
      if (tally) {
        file.Finish(tally->triangles);
        s.triangles = tally->triangles;
        s.volume = tally->volume;
      }
      return tally.has_value();
    };
    bool written = false;
    if (!cut.closedForm.empty() && cut.base->isBox) {
      written = write([&](const detail::TriangleSink& sink) {
        return std::optional(detail::MeshBlockWithHoles(cut.base->lo, cut.base->hi,
                                                        cut.closedForm, s.deflection, sink));
      });
    } else {
      try {
        written = write([&](const detail::TriangleSink& sink) {
          return detail::MeshPlanesCylindersCones(cut.shape, s.deflection, Jobs(options), sink);
        });
      } catch (const detail::FaceMeshFailed&) {
        // A face this mesher cannot take as it stands: the kernel's mesher takes the part.
      }
    }
    if (!written)
      write([&](const detail::TriangleSink& sink) {
        return std::optional(detail::MeshInGroups(cut.shape, s.deflection, Jobs(options), sink));
      });
  } catch (const Standard_Failure& f) {
    throw ExportError(CannotWrite(path, "meshing the part failed (" + KernelFailure(f) + ")"));
  }
  tmp.Commit();
  cut.Release(Jobs(options));
  return s;
}

ExportSummary ExportGltf(const PartInput& part, const std::string& path,
                         const ExportOptions& options) {
  TempFile tmp(path);
  ExportSummary s;
  // Holes built in closed form keep the faces whole (no tiles): the mesher from edges' points
  // takes a face of thousands of rims in its stride. Holes that overlap are built together too;
  // the faces they share are shown split among them (NearestInGroup).
  CutResult cut = Cut(part, options, false, s, path, /*wholeWhenBuilt=*/true,
                      /*overlapsInClosedForm=*/true);
  s.deflection = Deflection(part, cut, options);
  try {
    // One node per hole with its faces, one for the rest of the part.
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(cut.shape, TopAbs_FACE, faces);
    std::vector<detail::GlbMesh> meshes(part.holes.size() + 1);
    const NearestInGroup nearest(part, cut.overlapGroups);
    std::map<HoleIndex, std::vector<detail::Triangle>> shown;
    auto addFace = [&](int face, const std::vector<detail::Triangle>& triangles) {
      const std::optional<HoleIndex> h = cut.HoleOf(faces(face));
      if (!h || !nearest.Grouped(*h)) {
        AddFace(triangles, meshes[h ? At(*h) : part.holes.size()]);
        return;
      }
      shown.clear();
      for (const detail::Triangle& t : triangles) shown[nearest.For(*h, t)].push_back(t);
      for (const auto& [hole, some] : shown) AddFace(some, meshes[At(hole)]);
    };
    std::optional<detail::MeshTally> tally;
    try {
      int face = 0;
      std::vector<detail::Triangle> triangles;
      auto flush = [&] {
        if (face > 0) addFace(face, triangles);
        triangles.clear();
      };
      tally = detail::MeshPlanesCylindersCones(
          cut.shape, s.deflection, Jobs(options),
          [&](const detail::Triangle& t) { triangles.push_back(t); },
          [&](int next) {
            flush();
            face = next;
          });
      flush();
    } catch (const detail::FaceMeshFailed&) {
      meshes.assign(part.holes.size() + 1, {});
    }
    if (!tally) {
      tally = detail::MeshWhole(cut.shape, s.deflection, Jobs(options));
      for (int i = 1; i <= faces.Extent(); ++i)
        addFace(i, detail::FaceTriangles(TopoDS::Face(faces(i))));
    }
    s.triangles = tally->triangles;
    s.volume = tally->volume;
    auto linear = [](double r, double g, double b) {
      const Quantity_Color c(r, g, b, Quantity_TOC_sRGB);
      return std::array<float, 3>{static_cast<float>(c.Red()), static_cast<float>(c.Green()),
                                  static_cast<float>(c.Blue())};
    };
    std::vector<detail::GlbMesh> nodes;
    nodes.push_back(std::move(meshes.back()));
    nodes.back().name = nodes.back().material = "part";
    nodes.back().colour = linear(0.72, 0.74, 0.77);
    for (HoleIndex h : cut.cut) {
      const HoleSolidInput& hole = part.holes[At(h)];
      nodes.push_back(std::move(meshes[At(h)]));
      nodes.back().name = hole.name.empty() ? "hole " + std::to_string(At(h) + 1) : hole.name;
      nodes.back().material = "hole";
      nodes.back().colour = linear(0.85, 0.45, 0.20);
    }
    const std::optional<std::string> bytes = detail::GlbBytes(nodes, "Cavix");
    if (!bytes) throw ExportError(CannotWrite(path, "more than binary glTF can hold"));
    WriteParts({*bytes}, tmp, "the glTF file could not be written");
  } catch (const Standard_Failure& f) {
    throw ExportError(CannotWrite(path, KernelFailure(f)));
  }
  tmp.Commit();
  cut.Release(Jobs(options));
  return s;
}

}  // namespace cavix::exporter
