// Turns the scene's main part and hole shapes into export data and section drawings, their
// names, callouts and threads from the facts of each hole, and dispatches on the output extension.

#include "export/scene_export.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <sstream>

#include "hole_objects/hole_facts.h"
#include "host/host_model.h"
#include "runtime/error.h"
#include "runtime/fp.h"
#include "runtime/variant.h"

#ifdef CAVIX_WITH_OCCT
#include "export/export.h"
#endif

namespace cavix::exporter {
namespace {

constexpr double kTol = 1e-6;

double Number(const rt::Variant& v) {
  return v.IsNumeric() ? rt::CDbl(v) : std::numeric_limits<double>::quiet_NaN();
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

// Millimetres in one length unit of the scene's page.
double MmPerUnit(scene::Scene& scene) {
  return scene.ActivePage().LengthUnits() == scene::Units::Inch ? rt::kMmPerInch : 1;
}

// "M10x1.5" for a metric thread; the stored size code as it is for other families.
std::string Designation(const holes::HoleFacts& f) {
  const std::string& code = f.spec.sizeCode;
  if (!code.empty() && std::toupper(static_cast<unsigned char>(code[0])) != 'M') return code;
  return "M" + Dim(f.spec.diameter) + "x" + Dim(f.spec.pitch);
}

// "M8, ISO 262 coarse": the size and standard the hole was chosen by; "" without a size.
std::string NominalSize(const holes::HoleFacts& f) {
  std::string size = f.spec.sizeCode;
  // Size codes are padded in the tables (" 8"); the callout shows the code itself.
  size.erase(0, size.find_first_not_of(' '));
  if (size.empty()) return {};
  return f.spec.standard.empty() ? size : size + ", " + f.spec.standard;
}

// What the section of a hole states: the drilled bore and its depth below the recess (THRU for
// a through hole), the counterbore's diameter and depth, the countersink's diameter and included
// angle (a counterdrill's cone: its angle), the thread and the nominal size.
HoleCallout CalloutOf(const holes::HoleFacts& f) {
  HoleCallout c;
  if (f.kind) c.size = NominalSize(f);
  if (!f.IsHole()) return c;
  const holes::HoleSpec& h = f.spec;
  c.diameter = h.DrilledDiameter();
  c.depth = h.boreLength;
  c.through = h.through;
  c.breaksOut = f.breaksOut;
  switch (h.recess) {
    case geo::Recess::None:
      break;
    case geo::Recess::Counterbore:
      c.cboreDiameter = h.recessDiameter;
      c.cboreDepth = h.recessDepth;
      break;
    case geo::Recess::Countersink:
      c.csinkDiameter = h.recessDiameter;
      c.csinkAngle = h.recessAngle;
      break;
    case geo::Recess::Counterdrill:
      c.cboreDiameter = h.recessDiameter;
      c.cboreDepth = h.recessDepth;
      c.csinkAngle = h.recessAngle;
      break;
  }
  if (h.threaded) {
    c.threadDesignation = Designation(f);
    c.threadDepth = f.ThreadThrough() ? 0 : h.threadLength;
  }
  return c;
}

// The cosmetic thread of a threaded hole, from the facts' thread start and length.
ThreadDrawing ThreadOf(const holes::HoleFacts& f) {
  const holes::HoleSpec& h = f.spec;
  if (!f.IsHole() || !h.threaded || !(h.diameter > 0) || !(h.threadLength > 0)) return {};
  try {
    return {true, h.diameter, h.diameter - h.pitch, h.threadLength, h.ThreadStart()};
  } catch (const rt::Error&) {
    return {};  // its sizes cannot be computed: IsHole said so already
  }
}

std::vector<scene::Shape*> HoleShapes(scene::Scene& scene) {
  std::vector<scene::Shape*> shapes = scene.MainPart().ShapeItems();
  std::vector<scene::Shape*> holes;
  for (size_t i = 1; i < shapes.size(); ++i)
    if (shapes[i]->Store().First(host::comp::kRevolve)) holes.push_back(shapes[i]);
  return holes;
}

}  // namespace

HoleSolidInput HoleOf(const holes::HoleFacts& facts, const scene::Shape& shape) {
  HoleSolidInput h;
  h.name = facts.Label();
  h.position = {shape.Position().x, shape.Position().y, shape.Position().z};
  h.normal = {shape.Normal().x, shape.Normal().y, shape.Normal().z};
  const scene::Component* revolve = shape.Store().First(host::comp::kRevolve);
  const scene::Profile* profile = revolve ? revolve->ProfileIfAny() : nullptr;
  // Its outline was made from values it no longer stores: it is not cut from what it shows.
  h.problem = facts.problem;
  if (!profile || !h.problem.empty()) return h;
  if (const scene::ComponentList* chains = profile->Store().Find(host::comp::kChain))
    for (const auto& chain : chains->Items()) {
      ProfileChain pts;
      for (const auto& p : chain->Points()) pts.push_back({p.x, p.y});
      h.chains.push_back(std::move(pts));
    }
  return h;
}

namespace {

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
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
         near(x.depth, y.depth) && x.through == y.through && x.breaksOut == y.breaksOut &&
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
  for (scene::Shape* s : HoleShapes(scene)) part.holes.push_back(HoleOf(FactsOf(scene, *s), *s));
  // The scene keeps lengths in its page unit; the files are in millimetres.
  if (const double mm = MmPerUnit(scene); mm != 1) {
    for (double& e : part.block) e *= mm;
    for (HoleSolidInput& h : part.holes) {
      for (double& c : h.position) c *= mm;
      for (ProfileChain& chain : h.chains)
        for (auto& p : chain) p = {p[0] * mm, p[1] * mm};
    }
  }
  return part;
}

holes::HoleFacts FactsOf(scene::Scene& scene, scene::Shape& shape) {
  const host::ClassInfo* info =
      shape.BindingTag().empty() ? nullptr : scene.FindClassByTag(shape.BindingTag());
  const scene::Vec3& at = shape.Position();
  return holes::FactsOf(shape, shape.Id(), {at.x, at.y, at.z}, info ? info->progId : "");
}

void MarkBreakingOut(holes::HoleFacts& facts, const scene::Shape& shape) {
  if (!facts.IsHole() || facts.spec.through) return;
  const std::optional<host::AxisMaterial> m = shape.MeasureMaterial();
  if (!m) return;
  const bool inch = shape.ParentPart() &&
                    shape.ParentPart()->OwnerPage().LengthUnits() == scene::Units::Inch;
  const double tol = holes::kMaterialToleranceMm / (inch ? rt::kMmPerInch : 1.0);
  const std::optional<double> floor = holes::FloorUnder(facts, *m, tol);
  facts.breaksOut = floor && *floor <= tol;
}

std::vector<holes::HoleFacts> HolesOf(scene::Scene& scene, bool marked) {
  std::vector<holes::HoleFacts> holes;
  for (scene::Shape* s : scene.AllShapes())
    if (s->Store().First(host::comp::kHoleData)) {
      holes.push_back(FactsOf(scene, *s));
      if (marked) MarkBreakingOut(holes.back(), *s);
    }
  return holes;
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
    holes::HoleFacts facts = FactsOf(scene, *shapes[i]);
    MarkBreakingOut(facts, *shapes[i]);
    HoleDrawing d;
    d.name = facts.Label();
    d.chains = hole.chains;
    d.callout = CalloutOf(facts);
    d.thread = ThreadOf(facts);
    if (facts.spec.through) d.partThickness = facts.throughDepth * MmPerUnit(scene);
    AddOrCount(out, std::move(d));
  }
  return out;
}

ExportReport ExportModel(scene::Scene& scene, const std::string& path,
                         const std::string& modelName, const ExportOptions& options) {
  const std::string lower = Lower(path);
  auto endsWith = [&](const char* ext) {
    const std::string e(ext);
    return lower.size() > e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0;
  };
  ExportReport report;
  if (endsWith(".svg")) {
    const std::vector<HoleDrawing> holes = DrawingsFromScene(scene, report.warnings);
    WriteSectionSheet(holes, {"Hole sections", modelName}, path);
    size_t count = 0;
    for (const HoleDrawing& h : holes) count += static_cast<size_t>(std::max(h.callout.count, 1));
    report.written = "wrote " + path + ": section sheet of " + std::to_string(count) + " hole" +
                     (count == 1 ? "" : "s");
    if (count != holes.size())
      report.written +=
          " in " + std::to_string(holes.size()) + " section" + (holes.size() == 1 ? "" : "s");
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
  const ExportSummary& s = report.solid = step  ? ExportStep(part, path, options)
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
  report.written = line.str();
  report.warnings = s.misses;
  report.warnings.insert(report.warnings.end(), s.warnings.begin(), s.warnings.end());
  return report;
#else
  (void)options;
  throw ExportError("cannot export to \"" + path +
                    "\": this build of Cavix has no Open CASCADE (STEP, STL and glTF need it)");
#endif
}

}  // namespace cavix::exporter
