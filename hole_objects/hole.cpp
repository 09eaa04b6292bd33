// Creating, regenerating and double-clicking holes, and the record and class binding they leave
// on their shape.
#include "hole_objects/hole.h"

#include "geometry/create_holes.h"
#include "geometry/units.h"
#include "runtime/error.h"
#include "runtime/number_text.h"

namespace cavix::holes {

namespace {

constexpr int16_t kSlotLength = 11;  // the one slot regeneration rewrites

// Nothing that is not a hole reaches the shape: its outline must go down from the face.
void CheckIsAHole(const HoleSpec& spec, const std::string& shapeName) {
  const geo::HoleCheck check = geo::CheckHole(spec);
  if (!check.Sound())
    rt::Raise(rt::err::kInvalidCall,
              "\"" + shapeName + "\" would not be a hole: " + check.problem);
}

// The first component of a collection, created when there is none.
host::IComponent& FirstOrNew(host::IShape& shape, int32_t type) {
  host::IComponents& c = shape.Components(type);
  return c.Count() == 0 ? c.Add() : c.Item(1);
}

// The shape's new name, from the text of its old name up to its first blank (`firstBlank`
// characters, 0 when it has none) or the kind's prefix, and the size.
std::string ShapeName(const std::string& oldName, size_t firstBlank, const HoleSpec& spec) {
  const HoleKind& kind = *spec.kind;
  if (!spec.threaded) {
    // The number text keeps its leading blank: "Hole " + " 8.5" shows two blanks.
    return (firstBlank >= 1 ? oldName.substr(0, firstBlank) : std::string(kind.plainPrefix)) +
           rt::NumberText(spec.diameter);
  }
  return (firstBlank >= 1 ? oldName.substr(0, firstBlank) + "M"
                          : std::string(kind.threadWord) + " M") +
         rt::TrimmedNumberText(spec.diameter) + (spec.pitch >= 1 ? "x" : "x0") +
         rt::TrimmedNumberText(spec.pitch);
}

std::string GetClassTag(host::IServiceFactory& services, const HoleKind& kind) {
  auto service = services.CreateClassTagService();
  std::string progId(kind.progId);
  int32_t reserved = 0;
  return service->ProgIdToClassTag(progId, reserved);
}

}  // namespace

void BindShapeToClass(host::IShape& objHole, std::string& tag) {
  host::IComponent& events = FirstOrNew(objHole, host::comp::kEventSettings);
  events.SetValue(3, int32_t{5});
  events.SetValue(4, int32_t{5});
  FirstOrNew(objHole, host::comp::kHandler).SetValue(1, tag);
}

void HoleObject::Create(host::IShape& shape, const HoleSpec& spec) {
  CAVIX_ASSERT(spec.kind == &kind_ && spec.recess == kind_.recess,
               "a hole is created by the class of its own kind");
  const std::string oldName = shape.Name();
  const size_t blank = oldName.find(' ');
  const size_t firstBlank = blank == std::string::npos ? 0 : blank + 1;

  CheckIsAHole(spec, oldName);
  geo::CreateHole(shape, spec);
  shape.SetName(ShapeName(shape.Name(), firstBlank, spec));
  EncodeHoleRecord(FirstOrNew(shape, host::comp::kHoleData), RecordOf(spec), kind_);
  std::string tag = GetClassTag(shape.Application().Services(), kind_);
  BindShapeToClass(shape, tag);

  host::IPage& page = shape.Page();
  page.ClearSelectedItems();
  page.Update();
}

void HoleObject::Update(host::IShape& shape) {
  host::IComponent& data = shape.Components(host::comp::kHoleData).Item(1);
  const HoleRecord r = DecodeHoleRecord(data, kind_);
  if (r.throughFlag <= 0) {
    // A blind hole keeps its outline; one whose stored values make no hole is not passed as
    // rebuilt while it shows an outline they no longer describe.
    if (const std::string problem = ProblemOf(SpecOf(r, kind_)); !problem.empty())
      rt::Raise(rt::err::kInvalidCall, "\"" + shape.Name() + "\" is not a hole: " + problem);
    return;
  }

  const HoleSpec spec = ThroughHoleAt(SpecOf(r, kind_), geo::GetThroughDepth(shape), shape.Name());
  CheckIsAHole(spec, shape.Name());
  geo::CreateHole(shape, spec);
  data.SetValue(kNumberGroup, kSlotLength, spec.boreLength);
}

void HoleObject::DblClick(host::IShape& objPart, int32_t& /*x*/, int32_t& /*y*/) {
  if (!edit_) rt::Raise(rt::err::kInvalidCall, "No hole editor is installed to edit this hole");
  edit_(objPart, kind_.type);
}

std::unique_ptr<HoleObject> MakeHole(const HoleKind& kind) {
  switch (kind.type) {
    case 1:
      return std::make_unique<HoleSimple>();
    case 2:
      return std::make_unique<HoleCBore>();
    case 3:
      return std::make_unique<HoleCSink>();
    case 4:
      return std::make_unique<HoleCDrill>();
    default:
      CAVIX_UNREACHABLE("a hole kind outside the kind table");
  }
}

}  // namespace cavix::holes
