// The facts of a hole: its record read once, the hole it describes, and the part along its axis.
#include "hole_objects/hole_facts.h"

#include "geometry/units.h"
#include "runtime/error.h"

namespace cavix::holes {

std::string HoleFacts::Label() const { return "#" + std::to_string(id) + " \"" + name + "\""; }

bool HoleFacts::ThreadThrough() const {
  return spec.through && spec.threaded && spec.threadLength >= spec.boreLength;
}

std::optional<double> FloorUnder(const HoleFacts& f, const host::AxisMaterial& m,
                                 double tolerance) {
  if (!f.IsHole() || f.spec.through || !m.Measured()) return std::nullopt;
  const host::MaterialSpan* ahead = m.Ahead(tolerance);
  if (!ahead) return std::nullopt;
  const geo::ProfileSizes sizes = geo::ComputeSizes(f.spec);
  const double deepest = geo::RecessBottom(f.spec, sizes) + f.spec.boreLength + sizes.pointHeight;
  return ahead->exit - deepest;
}

HoleFacts FactsOf(host::IShape& shape, int32_t id, const std::array<double, 3>& position,
                  std::string_view boundClass) {
  HoleFacts f;
  f.id = id;
  f.name = shape.Name();
  f.boundClass = std::string(boundClass);
  f.position = position;
  shape.GetNormal(f.axis[0], f.axis[1], f.axis[2]);
  try {
    f.throughDepth = geo::GetThroughDepth(shape);
  } catch (const rt::Error&) {
    f.throughDepth = 0;  // a shape outside a measurable part
  }
  const host::IComponent* data = HoleData(shape);
  if (!data) return f;
  f.kind = StoredHoleKind(boundClass, *data);
  const HoleKind& kind = f.kind ? *f.kind : kHoleKinds[0];
  f.spec = SpecOfKind(kind);
  try {
    f.stored = DecodeHoleRecord(*data, kind);
  } catch (const rt::Error& e) {
    f.problem = e.Description();
    return f;
  }
  f.read = true;
  f.spec = SpecOf(f.stored, kind);
  f.problem = ProblemOf(f.spec);
  return f;
}

}  // namespace cavix::holes
