// The window's gestures as actions on its workspace, and what it shows of the model.
#include "host_window/model_actions.h"

#include <algorithm>
#include <cmath>

#include "actions/design_check.h"
#include "actions/holes.h"
#include "actions/move.h"
#include "export/scene_export.h"
#include "forms/qt/window_driver.h"
#include "hole_objects/hole_kinds.h"
#include "runtime/error.h"
#include "scene/text_util.h"

namespace cavix::hostwindow {

namespace {

constexpr double kMmPerInch = 25.4;

scene::Shape& ShapeById(const scene::Scene& model, int32_t id) {
  scene::Shape* shape = model.FindShapeById(id);
  if (!shape)
    rt::Raise(rt::err::kInvalidCall, "no shape has the id #" + std::to_string(id), "Window");
  return *shape;
}

scene::Component& SizeOf(const scene::Scene& model) {
  const std::vector<scene::Shape*> shapes =
      const_cast<scene::Scene&>(model).MainPart().ShapeItems();
  scene::Component* size =
      shapes.empty() ? nullptr : shapes.front()->Store().First(host::comp::kShapeSize);
  if (!size) rt::Raise(rt::err::kSubscript, "the part has no first shape with a size", "Window");
  return *size;
}

// The dialogs of one action in windows, each handed to `user` as it shows.
actions::DialogPlayer WindowPlayer(const DialogUser& user) {
  return actions::DialogPlayer(
      [user](const auto& call) { return qtview::RunInWindows(call, user); });
}

Outcome OutcomeOf(const actions::DialogOutcome& done) {
  if (!done.shown) return Outcome::Refused;
  switch (done.result) {
    case dialog::DialogResult::Applied:
      return Outcome::Done;
    case dialog::DialogResult::Unchanged:
      return Outcome::Unchanged;
    default:
      return Outcome::Cancelled;
  }
}

}  // namespace

LengthUnit UnitOf(const scene::Scene& model) {
  if (const_cast<scene::Scene&>(model).ActivePage().LengthUnits() == scene::Units::Inch)
    return {kMmPerInch, "in"};
  return {};
}

Outcome DropOnFace(actions::Workspace& w, std::vector<actions::Placement> at,
                   const DialogUser& user, std::vector<int32_t>* placed) {
  // The view is in millimetres; the drop, as `cavix drop --at`, is in the page's units.
  const double mm = UnitOf(w.Model()).mm;
  for (actions::Placement& p : at)
    p.position = {p.position.x / mm, p.position.y / mm, p.position.z / mm};
  actions::DialogPlayer player = WindowPlayer(user);
  const actions::DialogOutcome done = actions::Drop(w, at, player);
  if (placed)
    for (const scene::Shape* s : done.holes) placed->push_back(s->Id());
  return OutcomeOf(done);
}

Outcome EditHole(actions::Workspace& w, int32_t id, const DialogUser& user, bool allLike) {
  scene::Shape& shape = ShapeById(w.Model(), id);
  actions::DialogPlayer player = WindowPlayer(user);
  return OutcomeOf(actions::Edit(w, shape, allLike, player));
}

void MoveHolesTo(scene::Scene& model, const std::vector<std::pair<int32_t, scene::Vec3>>& moves) {
  const double mm = UnitOf(model).mm;
  std::vector<std::pair<scene::Shape*, actions::Placement>> to;
  for (const auto& [id, at] : moves) {
    scene::Shape& s = ShapeById(model, id);
    to.push_back({&s, {{at.x / mm, at.y / mm, at.z / mm}, s.Normal()}});
  }
  actions::MoveHoles(model, to);
}

void DeleteShapes(scene::Scene& model, const std::vector<int32_t>& ids) {
  for (int32_t id : ids) model.DiscardShape(ShapeById(model, id));
}

std::vector<int32_t> HolesLike(scene::Scene& model, int32_t id) {
  std::vector<int32_t> ids;
  for (const scene::Shape* s : actions::HolesLike(model, ShapeById(model, id)))
    ids.push_back(s->Id());
  return ids;
}

exporter::PartInput PartOf(scene::Scene& model, std::vector<partsolid::HoleId>& ids) {
  exporter::PartInput part = exporter::PartFromScene(model);
  // The holes of PartFromScene: the part's other shapes with a revolved feature, in order.
  ids.clear();
  const std::vector<scene::Shape*> shapes = model.MainPart().ShapeItems();
  for (size_t i = 1; i < shapes.size(); ++i)
    if (shapes[i]->Store().First(host::comp::kRevolve))
      ids.push_back(partsolid::HoleId(shapes[i]->Id()));
  CAVIX_ASSERT(ids.size() == part.holes.size(), "the part's holes are its revolved shapes");
  return part;
}

HoleAt PlaceOf(const scene::Scene& model, int32_t id) {
  const scene::Shape& s = ShapeById(model, id);
  const double mm = UnitOf(model).mm;
  const scene::Vec3 p = s.Position(), n = s.Normal();
  const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  if (!(length > 0)) rt::Raise(rt::err::kInvalidCall, s.Describe() + " has no axis", "Window");
  return {{p.x * mm, p.y * mm, p.z * mm}, {n.x / length, n.y / length, n.z / length}};
}

std::map<int32_t, ThreadBand> ThreadBands(scene::Scene& model) {
  std::map<int32_t, ThreadBand> bands;
  const double mm = UnitOf(model).mm;
  for (const holes::HoleFacts& f : exporter::HolesOf(model, /*marked=*/false)) {
    const holes::HoleSpec& h = f.spec;
    if (!holes::FindHoleKindByName(f.boundClass) || !f.IsHole() || !h.threaded ||
        !(h.threadLength > 0))
      continue;
    double offset = 0;
    try {
      offset = h.ThreadStart() * mm;
    } catch (const rt::Error&) {
      continue;  // a recess whose cone cannot be measured: drawn without its thread
    }
    const HoleAt at = PlaceOf(model, f.id);
    bands[f.id] = {{at.position.x + at.axis.x * offset, at.position.y + at.axis.y * offset,
                    at.position.z + at.axis.z * offset},
                   at.axis,
                   h.DrilledDiameter() * mm / 2,
                   h.threadLength * mm};
  }
  return bands;
}

std::vector<Finding> Findings(scene::Scene& model, actions::LiveCheck& check) {
  std::vector<Finding> out;
  for (const actions::Finding& f : check.Update(model))
    out.push_back({f.hole, f.IsError(), f.text});
  return out;
}

scene::Vec3 Extents(const scene::Scene& model) {
  const scene::Component& size = SizeOf(model);
  auto value = [&](int32_t i) {
    const rt::Variant v = size.Value(i);
    return v.IsNumeric() ? rt::CDbl(v) : 0.0;
  };
  return {value(1), value(2), value(3)};
}

bool HasOwnSolid(const scene::Scene& model) {
  const std::vector<scene::Shape*> shapes =
      const_cast<scene::Scene&>(model).MainPart().ShapeItems();
  return !shapes.empty() && !shapes.front()->Solid().empty();
}

std::vector<ShapeRow> Shapes(const scene::Scene& model) {
  std::vector<ShapeRow> rows;
  for (scene::Shape* s : const_cast<scene::Scene&>(model).MainPart().ShapeItems())
    rows.push_back({s->Id(), s->Describe(), actions::IsHole(model, *s)});
  return rows;
}

std::vector<CatalogRow> Catalogs(const scene::Scene& model) {
  std::vector<CatalogRow> rows;
  bool shipped = false;
  for (const auto& catalog : model.App().Catalogs().All()) {
    CatalogRow row{catalog->Name(), {}};
    for (const auto& entry : catalog->Entries().All()) row.entries.push_back(entry->Label());
    if (scene::EqualsIgnoreCase(catalog->Name(), scene::kCatalogFile)) {
      shipped = true;
      if (std::find(row.entries.begin(), row.entries.end(), scene::kCatalogLabel) ==
          row.entries.end())
        row.entries.push_back(scene::kCatalogLabel);
    }
    rows.push_back(std::move(row));
  }
  if (!shipped) rows.push_back({scene::kCatalogFile, {scene::kCatalogLabel}});
  return rows;
}

}  // namespace cavix::hostwindow
