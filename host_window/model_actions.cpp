// The window's calls into the scene and the add-in.
#include "host_window/model_actions.h"

#include <algorithm>

#include "dialog/dialog.h"
#include "dialog/initialize.h"
#include "export/scene_export.h"
#include "forms/qt/window_driver.h"
#include "hole_objects/class_list.h"
#include "runtime/error.h"
#include "scene/model_file.h"
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

bool OnPart(scene::Scene& model, const scene::Shape* shape) {
  const std::vector<scene::Shape*> shapes = model.MainPart().ShapeItems();
  return shape && std::find(shapes.begin(), shapes.end(), shape) != shapes.end();
}

// Shapes bound to a hole class regenerate; a catalog item's drop handler does not.
bool IsHole(const scene::Scene& model, const scene::Shape& shape) {
  const host::ClassInfo* info = model.FindClassByTag(shape.BindingTag());
  if (!info) return false;
  for (const host::ClassInfo& hole : HoleClasses())
    if (hole.progId == info->progId) return true;
  return false;
}

scene::Component& SizeOf(const scene::Scene& model) {
  const std::vector<scene::Shape*> shapes =
      const_cast<scene::Scene&>(model).MainPart().ShapeItems();
  scene::Component* size =
      shapes.empty() ? nullptr : shapes.front()->Store().First(host::comp::kShapeSize);
  if (!size) rt::Raise(rt::err::kSubscript, "the part has no first shape with a size", "Window");
  return *size;
}

}  // namespace

ModelActions::ModelActions(scene::ServiceConfig services, std::vector<host::ClassInfo> classes)
    : services_(std::move(services)), classes_(std::move(classes)) {
  dialog::RegisterEditHandler();
}

void ModelActions::Ready(scene::Scene& model) const {
  model.RegisterClasses(classes_);
  model.InstallServices(services_);
}

std::unique_ptr<scene::Scene> ModelActions::Load(const std::string& path) const {
  auto model = scene::LoadModel(path);
  Ready(*model);
  return model;
}

std::unique_ptr<scene::Scene> ModelActions::FromText(const std::string& text,
                                                     const std::string& path) const {
  auto model = scene::ModelFromText(text, path);
  Ready(*model);
  return model;
}

std::string ModelActions::Text(const scene::Scene& model) { return scene::ModelText(model); }

void ModelActions::Save(const scene::Scene& model, const std::string& path) {
  scene::SaveModel(model, path);
}

Outcome ModelActions::Drop(scene::Scene& model, scene::Vec3 at, scene::Vec3 axis,
                           const DialogUser& user, int32_t* placed) const {
  if (model.ActivePage().LengthUnits() == scene::Units::Inch)
    at = {at.x / kMmPerInch, at.y / kMmPerInch, at.z / kMmPerInch};
  scene::Shape* shape = nullptr;
  const int dialogs = qtview::RunInWindows(
      [&] {
        shape = &model.AddDroppedShape(axis, at);
        model.DropCatalogEntry(*shape);
      },
      user);
  if (OnPart(model, shape) && !shape->BindingTag().empty()) {
    if (placed) *placed = shape->Id();
    return Outcome::Done;
  }
  // A refused drop leaves the dropped shape as it was; the window keeps no shape without a hole.
  if (OnPart(model, shape)) model.DiscardShape(*shape);
  return dialogs == 0 ? Outcome::Refused : Outcome::Cancelled;
}

Outcome ModelActions::Edit(scene::Scene& model, int32_t id, const DialogUser& user) const {
  scene::Shape& shape = ShapeById(model, id);
  dialog::SetLastDialogResult(dialog::DialogResult::None);
  qtview::RunInWindows([&] { model.DoubleClick(shape); }, user);
  switch (dialog::LastDialogResult()) {
    case dialog::DialogResult::Applied:
      return Outcome::Done;
    case dialog::DialogResult::Unchanged:
      return Outcome::Unchanged;
    default:
      return Outcome::Cancelled;
  }
}

void ModelActions::Delete(scene::Scene& model, int32_t id) {
  model.DiscardShape(ShapeById(model, id));
}

void ModelActions::Resize(scene::Scene& model, scene::Vec3 extents) {
  if (HasOwnSolid(model))
    rt::Raise(rt::err::kInvalidCall, "the part is made from a STEP file: its size is its solid's",
              "Window");
  scene::Component& size = SizeOf(model);
  size.SetValue(1, extents.x);
  size.SetValue(2, extents.y);
  size.SetValue(3, extents.z);
  for (scene::Shape* s : model.BoundShapes())
    if (IsHole(model, *s)) model.Regenerate(*s);
}

exporter::PartInput ModelActions::Part(scene::Scene& model, std::vector<int32_t>& ids) {
  exporter::PartInput part = exporter::PartFromScene(model);
  // The holes of PartFromScene: the part's other shapes with a revolved feature, in order.
  ids.clear();
  const std::vector<scene::Shape*> shapes = model.MainPart().ShapeItems();
  for (size_t i = 1; i < shapes.size(); ++i)
    if (shapes[i]->Store().First(host::comp::kRevolve)) ids.push_back(shapes[i]->Id());
  if (ids.size() != part.holes.size())
    rt::Raise(rt::err::kInvalidCall, "the part's holes do not match its shapes", "Window");
  return part;
}

scene::Vec3 ModelActions::Extents(const scene::Scene& model) {
  const scene::Component& size = SizeOf(model);
  auto value = [&](int32_t i) {
    const rt::Variant v = size.Value(i);
    return v.IsNumeric() ? rt::CDbl(v) : 0.0;
  };
  return {value(1), value(2), value(3)};
}

bool ModelActions::HasOwnSolid(const scene::Scene& model) {
  const std::vector<scene::Shape*> shapes =
      const_cast<scene::Scene&>(model).MainPart().ShapeItems();
  return !shapes.empty() && !shapes.front()->Solid().empty();
}

std::vector<ShapeRow> ModelActions::Shapes(const scene::Scene& model) {
  std::vector<ShapeRow> rows;
  for (scene::Shape* s : const_cast<scene::Scene&>(model).MainPart().ShapeItems())
    rows.push_back({s->Id(), s->Describe(), IsHole(model, *s)});
  return rows;
}

std::vector<CatalogRow> ModelActions::Catalogs(const scene::Scene& model) {
  std::vector<CatalogRow> rows;
  bool shipped = false;
  for (const auto& catalog : model.App().Catalogs().All()) {
    CatalogRow row{catalog->Name(), {}};
    for (const auto& entry : catalog->Entries().All()) row.entries.push_back(entry->Label());
    if (scene::EqualsIgnoreCase(catalog->Name(), scene::kCatalogName)) {
      shipped = true;
      if (std::find(row.entries.begin(), row.entries.end(), scene::kCatalogLabel) ==
          row.entries.end())
        row.entries.push_back(scene::kCatalogLabel);
    }
    rows.push_back(std::move(row));
  }
  if (!shipped) rows.push_back({scene::kCatalogName, {scene::kCatalogLabel}});
  return rows;
}

}  // namespace cavix::hostwindow
