// Turns the scene's main part and hole shapes into export data, reads callouts off the hole
// profiles, asks bound hole classes for their threads, and dispatches on the output extension.

#include "export/scene_export.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <sstream>

#include "hole_objects/hole_record.h"
#include "host/host_model.h"
#include "runtime/error.h"
#include "runtime/fp.h"
#include "runtime/variant.h"

#ifdef CAVIX_WITH_OCCT
#include "export/export.h"
#endif

namespace cavix::exporter {
namespace {

using Pt = std::array<double, 2>;
constexpr double kTol = 1e-6;

double Number(const rt::Variant& v) {
  return v.IsNumeric() ? rt::CDbl(v) : std::numeric_limits<double>::quiet_NaN();
}

// The chain of a hole without repeated points, from (0, 0) round to the last point.
std::vector<Pt> Clean(const ProfileChain& chain) {
  std::vector<Pt> pts;
  for (const auto& p : chain)
    if (pts.empty() || std::hypot(p[0] - pts.back()[0], p[1] - pts.back()[1]) > kTol)
      pts.push_back(p);
  return pts;
}

bool Vertical(const Pt& a, const Pt& b) {
  return std::fabs(a[0] - b[0]) <= kTol && b[1] < a[1] - kTol;
}

double IncludedAngle(const Pt& upper, const Pt& lower) {
  const double dx = std::fabs(upper[0] - lower[0]), dy = std::fabs(upper[1] - lower[1]);
  return 2 * std::atan2(dx, dy) * 180 / rt::kPi;
}

std::string Dim(double v) {
  std::ostringstream os;
  os.setf(std::ios::fixed);
  os.precision(2);
  os << v;
  std::string s = os.str();
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// Reads a callout off a profile: where the walk from the top leaves the opening's radius, how
// the bore runs, and how deep it goes. Profiles of other shapes give what can be read.
HoleCallout CalloutFromProfile(const ProfileChain& chain, double materialDepth) {
  HoleCallout c;
  const std::vector<Pt> pts = Clean(chain);
  // Off-axis points in order, from the top of the opening to the last one before the axis.
  std::vector<Pt> walk;
  for (size_t i = 1; i < pts.size(); ++i) {
    if (pts[i][0] <= kTol) {
      if (!walk.empty()) break;
      continue;
    }
    walk.push_back(pts[i]);
  }
  if (walk.empty()) return c;

  // The bore is the deepest straight-sided run; its diameter is what the hole is drilled at.
  int bore = -1;
  for (size_t i = 0; i + 1 < walk.size(); ++i)
    if (Vertical(walk[i], walk[i + 1])) bore = static_cast<int>(i);
  const double boreR = bore >= 0 ? walk[bore][0] : walk.back()[0];
  size_t boreStart = bore >= 0 ? static_cast<size_t>(bore) : walk.size() - 1;
  while (boreStart > 0 && std::fabs(walk[boreStart - 1][0] - boreR) <= kTol) --boreStart;
  const double bottom = -walk.back()[1];
  c.diameter = 2 * boreR;
  c.depth = bottom - (-walk[boreStart][1]);
  c.through = materialDepth > 0 && bottom >= materialDepth - kTol;

  // A recess is whatever lies between the opening and the bore.
  const Pt& top = walk.front();
  if (top[0] > boreR + kTol && walk.size() >= 2) {
    const Pt& next = walk[1];
    if (Vertical(top, next)) {
      c.cboreDiameter = 2 * top[0];
      c.cboreDepth = -next[1];
      if (walk.size() >= 3 && walk[2][0] < next[0] - kTol && walk[2][1] < next[1] - kTol)
        c.csinkAngle = IncludedAngle(next, walk[2]);  // counterdrill cone
    } else if (next[0] < top[0] - kTol && next[1] < top[1] - kTol) {
      c.csinkDiameter = 2 * top[0];
      c.csinkAngle = IncludedAngle(top, next);
    }
  }
  return c;
}

// The thread as a drawing view gets it from the hole class bound to the shape.
ThreadDrawing ThreadOf(scene::Scene& scene, scene::Shape& shape,
                       std::vector<std::string>& warnings) {
  ThreadDrawing t;
  if (shape.BindingTag().empty()) return t;
  try {
    auto q = scene.ThreadQuery(shape);
    double inner = 0, outer = 0, taper = 0, length = 0, offset = 0, vx = 0, vy = 0, vz = 0;
    bool isHole = false, taperProjection = false;
    const bool ok = q->GetProjectedThreadInformation(shape, inner, outer, taper, length, offset, vx,
                                                     vy, vz, isHole, taperProjection);
    if (ok && outer > 0 && length > 0 && std::isfinite(outer) && std::isfinite(inner) &&
        std::isfinite(length) && std::isfinite(offset)) {
      t = {true, outer, inner, length, offset};
    }
  } catch (const std::exception& e) {
    warnings.push_back(shape.Describe() + ": drawn without its thread (" + e.what() + ")");
  }
  return t;
}

// "M10x1.5" for a metric thread; the stored size code as it is for other families.
std::string Designation(const scene::Shape& shape, const ThreadDrawing& t) {
  if (const scene::Component* data = shape.Store().First(host::comp::kHoleData)) {
    const rt::Variant code = data->Value(2, 14);
    if (code.Type() == rt::VarType::Text && !code.Text().empty() &&
        std::toupper(static_cast<unsigned char>(code.Text()[0])) != 'M')
      return code.Text();
  }
  return "M" + Dim(t.OuterDiameter) + "x" + Dim(t.OuterDiameter - t.InnerDiameter);
}

std::vector<scene::Shape*> HoleShapes(scene::Scene& scene) {
  std::vector<scene::Shape*> shapes = scene.MainPart().ShapeItems();
  std::vector<scene::Shape*> holes;
  for (size_t i = 1; i < shapes.size(); ++i)
    if (shapes[i]->Store().First(host::comp::kRevolve)) holes.push_back(shapes[i]);
  return holes;
}

HoleSolidInput HoleOf(const scene::Shape& shape) {
  HoleSolidInput h;
  h.name = shape.Describe();
  h.position = {shape.Position().x, shape.Position().y, shape.Position().z};
  h.normal = {shape.Normal().x, shape.Normal().y, shape.Normal().z};
  const scene::Component* revolve = shape.Store().First(host::comp::kRevolve);
  const scene::Profile* profile = revolve ? revolve->ProfileIfAny() : nullptr;
  if (!profile) return h;
  if (const scene::ComponentList* chains = profile->Store().Find(host::comp::kChain))
    for (const auto& chain : chains->Items()) {
      ProfileChain pts;
      for (const auto& p : chain->Points()) pts.push_back({p.x, p.y});
      h.chains.push_back(std::move(pts));
    }
  return h;
}

// Why a shape's stored hole values make no hole; "" for a hole or a shape that stores none.
std::string NotAHole(scene::Scene& scene, const scene::Shape& shape) {
  const scene::Component* data = shape.Store().First(host::comp::kHoleData);
  if (!data) return {};
  const host::ClassInfo* info =
      shape.BindingTag().empty() ? nullptr : scene.FindClassByTag(shape.BindingTag());
  return holes::StoredHoleProblem(info ? info->progId : "", *data);
}

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

// "M8, ISO 262 coarse": the size and standard the hole was chosen by, from its stored record; ""
// when the record cannot be read (the callout then states what the profile shows).
std::string NominalSize(scene::Scene& scene, const scene::Shape& shape,
                        const scene::Component& data) {
  const host::ClassInfo* info =
      shape.BindingTag().empty() ? nullptr : scene.FindClassByTag(shape.BindingTag());
  const holes::HoleKind* kind = holes::StoredHoleKind(info ? info->progId : "", data);
  if (!kind) return {};
  try {
    const holes::HoleRecord r = holes::DecodeHoleRecord(data, *kind);
    std::string size = r.sizeCode;
    // Size codes are padded in the tables (" 8"); the callout shows the code itself.
    size.erase(0, size.find_first_not_of(' '));
    if (size.empty()) return {};
    return r.standard.empty() ? size : size + ", " + r.standard;
  } catch (const rt::Error&) {
    return {};
  }
}

bool SameChains(const std::vector<ProfileChain>& a, const std::vector<ProfileChain>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return false;
    for (size_t k = 0; k < a[i].size(); ++k)
      if (std::fabs(a[i][k][0] - b[i][k][0]) > kTol || std::fabs(a[i][k][1] - b[i][k][1]) > kTol)
        return false;
  }
  return true;
}

// Whether two sections would draw and say the same: then the sheet shows one with a count.
bool DrawnAlike(const HoleDrawing& a, const HoleDrawing& b) {
  const HoleCallout &x = a.callout, &y = b.callout;
  auto near = [](double u, double v) { return std::fabs(u - v) <= kTol; };
  return SameChains(a.chains, b.chains) && near(a.partThickness, b.partThickness) &&
         a.thread.threaded == b.thread.threaded &&
         near(a.thread.OuterDiameter, b.thread.OuterDiameter) &&
         near(a.thread.InnerDiameter, b.thread.InnerDiameter) &&
         near(a.thread.ThreadLength, b.thread.ThreadLength) &&
         near(a.thread.OffsetDistance, b.thread.OffsetDistance) && near(x.diameter, y.diameter) &&
         near(x.depth, y.depth) && x.through == y.through &&
         near(x.cboreDiameter, y.cboreDiameter) && near(x.cboreDepth, y.cboreDepth) &&
         near(x.csinkDiameter, y.csinkDiameter) && near(x.csinkAngle, y.csinkAngle) &&
         x.threadDesignation == y.threadDesignation && near(x.threadDepth, y.threadDepth) &&
         x.size == y.size;
}

void AddOrCount(std::vector<HoleDrawing>& sections, HoleDrawing d) {
  for (HoleDrawing& s : sections)
    if (DrawnAlike(s, d)) {
      ++s.callout.count;
      return;
    }
  sections.push_back(std::move(d));
}

}  // namespace

PartInput PartFromScene(scene::Scene& scene) {
  PartInput part;
  const std::vector<scene::Shape*> shapes = scene.MainPart().ShapeItems();
  if (shapes.empty()) throw ExportError("the part has no block to cut the holes from");
  const scene::Component* size = shapes[0]->Store().First(host::comp::kShapeSize);
  if (!size) throw ExportError("the part's first shape has no size to make its block from");
  for (int i = 0; i < 3; ++i) part.block[static_cast<size_t>(i)] = Number(size->Value(i + 1));
  part.solidBrep = shapes[0]->Solid();  // kept in millimetres whatever the page's unit
  for (scene::Shape* s : HoleShapes(scene)) {
    HoleSolidInput& h = part.holes.emplace_back(HoleOf(*s));
    // Its outline was made from values it no longer stores: it is not cut from what it shows.
    h.problem = NotAHole(scene, *s);
    if (!h.problem.empty()) h.chains.clear();
  }
  // The scene keeps lengths in its page unit; the files are in millimetres.
  if (scene.ActivePage().LengthUnits() == scene::Units::Inch) {
    for (double& e : part.block) e *= rt::kMmPerInch;
    for (HoleSolidInput& h : part.holes) {
      for (double& c : h.position) c *= rt::kMmPerInch;
      for (ProfileChain& chain : h.chains)
        for (auto& p : chain) p = {p[0] * rt::kMmPerInch, p[1] * rt::kMmPerInch};
    }
  }
  return part;
}

double MaterialAlongAxis(const std::array<double, 3>& block, const HoleSolidInput& hole) {
  const double len = std::hypot(hole.normal[0], hole.normal[1], hole.normal[2]);
  if (!(len > 0)) return 0;
  // Slab method: the ray from the position along the axis against the block's three slabs.
  double enter = 0, leave = std::numeric_limits<double>::infinity();
  for (size_t k = 0; k < 3; ++k) {
    const double d = hole.normal[k] / len, p = hole.position[k];
    if (std::fabs(d) < 1e-15) {
      if (p < -kTol || p > block[k] + kTol) return 0;
      continue;
    }
    double t0 = (0 - p) / d, t1 = (block[k] - p) / d;
    if (t0 > t1) std::swap(t0, t1);
    enter = std::max(enter, t0);
    leave = std::min(leave, t1);
  }
  return leave > enter && std::isfinite(leave) ? leave : 0;
}

std::vector<HoleDrawing> DrawingsFromScene(scene::Scene& scene,
                                           std::vector<std::string>& warnings) {
  const PartInput part = PartFromScene(scene);
  const std::vector<scene::Shape*> shapes = HoleShapes(scene);
  std::vector<HoleDrawing> out;
  for (size_t i = 0; i < shapes.size(); ++i) {
    const HoleSolidInput& hole = part.holes[i];
    const scene::Component* data = shapes[i]->Store().First(host::comp::kHoleData);
    // A dropped shape whose dialog was closed has neither outline nor parameters: an empty
    // section of it would only puzzle the shop.
    if (hole.chains.empty() && !data) {
      warnings.push_back(shapes[i]->Describe() +
                         ": not drawn, it is not a hole (its dialog was closed)");
      continue;
    }
    if (!hole.problem.empty()) {
      warnings.push_back(shapes[i]->Describe() + ": not drawn, it is not a hole: " + hole.problem);
      continue;
    }
    HoleDrawing d;
    d.name = hole.name;
    d.chains = hole.chains;
    const double material = MaterialAlongAxis(part.block, hole);
    if (!hole.chains.empty()) d.callout = CalloutFromProfile(hole.chains[0], material);
    if (d.callout.through) d.partThickness = material;
    d.thread = ThreadOf(scene, *shapes[i], warnings);
    if (d.thread.threaded) {
      d.callout.threadDesignation = Designation(*shapes[i], d.thread);
      d.callout.threadDepth =
          d.thread.OffsetDistance + d.thread.ThreadLength >= material - kTol && material > 0
              ? 0
              : d.thread.ThreadLength;
    }
    if (data) d.callout.size = NominalSize(scene, *shapes[i], *data);
    AddOrCount(out, std::move(d));
  }
  return out;
}

std::vector<std::string> ExportModel(scene::Scene& scene, const std::string& path,
                                     const std::string& modelName, const ExportOptions& options) {
  const std::string lower = Lower(path);
  auto endsWith = [&](const char* ext) {
    const std::string e(ext);
    return lower.size() > e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0;
  };
  std::vector<std::string> report;
  if (endsWith(".svg")) {
    std::vector<std::string> warnings;
    const std::vector<HoleDrawing> holes = DrawingsFromScene(scene, warnings);
    WriteSectionSheet(holes, {"Hole sections", modelName}, path);
    size_t count = 0;
    for (const HoleDrawing& h : holes) count += static_cast<size_t>(std::max(h.callout.count, 1));
    std::string line = "wrote " + path + ": section sheet of " + std::to_string(count) + " hole" +
                       (count == 1 ? "" : "s");
    if (count != holes.size())
      line += " in " + std::to_string(holes.size()) + " section" + (holes.size() == 1 ? "" : "s");
    report.push_back(line);
    for (auto& w : warnings) report.push_back("warning: " + w);
    return report;
  }
  const bool step = endsWith(".step") || endsWith(".stp");
  const bool stl = endsWith(".stl");
  const bool glb = endsWith(".glb");
  if (!step && !stl && !glb)
    throw ExportError("cannot export to \"" + path +
                      "\": the file name must end in .step, .stp, .stl, .glb or .svg");
#ifdef CAVIX_WITH_OCCT
  const PartInput part = PartFromScene(scene);
  const ExportSummary s = step  ? ExportStep(part, path, options)
                          : stl ? ExportStl(part, path, options)
                                : ExportGltf(part, path, options);
  std::ostringstream line;
  line.precision(10);
  line << "wrote " << path << ": " << s.holesCut << " hole" << (s.holesCut == 1 ? "" : "s")
       << " cut, " << s.solids << " solid" << (s.solids == 1 ? "" : "s");
  if (step) {
    line << ", volume " << s.volume << " mm3 (block " << s.blockVolume << " mm3)";
  } else {
    line << ", " << s.triangles << " triangles, volume " << s.volume << " mm3 of the mesh (solid "
         << s.solidVolume << " mm3, block " << s.blockVolume << " mm3, deflection " << s.deflection
         << " mm)";
  }
  report.push_back(line.str());
  for (const auto& m : s.misses) report.push_back("warning: " + m);
  for (const auto& w : s.warnings) report.push_back("warning: " + w);
  return report;
#else
  (void)options;
  throw ExportError("cannot export to \"" + path +
                    "\": this build of Cavix has no Open CASCADE (STEP, STL and glTF need it)");
#endif
}

}  // namespace cavix::exporter
