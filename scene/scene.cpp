// The in-memory scene's object model: components and their collections, profiles, finishes,
// shapes, parts, pages, catalogs and the application.
#include "scene/scene.h"

#include <algorithm>
#include <cmath>

#include "runtime/error.h"
#include "runtime/fp.h"
#include "scene/text_util.h"

namespace cavix::scene {

namespace {

// The host keeps only values it can save: a double that is not finite is refused.
void CheckStorable(const Variant& v) {
  if (v.Type() == rt::VarType::Double && !std::isfinite(v.F64()))
    rt::Raise(rt::err::kOverflow, {}, "Scene");
}

double FiniteDouble(const Variant& v) { return rt::Checked(rt::CDbl(v)); }

}  // namespace

// ---- surface finish ----

void SurfaceFinish::SetTextureFile(const std::string& path) { data_.textureFile = path; }
void SurfaceFinish::Store(Variant FinishData::*member, const Variant& v) {
  CheckStorable(v);
  data_.*member = v;
}
void SurfaceFinish::SetProjectionType(int16_t, const Variant& v) {
  Store(&FinishData::projectionType, v);
}
void SurfaceFinish::SetVerticalRatio(int16_t, const Variant& v) {
  Store(&FinishData::verticalRatio, v);
}
void SurfaceFinish::SetHorizontalRatio(int16_t, const Variant& v) {
  Store(&FinishData::horizontalRatio, v);
}
void SurfaceFinish::SetProjectionWidth(int16_t, const Variant& v) {
  Store(&FinishData::projectionWidth, v);
}
void SurfaceFinish::SetProjectionHeight(int16_t, const Variant& v) {
  Store(&FinishData::projectionHeight, v);
}
void SurfaceFinish::SetFlip(int16_t, const Variant& v) { Store(&FinishData::flip, v); }
void SurfaceFinish::SetUpDirection(int16_t, double& nx, double& ny, double& nz) {
  data_.upDirection = Vec3{rt::Checked(nx), rt::Checked(ny), rt::Checked(nz)};
}

// ---- component collections ----

int32_t ComponentList::Count() const { return static_cast<int32_t>(items_.size()); }

host::IComponent& ComponentList::Item(int16_t index) { return At(index); }
host::IComponent& ComponentList::Add() { return AddComponent(); }

Component& ComponentList::At(int16_t index) {
  if (index < 1 || index > Count()) rt::Raise(rt::err::kSubscript, {}, "Components");
  return *items_[static_cast<size_t>(index - 1)];
}

Component& ComponentList::AddComponent() {
  items_.push_back(std::make_unique<Component>(type_));
  return *items_.back();
}

void ComponentList::Append(std::unique_ptr<Component> c) { items_.push_back(std::move(c)); }

void ComponentList::Remove(host::IComponent& member) {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const std::unique_ptr<Component>& c) { return c.get() == &member; });
  if (it == items_.end())
    rt::Raise(rt::err::kInvalidCall, "the component is not a member of this collection",
              "Components");
  removed_.push_back(std::move(*it));
  items_.erase(it);
}

ComponentList& ComponentStore::Get(int32_t type) {
  auto& slot = lists_[type];
  if (!slot) slot = std::make_unique<ComponentList>(type);
  return *slot;
}

const ComponentList* ComponentStore::Find(int32_t type) const {
  auto it = lists_.find(type);
  return it == lists_.end() ? nullptr : it->second.get();
}

Component* ComponentStore::First(int32_t type) {
  auto it = lists_.find(type);
  if (it == lists_.end() || it->second->Items().empty()) return nullptr;
  return it->second->Items().front().get();
}

const Component* ComponentStore::First(int32_t type) const {
  return const_cast<ComponentStore*>(this)->First(type);
}

std::vector<const ComponentList*> ComponentStore::Lists() const {
  std::vector<const ComponentList*> out;
  for (const auto& [type, list] : lists_)
    if (list->Count() > 0) out.push_back(list.get());
  return out;
}

void ComponentStore::CopyFrom(const ComponentStore& other) {
  for (const ComponentList* list : other.Lists()) {
    ComponentList& mine = Get(list->Type());
    for (const auto& c : list->Items()) mine.Append(c->Clone());
  }
}

// ---- shape lists ----

Shape& ShapeList::Item(int32_t index) {
  if (index < 1 || index > Count()) rt::Raise(rt::err::kSubscript, {}, "Shapes");
  return *items_[static_cast<size_t>(index - 1)];
}

bool ShapeList::Remove(const Shape& s) {
  auto it = std::find(items_.begin(), items_.end(), &s);
  if (it == items_.end()) return false;
  items_.erase(it);
  return true;
}

// ---- components ----

Component::Component(int32_t type) : type_(type) {
  if (type_ == host::comp::kRevolve) profile_ = std::make_unique<scene::Profile>();
  if (type_ == host::comp::kPartShapes) shapes_ = std::make_unique<ShapeList>();
}

Component::~Component() = default;

Variant Component::Value(int32_t index) const {
  auto it = vars_.find(index);
  return it == vars_.end() ? Variant{} : it->second;
}

void Component::SetValue(int32_t index, const Variant& v) {
  CheckStorable(v);
  if (v.IsEmpty())
    vars_.erase(index);
  else
    vars_[index] = v;
}

Variant Component::Value(int32_t group, int16_t slot) const {
  auto it = groupVars_.find({group, slot});
  return it == groupVars_.end() ? Variant{} : it->second;
}

void Component::SetValue(int32_t group, int16_t slot, const Variant& v) {
  CheckStorable(v);
  if (v.IsEmpty())
    groupVars_.erase({group, slot});
  else
    groupVars_[{group, slot}] = v;
}

scene::Profile& Component::Profile() {
  if (!profile_) rt::Raise(rt::err::kNoSuchMember, {}, "Component");
  return *profile_;
}

void Component::SetStartPoint(const Variant& x, const Variant& y) {
  if (type_ != host::comp::kChain) host::IComponent::SetStartPoint(x, y);
  Point2 p{FiniteDouble(x), FiniteDouble(y)};
  points_.assign(1, p);
}

void Component::AddLineTo(const Variant& x, const Variant& y) {
  if (type_ != host::comp::kChain) host::IComponent::AddLineTo(x, y);
  if (points_.empty())
    rt::Raise(rt::err::kInvalidCall, "a chain needs a start point before a line", "Chain");
  points_.push_back(Point2{FiniteDouble(x), FiniteDouble(y)});
}

host::ISurfaceFinish& Component::SurfaceFinish(double& x, double& y, double& z, int16_t a,
                                               int16_t b, int16_t c) {
  if (type_ != host::comp::kSurface) return host::IComponent::SurfaceFinish(x, y, z, a, b, c);
  cavix::scene::SurfaceFinish& f = EnsureFinish();
  f.Data().point = Vec3{rt::Checked(x), rt::Checked(y), rt::Checked(z)};
  f.Data().request = {a, b, c};
  return f;
}

cavix::scene::SurfaceFinish& Component::EnsureFinish() {
  if (!finish_) finish_ = std::make_unique<cavix::scene::SurfaceFinish>();
  return *finish_;
}

ShapeList& Component::Shapes() {
  if (!shapes_) rt::Raise(rt::err::kNoSuchMember, {}, "Component");
  return *shapes_;
}

std::unique_ptr<Component> Component::Clone() const {
  auto c = std::make_unique<Component>(type_);
  c->vars_ = vars_;
  c->groupVars_ = groupVars_;
  c->points_ = points_;
  if (profile_) c->profile_->Store().CopyFrom(profile_->Store());
  if (finish_) c->EnsureFinish().Data() = finish_->Data();
  return c;
}

// ---- shapes ----

Shape::Shape(int32_t id, std::string name, Part* part)
    : id_(id), name_(std::move(name)), part_(part) {}

host::IApplication& Shape::Application() { return Page().Application(); }

host::IPage& Shape::Page() {
  if (!part_) rt::Raise(rt::err::kObjectVariableNotSet, {}, "Shape");
  return part_->OwnerPage();
}

host::IPart& Shape::Parent() {
  if (!part_) rt::Raise(rt::err::kObjectVariableNotSet, {}, "Shape");
  return *part_;
}

void Shape::GetNormal(double& nx, double& ny, double& nz) {
  nx = normal_.x;
  ny = normal_.y;
  nz = normal_.z;
}

std::optional<host::AxisMaterial> Shape::MeasureMaterial() const {
  if (!part_) return std::nullopt;
  const MaterialProbe& probe = part_->OwnerPage().OwnerApp().Probe();
  if (!probe) return std::nullopt;
  return probe(*part_, position_, normal_);
}

std::optional<host::AxisMaterial> Shape::MaterialAlongAxis() {
  const std::vector<Shape*> shapes = part_ ? part_->ShapeItems() : std::vector<Shape*>{};
  if (shapes.empty() || shapes.front()->Solid().empty()) return std::nullopt;
  return MeasureMaterial();
}

std::string Shape::BindingTag() const {
  const Component* c = store_.First(host::comp::kHandler);
  if (!c) return {};
  Variant v = c->Value(1);
  return v.Type() == rt::VarType::Text ? v.Text() : std::string{};
}

std::string Shape::Describe() const { return "#" + std::to_string(id_) + " \"" + name_ + "\""; }

std::unique_ptr<Shape> Shape::CloneDetached() const {
  auto s = std::make_unique<Shape>(id_, name_, nullptr);
  s->normal_ = normal_;
  s->position_ = position_;
  s->store_.CopyFrom(store_);
  return s;
}

// ---- parts ----

Part::Part(int32_t id, std::string name, Page& page)
    : id_(id), name_(std::move(name)), page_(&page) {
  store_.Get(host::comp::kPartShapes).AddComponent();
}

std::vector<Shape*> Part::ShapeItems() const {
  const Component* c = store_.First(host::comp::kPartShapes);
  if (!c) return {};
  return const_cast<Component*>(c)->Shapes().Items();
}

Shape& Part::AddShape(int32_t id, std::string name) {
  Component* c = store_.First(host::comp::kPartShapes);
  if (!c) c = &store_.Get(host::comp::kPartShapes).AddComponent();
  owned_.push_back(std::make_unique<Shape>(id, std::move(name), this));
  c->Shapes().Add(*owned_.back());
  return *owned_.back();
}

bool Part::DiscardShape(Shape& shape) {
  Component* c = store_.First(host::comp::kPartShapes);
  return c && c->Shapes().Remove(shape);
}

// ---- pages ----

host::IApplication& Page::Application() { return *app_; }

ShapeList& Page::SelectedItems(int32_t kind) {
  if (kind != 1) rt::Raise(rt::err::kInvalidCall, {}, "Page.SelectedItems");
  return selection_;
}

Variant Page::UnitsEx(int32_t kind) {
  if (kind != 2) rt::Raise(rt::err::kInvalidCall, {}, "Page.UnitsEx");
  return Variant(static_cast<int32_t>(units_));
}

void Page::Select(Shape& s) {
  if (std::find(selection_.Items().begin(), selection_.Items().end(), &s) ==
      selection_.Items().end())
    selection_.Add(s);
}

Part& Page::AddPart(int32_t id, std::string name) {
  parts_.push_back(std::make_unique<Part>(id, std::move(name), *this));
  return *parts_.back();
}

// ---- catalogs ----

CatalogEntry& CatalogEntries::Add(host::IShape& item) {
  auto* shape = dynamic_cast<Shape*>(&item);
  if (!shape)
    rt::Raise(rt::err::kInvalidCall, "only a shape of this scene can become a catalog entry",
              "Catalog");
  return Add(shape->CloneDetached());
}

CatalogEntry& CatalogEntries::Add(std::unique_ptr<Shape> item) {
  entries_.push_back(std::make_unique<CatalogEntry>(std::move(item)));
  return *entries_.back();
}

// ---- application ----

Page& Application::ActivePage() {
  if (pages_.empty())
    rt::Raise(rt::err::kObjectVariableNotSet, "the scene has no page", "Application");
  return *pages_.front();
}

host::IServiceFactory& Application::Services() {
  if (!services_) rt::Raise(429, "ActiveX component can't create object", "Application");
  return *services_;
}

Catalog& Catalogs::Item(int32_t index) {
  if (index < 1 || index > Count()) rt::Raise(rt::err::kSubscript, {}, "Catalogs");
  return *catalogs_[static_cast<size_t>(index - 1)];
}

Catalog& Catalogs::Open(std::string name) {
  catalogs_.push_back(std::make_unique<Catalog>(std::move(name)));
  return *catalogs_.back();
}

Catalog* Catalogs::Find(std::string_view name) const {
  for (const auto& c : catalogs_)
    if (EqualsIgnoreCase(c->Name(), name)) return c.get();
  return nullptr;
}

Page& Application::AddPage(Units units) {
  pages_.push_back(std::make_unique<Page>(*this, units));
  return *pages_.back();
}

}  // namespace cavix::scene
