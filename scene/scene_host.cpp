// The scene as a whole: new models, dropped shapes, shape lookup, the component registry and the
// host-side events that create the add-in's classes and call them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "runtime/error.h"
#include "runtime/fp.h"
#include "scene/scene.h"
#include "scene/services.h"
#include "scene/text_util.h"

namespace cavix::scene {

namespace {

constexpr int kCantCreate = 429;  // "ActiveX component can't create object"

bool ParseId(std::string_view ref, int32_t& id) {
  if (ref.size() < 2 || ref.front() != '#') return false;
  long long v = 0;
  for (char c : ref.substr(1)) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > INT32_MAX) return false;
  }
  id = static_cast<int32_t>(v);
  return true;
}

}  // namespace

Scene::Scene() = default;

Scene::~Scene() = default;

std::string BlockExtentsProblem(const Vec3& extents, Units units) {
  const double mmPer = units == Units::Inch ? rt::kMmPerInch : 1;
  const auto shown = [](double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return std::string(buf);
  };
  for (double e : {extents.x, extents.y, extents.z})
    if (!(e * mmPer >= kMinBlockExtentMm && e * mmPer <= kMaxBlockExtentMm))  // NaN too
      return "a block extent must be from " + shown(kMinBlockExtentMm) + " to " +
             shown(kMaxBlockExtentMm) + " mm, not " + shown(e) +
             (mmPer == 1 ? "" : " inch (" + shown(e * mmPer) + " mm)");
  return {};
}

std::unique_ptr<Scene> Scene::NewModel(Vec3 block, Units units, int precision) {
  if (const std::string problem = BlockExtentsProblem(block, units); !problem.empty())
    rt::Raise(rt::err::kInvalidCall, problem, "Scene");
  auto scene = std::make_unique<Scene>();
  scene->app_.SetDialogPrecision(Variant(static_cast<int32_t>(precision)));
  Page& page = scene->app_.AddPage(units);
  Part& part = page.AddPart(scene->NextPartId(), "Part 1");
  Shape& shape = scene->AddShape(part, "Block");
  Component& size = shape.Components(host::comp::kShapeSize).AddComponent();
  size.SetValue(1, Variant(block.x));
  size.SetValue(2, Variant(block.y));
  size.SetValue(3, Variant(block.z));
  scene->app_.Catalogs().Open(kCatalogFile);
  return scene;
}

Part& Scene::MainPart() {
  Page& page = ActivePage();
  if (page.Parts().empty())
    rt::Raise(rt::err::kObjectVariableNotSet, "the page has no part", "Scene");
  return *page.Parts().front();
}

Shape& Scene::AddShape(Part& part, std::string name) {
  return part.AddShape(NextShapeId(), std::move(name));
}

Shape& Scene::AddDroppedShape(Vec3 normal, Vec3 position) {
  for (double v : {normal.x, normal.y, normal.z, position.x, position.y, position.z})
    if (!std::isfinite(v))
      rt::Raise(rt::err::kInvalidCall, "a drop needs finite coordinates", "Scene");
  if (normal.x == 0 && normal.y == 0 && normal.z == 0)
    rt::Raise(rt::err::kInvalidCall, "a drop needs a non-zero normal", "Scene");
  Shape& shape = AddShape(MainPart(), kCatalogLabel);
  shape.SetNormal(normal);
  shape.SetPosition(position);
  shape.Components(host::comp::kShapeSize).Add();
  shape.Components(host::comp::kRebuildFlags).Add();
  shape.Components(host::comp::kRevolve).Add().Profile().Components(host::comp::kProfileSize).Add();
  return shape;
}

namespace {

int32_t TakeId(int64_t& next, const char* what) {
  if (next > INT32_MAX)
    rt::Raise(rt::err::kOverflow,
              std::string("no ") + what + " id is left: the model already holds one with the id " +
                  std::to_string(INT32_MAX) + ", the largest there is",
              "Scene");
  return static_cast<int32_t>(next++);
}

}  // namespace

int32_t Scene::NextShapeId() { return TakeId(nextShapeId_, "shape"); }
int32_t Scene::NextPartId() { return TakeId(nextPartId_, "part"); }

void Scene::NoteIds(int32_t shapeId, int32_t partId) {
  nextShapeId_ = std::max<int64_t>(nextShapeId_, int64_t{shapeId} + 1);
  nextPartId_ = std::max<int64_t>(nextPartId_, int64_t{partId} + 1);
}

std::vector<Shape*> Scene::AllShapes() const {
  std::vector<Shape*> out;
  for (const auto& page : app_.Pages())
    for (const auto& part : page->Parts())
      for (Shape* s : part->ShapeItems()) out.push_back(s);
  return out;
}

std::vector<Shape*> Scene::BoundShapes() const {
  std::vector<Shape*> out;
  for (Shape* s : AllShapes())
    if (!s->BindingTag().empty()) out.push_back(s);
  return out;
}

Shape* Scene::FindShapeById(int32_t id) const {
  for (Shape* s : AllShapes())
    if (s->Id() == id) return s;
  return nullptr;
}

Shape* Scene::FindShape(std::string_view ref) const {
  int32_t id = 0;
  if (ParseId(ref, id)) return FindShapeById(id);
  for (Shape* s : AllShapes())
    if (s->Name() == ref) return s;
  return nullptr;
}

Shape& Scene::ResolveShape(std::string_view ref) const {
  int32_t id = 0;
  if (ParseId(ref, id)) {
    if (Shape* s = FindShapeById(id)) return *s;
    rt::Raise(rt::err::kInvalidCall, "no shape has the id " + std::string(ref), "Scene");
  }
  std::vector<Shape*> found;
  for (Shape* s : AllShapes())
    if (s->Name() == ref) found.push_back(s);
  if (found.empty())
    rt::Raise(rt::err::kInvalidCall, "no shape is named \"" + std::string(ref) + "\"", "Scene");
  if (found.size() > 1) {
    std::string ids;
    for (Shape* s : found) ids += (ids.empty() ? "#" : ", #") + std::to_string(s->Id());
    rt::Raise(
        rt::err::kInvalidCall,
        "several shapes are named \"" + std::string(ref) + "\" (" + ids + "); name one by its #ID",
        "Scene");
  }
  return *found.front();
}

void Scene::DiscardShape(Shape& shape) {
  Part* part = shape.ParentPart();
  if (!part || !part->DiscardShape(shape))
    rt::Raise(rt::err::kInvalidCall, "shape " + shape.Describe() + " is not on a part",
              "ShapeDiscard");
  for (const auto& page : app_.Pages()) page->Deselect(shape);
}

// ---- component registry ----

void Scene::RegisterClasses(std::vector<host::ClassInfo> classes) {
  for (auto& c : classes) {
    auto same = [&](const host::ClassInfo& k) { return EqualsIgnoreCase(k.progId, c.progId); };
    classes_.erase(std::remove_if(classes_.begin(), classes_.end(), same), classes_.end());
    classes_.push_back(std::move(c));
  }
}

const host::ClassInfo* Scene::FindClassByProgId(std::string_view progId) const {
  for (const auto& c : classes_)
    if (EqualsIgnoreCase(c.progId, progId)) return &c;
  return nullptr;
}

const host::ClassInfo* Scene::FindClassByTag(std::string_view tag) const {
  for (const auto& c : classes_)
    if (EqualsIgnoreCase(c.classId, tag)) return &c;
  return nullptr;
}

// ---- events ----

const host::ClassInfo& Scene::BoundClass(const Shape& shape) const {
  std::string tag = shape.BindingTag();
  if (tag.empty())
    rt::Raise(kCantCreate, "shape " + shape.Describe() + " is not bound to a class", "Scene");
  const host::ClassInfo* info = FindClassByTag(tag);
  if (!info)
    rt::Raise(kCantCreate, "shape " + shape.Describe() + " is bound to the unknown class " + tag,
              "Scene");
  return *info;
}

std::unique_ptr<host::IAutomationObject> Scene::Create(const host::ClassInfo& info) const {
  std::unique_ptr<host::IAutomationObject> obj = info.create ? info.create() : nullptr;
  if (!obj) rt::Raise(kCantCreate, "class " + info.progId + " could not be created", "Scene");
  return obj;
}

namespace {

template <class I>
I& Expect(host::IAutomationObject& object, const host::ClassInfo& info, const char* what) {
  auto* i = dynamic_cast<I*>(&object);
  if (!i) rt::Raise(rt::err::kNoSuchMember, "class " + info.progId + " does not " + what, "Scene");
  return *i;
}

}  // namespace

void Scene::DoubleClick(Shape& shape) {
  const host::ClassInfo& info = BoundClass(shape);
  auto obj = Create(info);
  int32_t x = 0, y = 0;
  Expect<host::IShapeEvents>(*obj, info, "handle double clicks").DblClick(shape, x, y);
}

void Scene::Regenerate(Shape& shape) {
  const host::ClassInfo& info = BoundClass(shape);
  auto obj = Create(info);
  Expect<host::IShapeEvents>(*obj, info, "handle regeneration").Update(shape);
}

void Scene::DropCatalogEntry(Shape& shape) {
  std::vector<Shape*> shapes{&shape};
  DropCatalogEntry(shapes);
}

void Scene::DropCatalogEntry(const std::vector<Shape*>& shapes) {
  const host::ClassInfo* info = nullptr;
  std::string handler;
  if (Catalog* catalog = app_.Catalogs().Find(kCatalogFile))
    for (const auto& entry : catalog->Entries().All())
      if (entry->Label() == kCatalogLabel) {
        handler = entry->Item().BindingTag();
        break;
      }
  if (!handler.empty()) {
    info = FindClassByTag(handler);
    if (!info)
      rt::Raise(kCantCreate, "the catalog entry's handler " + handler + " is not registered",
                "Scene");
  } else {
    info = FindClassByProgId(kDropHoleProgId);
    if (!info)
      rt::Raise(kCantCreate, std::string("class ") + kDropHoleProgId + " is not registered",
                "Scene");
  }
  auto obj = Create(*info);
  host::IDropHandler& drop = Expect<host::IDropHandler>(*obj, *info, "handle catalog drops");
  if (shapes.size() == 1) {
    int32_t x = 0, y = 0;
    drop.Drop(*shapes.front(), x, y);
    return;
  }
  std::vector<host::IShape*> all(shapes.begin(), shapes.end());
  drop.DropPattern(all);
}

Bound<host::IProjectedThreads> Scene::ThreadQuery(Shape& shape) {
  const host::ClassInfo& info = BoundClass(shape);
  Bound<host::IProjectedThreads> b;
  b.object = Create(info);
  b.iface = &Expect<host::IProjectedThreads>(*b.object, info, "answer thread queries");
  return b;
}

void Scene::InstallServices(ServiceConfig config) {
  config_ = std::move(config);
  services_ = MakeServiceFactory(*this, config_);
  app_.SetServices(services_.get());
}

}  // namespace cavix::scene
