// The window's gestures as actions on its workspace, and what it shows of the model.
#include "host_window/model_actions.h"

#include <algorithm>

#include "actions/holes.h"
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

Outcome DropOnFace(actions::Workspace& w, scene::Vec3 at, scene::Vec3 axis, const DialogUser& user,
                   int32_t* placed) {
  // The view is in millimetres; the drop, as `cavix drop --at`, is in the page's units.
  if (w.Model().ActivePage().LengthUnits() == scene::Units::Inch)
    at = {at.x / kMmPerInch, at.y / kMmPerInch, at.z / kMmPerInch};
  actions::DialogPlayer player = WindowPlayer(user);
  const actions::DialogOutcome done = actions::Drop(w, {{at, axis}}, player);
  if (placed && !done.holes.empty()) *placed = done.holes.front()->Id();
  return OutcomeOf(done);
}

Outcome EditHole(actions::Workspace& w, int32_t id, const DialogUser& user) {
  scene::Shape& shape = ShapeById(w.Model(), id);
  actions::DialogPlayer player = WindowPlayer(user);
  return OutcomeOf(actions::Edit(w, shape, false, player));
}

void DeleteShape(scene::Scene& model, int32_t id) { model.DiscardShape(ShapeById(model, id)); }

exporter::PartInput PartOf(scene::Scene& model, std::vector<int32_t>& ids) {
  exporter::PartInput part = exporter::PartFromScene(model);
  // The holes of PartFromScene: the part's other shapes with a revolved feature, in order.
  ids.clear();
  const std::vector<scene::Shape*> shapes = model.MainPart().ShapeItems();
  for (size_t i = 1; i < shapes.size(); ++i)
    if (shapes[i]->Store().First(host::comp::kRevolve)) ids.push_back(shapes[i]->Id());
  CAVIX_ASSERT(ids.size() == part.holes.size(), "the part's holes are its revolved shapes");
  return part;
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

std::vector<ShapeRow> Shapes(scene::Scene& model) {
  std::vector<ShapeRow> rows;
  for (scene::Shape* s : model.MainPart().ShapeItems()) {
    // A hole is a shape bound to a hole class; a catalog item's drop handler is none.
    const holes::HoleFacts facts = exporter::FactsOf(model, *s);
    const bool hole = !facts.boundClass.empty() && holes::FindHoleKindByName(facts.boundClass);
    rows.push_back({s->Id(), facts.Label(), hole});
  }
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
