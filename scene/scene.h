// The stand-in CAD host: an in-memory scene of pages, parts and shapes with numbered components,
// revolved profiles, surface finishes and catalogs, its component registry, and the host-side
// events (drop, double click, regeneration, thread queries) through which it calls the add-in.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/add_in_names.h"
#include "host/host_model.h"
#include "host/services.h"
#include "runtime/variant.h"

namespace cavix::scene {

using rt::Variant;

struct Vec3 {
  double x = 0, y = 0, z = 0;
  friend bool operator==(const Vec3&, const Vec3&) = default;
};

// A profile point: x the distance from the axis, y the depth.
struct Point2 {
  double x = 0, y = 0;
  friend bool operator==(const Point2&, const Point2&) = default;
};

// Length unit of a page. The numbers are what UnitsEx(2) answers and are stored in model files.
enum class Units : int32_t { Millimetre = 0, Inch = 1 };

// The extents a part's block may have, in millimetres: from a micrometre (thinner than any sheet
// a hole is drilled into, and still a thousand times the solid modeller's tolerance) to 100 m
// (longer than any machined part; beyond it the modeller's numbers lose the precision a hole
// needs, and at 1e200 it fails outright).
inline constexpr double kMinBlockExtentMm = 0.001;
inline constexpr double kMaxBlockExtentMm = 100000;
// "" when every extent (in `units`) lies within those bounds, else what is wrong, in words.
std::string BlockExtentsProblem(const Vec3& extents, Units units);

class Scene;
class Application;
class Page;
class Part;
class Shape;
class Component;
class Profile;

// Measures the material of `part` along the line through `at` in direction `axis` (page units);
// the layer that owns the part's solid supplies it where a model is loaded.
using MaterialProbe =
    std::function<host::AxisMaterial(const Part& part, const Vec3& at, const Vec3& axis)>;

// Everything a surface finish was told. Unset properties hold an empty Variant / nullopt.
struct FinishData {
  std::optional<std::string> textureFile;
  Variant projectionType, verticalRatio, horizontalRatio, projectionWidth, projectionHeight, flip;
  std::optional<Vec3> upDirection;
  std::optional<Vec3> point;         // the point of the last finish request
  std::array<int16_t, 3> request{};  // the three flags of that request
  friend bool operator==(const FinishData&, const FinishData&) = default;
};

class SurfaceFinish final : public host::ISurfaceFinish {
 public:
  void SetTextureFile(const std::string& path) override;
  void SetProjectionType(int16_t index, const Variant& v) override;
  void SetVerticalRatio(int16_t index, const Variant& v) override;
  void SetHorizontalRatio(int16_t index, const Variant& v) override;
  void SetProjectionWidth(int16_t index, const Variant& v) override;
  void SetProjectionHeight(int16_t index, const Variant& v) override;
  void SetFlip(int16_t index, const Variant& v) override;
  void SetUpDirection(int16_t index, double& nx, double& ny, double& nz) override;

  FinishData& Data() { return data_; }
  const FinishData& Data() const { return data_; }

 private:
  // Stores a property value after refusing what a model file could not hold.
  void Store(Variant FinishData::*member, const Variant& v);

  FinishData data_;
};

// A part: component 23, item 1 holds its shapes.
// The components of one type on one holder; items count from 1. Removed components stay alive
// (detached) until the holder goes, so a reference kept by a caller never dangles.
class ComponentList final : public host::IComponents {
 public:
  explicit ComponentList(int32_t type) : type_(type) {}
  int32_t Count() const override;
  host::IComponent& Item(int16_t index) override;  // 9 outside 1..Count
  host::IComponent& Add() override;
  // The same as Item and Add, typed for the scene's own use.
  Component& At(int16_t index);
  Component& AddComponent();
  void Remove(host::IComponent& member) override;  // 5 when not a member

  int32_t Type() const { return type_; }
  const std::vector<std::unique_ptr<Component>>& Items() const { return items_; }
  void Append(std::unique_ptr<Component> c);

 private:
  int32_t type_;
  std::vector<std::unique_ptr<Component>> items_;
  std::vector<std::unique_ptr<Component>> removed_;
};

// Components by type, created on first use (an unused type is an empty collection).
class ComponentStore {
 public:
  ComponentStore() = default;
  ComponentStore(const ComponentStore&) = delete;
  ComponentStore& operator=(const ComponentStore&) = delete;

  ComponentList& Get(int32_t type);
  const ComponentList* Find(int32_t type) const;
  // The first component of a type, or nullptr.
  Component* First(int32_t type);
  const Component* First(int32_t type) const;
  // Non-empty collections in increasing type order.
  std::vector<const ComponentList*> Lists() const;
  void CopyFrom(const ComponentStore& other);

 private:
  std::map<int32_t, std::unique_ptr<ComponentList>> lists_;
};

// A revolved feature's cross-section: chains (type 3) and size variables (type 4).
class Profile final : public host::IProfile {
 public:
  ComponentList& Components(int32_t type) override { return store_.Get(type); }
  ComponentStore& Store() { return store_; }
  const ComponentStore& Store() const { return store_; }

 private:
  ComponentStore store_;
};

class Shape final : public host::IShape {
 public:
  // part may be null for a detached shape (a catalog entry's item).
  Shape(int32_t id, std::string name, Part* part);

  ComponentList& Components(int32_t type) override { return store_.Get(type); }
  std::string Name() const override { return name_; }
  void SetName(const std::string& name) override { name_ = name; }
  host::IApplication& Application() override;  // 91 when detached
  host::IPage& Page() override;                // 91 when detached
  host::IPart& Parent() override;              // 91 when detached
  void GetNormal(double& nx, double& ny, double& nz) override;
  void Update() override { ++updates_; }
  void ResetSizeBox() override { ++sizeBoxResets_; }
  // What the application's material probe measures from the shape's position along its normal;
  // none without a probe or a part, and for the hole logic none on a block (see IShape).
  std::optional<host::AxisMaterial> MaterialAlongAxis() override;
  std::optional<host::AxisMaterial> MeasureMaterial() const;

  int32_t Id() const { return id_; }
  Part* ParentPart() const { return part_; }
  const Vec3& Normal() const { return normal_; }
  void SetNormal(const Vec3& n) { normal_ = n; }
  const Vec3& Position() const { return position_; }
  void SetPosition(const Vec3& p) { position_ = p; }
  ComponentStore& Store() { return store_; }
  const ComponentStore& Store() const { return store_; }
  // The class tag bound to the shape (component 43, variable 1, as text), or "" when none.
  std::string BindingTag() const;
  int UpdateCount() const { return updates_; }
  int SizeBoxResetCount() const { return sizeBoxResets_; }
  // "#3 "Fori"" for messages.
  std::string Describe() const;
  // The solid of a part made from another CAD file, as Open CASCADE BRep text, on the part's
  // first shape (empty for a block). The scene stores it as it is and never reads it; a catalog
  // item's copy of a shape does not carry it.
  const std::string& Solid() const { return solid_; }
  void SetSolid(std::string brep) { solid_ = std::move(brep); }

  std::unique_ptr<Shape> CloneDetached() const;

 private:
  int32_t id_;
  std::string name_;
  Part* part_;
  Vec3 normal_{0, 0, 1};
  Vec3 position_{};
  ComponentStore store_;
  std::string solid_;
  int updates_ = 0;
  int sizeBoxResets_ = 0;
};

// The shapes of a part (owned) or the selected items of a page (referenced); items count from 1.
class ShapeList final : public host::IShapes {
 public:
  int32_t Count() const override { return static_cast<int32_t>(items_.size()); }
  Shape& Item(int32_t index) override;  // 9 outside 1..Count
  const std::vector<Shape*>& Items() const { return items_; }
  void Add(Shape& s) { items_.push_back(&s); }
  bool Remove(const Shape& s);
  void Clear() { items_.clear(); }

 private:
  std::vector<Shape*> items_;
};

// A component: variables by single index or by (group, slot), and the members of its kind:
// revolved feature (15) with a profile, chain (3) with points, surface holder (27) with a finish,
// part shape list (23) with shapes. Writing an empty value erases a variable; a double that is not
// finite is refused with error 6.
class Component final : public host::IComponent {
 public:
  using GroupKey = std::pair<int32_t, int16_t>;

  explicit Component(int32_t type);
  ~Component() override;

  int32_t Type() const override { return type_; }
  Variant Value(int32_t index) const override;
  void SetValue(int32_t index, const Variant& v) override;
  Variant Value(int32_t group, int16_t slot) const override;
  void SetValue(int32_t group, int16_t slot, const Variant& v) override;

  scene::Profile& Profile() override;                               // type 15
  void SetStartPoint(const Variant& x, const Variant& y) override;  // type 3
  void AddLineTo(const Variant& x, const Variant& y) override;      // type 3; 5 before a start
  host::ISurfaceFinish& SurfaceFinish(double& x, double& y, double& z, int16_t a, int16_t b,
                                      int16_t c) override;  // type 27
  ShapeList& Shapes() override;                             // type 23

  const std::map<int32_t, Variant>& Vars() const { return vars_; }
  const std::map<GroupKey, Variant>& GroupVars() const { return groupVars_; }
  const std::vector<Point2>& Points() const { return points_; }
  std::vector<Point2>& MutablePoints() { return points_; }
  // The finish of a surface holder (nullptr before the first request, or for other types).
  cavix::scene::SurfaceFinish* Finish() { return finish_.get(); }
  const cavix::scene::SurfaceFinish* Finish() const { return finish_.get(); }
  cavix::scene::SurfaceFinish& EnsureFinish();
  const scene::Profile* ProfileIfAny() const { return profile_.get(); }

  // A deep copy (variables, points, profile, finish); a shape list is not copied.
  std::unique_ptr<Component> Clone() const;

 private:
  int32_t type_;
  std::map<int32_t, Variant> vars_;
  std::map<GroupKey, Variant> groupVars_;
  std::vector<Point2> points_;
  std::unique_ptr<scene::Profile> profile_;
  std::unique_ptr<cavix::scene::SurfaceFinish> finish_;
  std::unique_ptr<ShapeList> shapes_;
};

class Part final : public host::IPart {
 public:
  Part(int32_t id, std::string name, Page& page);
  ComponentList& Components(int32_t type) override { return store_.Get(type); }

  int32_t Id() const { return id_; }
  const std::string& Name() const { return name_; }
  Page& OwnerPage() const { return *page_; }
  ComponentStore& Store() { return store_; }
  const ComponentStore& Store() const { return store_; }
  // The shapes of the first type-23 component (none when it was removed).
  std::vector<Shape*> ShapeItems() const;
  // Creates a shape at the end of the part's shape list.
  Shape& AddShape(int32_t id, std::string name);
  // Takes a shape out of the part (it stays alive, detached from the list, until the part goes).
  bool DiscardShape(Shape& shape);

 private:
  int32_t id_;
  std::string name_;
  Page* page_;
  ComponentStore store_;
  std::vector<std::unique_ptr<Shape>> owned_;
};

class Page final : public host::IPage {
 public:
  Page(scene::Application& app, Units units) : app_(&app), units_(units) {}
  host::IApplication& Application() override;
  void ClearSelectedItems() override { selection_.Clear(); }
  void Update() override { ++updates_; }
  ShapeList& SelectedItems(int32_t kind) override;  // kind 1; 5 otherwise
  Variant UnitsEx(int32_t kind) override;           // kind 2: 0 mm, 1 inch; 5 otherwise

  scene::Application& OwnerApp() const { return *app_; }
  Units LengthUnits() const { return units_; }
  void SetLengthUnits(Units u) { units_ = u; }
  void Select(Shape& s);
  void Deselect(const Shape& s) { selection_.Remove(s); }
  Part& AddPart(int32_t id, std::string name);
  const std::vector<std::unique_ptr<Part>>& Parts() const { return parts_; }
  int UpdateCount() const { return updates_; }

 private:
  cavix::scene::Application* app_;
  Units units_;
  std::vector<std::unique_ptr<Part>> parts_;
  ShapeList selection_;
  int updates_ = 0;
};

class CatalogEntry final : public host::ICatalogEntry {
 public:
  explicit CatalogEntry(std::unique_ptr<Shape> item) : item_(std::move(item)) {}
  void SetLabel(const std::string& label) override { label_ = label; }
  const std::string& Label() const { return label_; }
  Shape& Item() const { return *item_; }

 private:
  std::string label_;
  std::unique_ptr<Shape> item_;
};

class CatalogEntries final : public host::ICatalogEntries {
 public:
  // Copies the item (its components) into a new entry, as a catalog keeps its own copy.
  CatalogEntry& Add(host::IShape& item) override;
  CatalogEntry& Add(std::unique_ptr<Shape> item);
  const std::vector<std::unique_ptr<CatalogEntry>>& All() const { return entries_; }

 private:
  std::vector<std::unique_ptr<CatalogEntry>> entries_;
};

class Catalog final : public host::ICatalog {
 public:
  explicit Catalog(std::string name) : name_(std::move(name)) {}
  std::string Name() const override { return name_; }
  CatalogEntries& Entries() override { return entries_; }
  const CatalogEntries& Entries() const { return entries_; }

 private:
  std::string name_;
  CatalogEntries entries_;
};

class Catalogs final : public host::ICatalogs {
 public:
  int32_t Count() const override { return static_cast<int32_t>(catalogs_.size()); }
  Catalog& Item(int32_t index) override;  // 9 outside 1..Count
  Catalog& Open(std::string name);
  // The open catalog of that name (case ignored), or nullptr.
  Catalog* Find(std::string_view name) const;
  const std::vector<std::unique_ptr<Catalog>>& All() const { return catalogs_; }

 private:
  std::vector<std::unique_ptr<Catalog>> catalogs_;
};

class Application final : public host::IApplication {
 public:
  Page& ActivePage() override;  // 91 when there is no page
  Variant DialogPrecision() override { return precision_; }
  scene::Catalogs& Catalogs() override { return catalogs_; }
  const scene::Catalogs& Catalogs() const { return catalogs_; }
  host::IServiceFactory& Services() override;  // 429 before the scene installs its services
  void SetServices(host::IServiceFactory* factory) { services_ = factory; }
  // How the parts' material is measured (none: it is not).
  void SetMaterialProbe(MaterialProbe probe) { probe_ = std::move(probe); }
  const MaterialProbe& Probe() const { return probe_; }

  void SetDialogPrecision(const Variant& v) { precision_ = v; }
  const Variant& Precision() const { return precision_; }
  Page& AddPage(Units units);
  const std::vector<std::unique_ptr<Page>>& Pages() const { return pages_; }

 private:
  Variant precision_{int32_t{2}};
  std::vector<std::unique_ptr<Page>> pages_;
  scene::Catalogs catalogs_;
  host::IServiceFactory* services_ = nullptr;
  MaterialProbe probe_;
};

// Which files the utility services read.
struct ServiceConfig {
  std::string registryFile;  // a .reg export; a missing file reads as empty values
  std::string settingsFile;  // an INI file; a missing file has no sections
  host::UserFolders user{};  // the user's folders; none: the application folder alone
};

// An object of a bound class and the interface asked of it.
template <class I>
struct Bound {
  std::unique_ptr<host::IAutomationObject> object;
  I* iface = nullptr;
  I* operator->() const { return iface; }
};

using host::kCatalogFile;
using host::kCatalogLabel;
using host::kDropHoleProgId;

class Scene {
 public:
  Scene();
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // A new model: one page in `units`, one part whose first shape is a block with the given
  // extents (component 1, item 1, variables 1 to 3), the dialog precision, and the catalog
  // "zentrox.icc" open. Extents outside the block's bounds raise 5 (BlockExtentsProblem).
  static std::unique_ptr<Scene> NewModel(Vec3 block = {100, 60, 20},
                                         Units units = Units::Millimetre, int precision = 2);

  Application& App() { return app_; }
  const Application& App() const { return app_; }
  // The active page and its first part; 91 when the scene has none.
  Page& ActivePage() { return app_.ActivePage(); }
  Part& MainPart();

  // A shape dropped on the main part, named "Fori": components 1 and 14, and a revolved feature
  // (15) whose empty profile has a size component (4), so the hole builders find them.
  Shape& AddDroppedShape(Vec3 normal = {0, 0, -1}, Vec3 position = {});
  // Creates an empty shape on a part with the next free id.
  Shape& AddShape(Part& part, std::string name);

  // A shape by "#ID" or by name; nullptr when none matches (the first of several of one name).
  Shape* FindShape(std::string_view ref) const;
  // Like FindShape, but raises 5 naming the problem when no shape or several shapes match.
  Shape& ResolveShape(std::string_view ref) const;
  Shape* FindShapeById(int32_t id) const;
  // Every shape of every part of every page, in order.
  std::vector<Shape*> AllShapes() const;
  // The shapes bound to a class (component 43 set).
  std::vector<Shape*> BoundShapes() const;
  // Takes a shape out of its part and out of the selection.
  void DiscardShape(Shape& shape);

  // The id the next new shape or part gets. Ids are never reused and never wrap: past the
  // largest 32-bit id, 6 "Overflow" says that the model has no id left for another one.
  int32_t NextShapeId();
  int32_t NextPartId();
  // The loader keeps ids as stored; later ids continue after the largest.
  void NoteIds(int32_t shapeId, int32_t partId);

  // ---- component registry ----
  // Adds classes; a programmatic identifier already registered is replaced.
  void RegisterClasses(std::vector<host::ClassInfo> classes);
  // The class tag of a class is its class identifier text.
  const host::ClassInfo* FindClassByProgId(std::string_view progId) const;
  const host::ClassInfo* FindClassByTag(std::string_view tag) const;
  const std::vector<host::ClassInfo>& Classes() const { return classes_; }

  // ---- host-side events ----
  // Double click: creates the class bound to the shape and calls its DblClick.
  void DoubleClick(Shape& shape);
  // Regeneration: creates the bound class and calls its Update.
  void Regenerate(Shape& shape);
  // A catalog drop on the shape: the handler of the entry "Fori" of the catalog "zentrox.icc";
  // when no such entry was authored, the class "Cavix.DropHole" (what a shipped catalog holds).
  void DropCatalogEntry(Shape& shape);
  // The same item dropped on several shapes at once (a pattern): one call of the handler.
  void DropCatalogEntry(const std::vector<Shape*>& shapes);
  // The bound class as a drawing view sees it.
  Bound<host::IProjectedThreads> ThreadQuery(Shape& shape);

  // ---- utility services ----
  // Gives the scene's application its utility services, reading the files `config` names.
  void InstallServices(ServiceConfig config);
  const ServiceConfig& Services() const { return config_; }

 private:
  const host::ClassInfo& BoundClass(const Shape& shape) const;
  std::unique_ptr<host::IAutomationObject> Create(const host::ClassInfo& info) const;

  Application app_;
  int64_t nextShapeId_ = 1;  // one past the largest id in use, which may be past INT32_MAX
  int64_t nextPartId_ = 1;
  std::vector<host::ClassInfo> classes_;
  ServiceConfig config_;
  std::unique_ptr<host::IServiceFactory> services_;
};

}  // namespace cavix::scene
