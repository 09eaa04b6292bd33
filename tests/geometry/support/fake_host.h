// A small recording stand-in for the host, for unit tests of the hole logic that need to see the
// exact calls, their order and the value types (the scene is used for end-to-end tests).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "host/services.h"
#include "runtime/error.h"
#include "runtime/variant.h"

namespace fake {

using cavix::rt::Variant;
namespace host = cavix::host;

inline std::string Show(const Variant& v) {
  using T = cavix::rt::VarType;
  std::ostringstream o;
  o.precision(17);
  o << cavix::rt::TypeName(v.Type()) << ":";
  if (v.Type() == T::Int16) o << v.I16();
  if (v.Type() == T::Int32) o << v.I32();
  if (v.Type() == T::Double) o << v.F64();
  if (v.Type() == T::Bool) o << (v.Bool() ? "true" : "false");
  if (v.Type() == T::Text) o << v.Text();
  return o.str();
}

// The number of the run-time error the call raises, 0 when it raises none.
template <class F>
int ErrorOf(F&& call) {
  try {
    call();
  } catch (const cavix::rt::Error& e) {
    return e.Number();
  }
  return 0;
}

// Every host call the tests look at, in order.
using Log = std::vector<std::string>;

class Finish : public host::ISurfaceFinish {
 public:
  explicit Finish(Log& log) : log_(log) {}
  std::map<std::string, Variant> props;
  std::set<std::string> failing;  // property names that raise

  void Set(const std::string& name, int16_t index, const Variant& v) {
    log_.push_back("finish." + name);
    if (failing.count(name)) cavix::rt::Raise(438);
    if (index != 1) cavix::rt::Raise(5);
    props[name] = v;
  }
  void SetTextureFile(const std::string& path) override { Set("TextureFile", 1, path); }
  void SetProjectionType(int16_t i, const Variant& v) override { Set("ProjectionType", i, v); }
  void SetVerticalRatio(int16_t i, const Variant& v) override { Set("VerticalRatio", i, v); }
  void SetHorizontalRatio(int16_t i, const Variant& v) override { Set("HorizontalRatio", i, v); }
  void SetProjectionWidth(int16_t i, const Variant& v) override { Set("ProjectionWidth", i, v); }
  void SetProjectionHeight(int16_t i, const Variant& v) override { Set("ProjectionHeight", i, v); }
  void SetFlip(int16_t i, const Variant& v) override { Set("Flip", i, v); }
  void SetUpDirection(int16_t i, double& nx, double& ny, double& nz) override {
    Set("UpDirection", i,
        Variant(std::to_string(nx) + "," + std::to_string(ny) + "," + std::to_string(nz)));
  }

 private:
  Log& log_;
};

class Profile;

class Component : public host::IComponent {
 public:
  Component(int32_t type, Log& log) : type_(type), log_(log) {}
  int32_t Type() const override { return type_; }
  std::map<int32_t, Variant> single;
  std::map<std::pair<int32_t, int16_t>, Variant> grouped;
  std::vector<std::pair<Variant, Variant>> chain;  // start point, then every line end
  std::unique_ptr<fake::Profile> profile;
  std::unique_ptr<Finish> finish;
  bool finishFails = false;
  std::vector<double> finishPoint;

  Variant Value(int32_t index) const override {
    auto it = single.find(index);
    return it == single.end() ? Variant() : it->second;
  }
  void SetValue(int32_t index, const Variant& v) override {
    log_.push_back("c" + std::to_string(type_) + ".v" + std::to_string(index) + "=" + Show(v));
    single[index] = v;
  }
  Variant Value(int32_t group, int16_t slot) const override {
    auto it = grouped.find({group, slot});
    return it == grouped.end() ? Variant() : it->second;
  }
  void SetValue(int32_t group, int16_t slot, const Variant& v) override {
    log_.push_back("c" + std::to_string(type_) + ".v" + std::to_string(group) + ":" +
                   std::to_string(slot) + "=" + Show(v));
    grouped[{group, slot}] = v;
  }
  host::IProfile& Profile() override;
  void SetStartPoint(const Variant& x, const Variant& y) override {
    if (type_ != 3) cavix::rt::Raise(438);
    chain.assign(1, {x, y});
  }
  void AddLineTo(const Variant& x, const Variant& y) override {
    if (type_ != 3) cavix::rt::Raise(438);
    chain.push_back({x, y});
  }
  host::ISurfaceFinish& SurfaceFinish(double& x, double& y, double& z, int16_t a, int16_t b,
                                      int16_t c) override {
    log_.push_back("SurfaceFinish");
    if (type_ != 27 || a != 1 || b != 1 || c != 0) cavix::rt::Raise(438);
    if (finishFails) cavix::rt::Raise(440);
    finishPoint = {x, y, z};
    if (!finish) finish = std::make_unique<Finish>(log_);
    return *finish;
  }

 private:
  int32_t type_;
  Log& log_;
};

class Components : public host::IComponents {
 public:
  Components(int32_t type, Log& log) : type_(type), log_(log) {}
  std::vector<std::unique_ptr<Component>> items;
  int32_t Count() const override { return static_cast<int32_t>(items.size()); }
  host::IComponent& Item(int16_t index) override {
    if (index < 1 || index > Count()) cavix::rt::Raise(9);
    return *items[index - 1];
  }
  Component& Add() override {
    log_.push_back("add c" + std::to_string(type_));
    items.push_back(std::make_unique<Component>(type_, log_));
    return *items.back();
  }
  void Remove(host::IComponent& member) override {
    for (auto it = items.begin(); it != items.end(); ++it)
      if (it->get() == &member) {
        log_.push_back("remove c" + std::to_string(type_));
        items.erase(it);
        return;
      }
    cavix::rt::Raise(5);
  }
  Component& First() { return *items.at(0); }

 private:
  int32_t type_;
  Log& log_;
};

class Holder {
 public:
  explicit Holder(Log& log) : log_(log) {}
  Components& Get(int32_t type) {
    auto& c = comps_[type];
    if (!c) c = std::make_unique<Components>(type, log_);
    return *c;
  }
  bool Has(int32_t type) const { return comps_.count(type) != 0; }

 private:
  Log& log_;
  std::map<int32_t, std::unique_ptr<Components>> comps_;
};

class Profile : public host::IProfile {
 public:
  explicit Profile(Log& log) : holder(log) {}
  host::IComponents& Components(int32_t type) override { return holder.Get(type); }
  Holder holder;
};

inline host::IProfile& Component::Profile() {
  if (type_ != 15) cavix::rt::Raise(438);
  if (!profile) {
    profile = std::make_unique<fake::Profile>(log_);
    profile->holder.Get(4).Add();
  }
  return *profile;
}

class Shape;

class Shapes : public host::IShapes {
 public:
  std::vector<host::IShape*> items;
  int32_t Count() const override { return static_cast<int32_t>(items.size()); }
  host::IShape& Item(int32_t i) override {
    if (i < 1 || i > Count()) cavix::rt::Raise(9);
    return *items[i - 1];
  }
};

class Part : public host::IPart {
 public:
  explicit Part(Log& log) : holder(log) {}
  host::IComponents& Components(int32_t type) override { return holder.Get(type); }
  Holder holder;
};

class Page;

class App : public host::IApplication {
 public:
  host::IPage* page = nullptr;
  host::IServiceFactory* services = nullptr;
  host::IServiceFactory& Services() override {
    if (!services) cavix::rt::Raise(429);
    return *services;
  }
  host::IPage& ActivePage() override { return *page; }
  Variant DialogPrecision() override { return int16_t{2}; }
  struct NoCatalogs : host::ICatalogs {
    int32_t Count() const override { return 0; }
    host::ICatalog& Item(int32_t) override { cavix::rt::Raise(9); }
  } catalogs;
  host::ICatalogs& Catalogs() override { return catalogs; }
};

class Page : public host::IPage {
 public:
  explicit Page(Log& log) : log_(log) {}
  App* app = nullptr;
  Shapes selected;
  host::IApplication& Application() override { return *app; }
  void ClearSelectedItems() override { log_.push_back("page.ClearSelectedItems"); }
  void Update() override { log_.push_back("page.Update"); }
  host::IShapes& SelectedItems(int32_t) override { return selected; }
  Variant UnitsEx(int32_t) override { return int16_t{0}; }

 private:
  Log& log_;
};

class Shape : public host::IShape {
 public:
  explicit Shape(Log& log) : holder(log), log_(log) {}
  std::string name = "Fori";
  double normal[3] = {0, 0, -1};
  Part* parent = nullptr;
  App* app = nullptr;
  fake::Page* page = nullptr;
  Holder holder;

  host::IComponents& Components(int32_t type) override { return holder.Get(type); }
  std::string Name() const override { return name; }
  void SetName(const std::string& n) override {
    log_.push_back("SetName " + n);
    name = n;
  }
  host::IApplication& Application() override { return *app; }
  host::IPage& Page() override { return *page; }
  host::IPart& Parent() override {
    if (!parent) cavix::rt::Raise(91);
    return *parent;
  }
  void GetNormal(double& nx, double& ny, double& nz) override {
    log_.push_back("GetNormal");
    nx = normal[0];
    ny = normal[1];
    nz = normal[2];
  }
  void Update() override { log_.push_back("shape.Update"); }
  void ResetSizeBox() override { log_.push_back("ResetSizeBox"); }

  // The components a hole shape made by a catalog drop carries.
  void GiveHoleComponents() {
    holder.Get(1).Add();
    holder.Get(14).Add();
    holder.Get(15).Add();
  }
  std::vector<std::pair<Variant, Variant>>& Chain() {
    auto& chains = holder.Get(15).First().Profile();
    return static_cast<fake::Components&>(chains.Components(3)).First().chain;
  }
  int32_t ChainCount() { return holder.Get(15).First().Profile().Components(3).Count(); }
  Component& HoleData() { return holder.Get(34).First(); }
  Log& log() { return log_; }

 private:
  Log& log_;
};

// The part-shapes component (type 23) lists shapes.
class PartShapes : public Component {
 public:
  explicit PartShapes(Log& log) : Component(23, log) {}
  fake::Shapes shapes;
  host::IShapes& Shapes() override { return shapes; }
};

// ---- Services ----

struct ServiceState {
  std::string applDir = "C:\\Cavix";
  std::set<std::string> files;  // built paths that exist
  // Settings: section -> key -> value.
  std::map<std::string, std::map<std::string, std::string>> settings;
  std::vector<std::string> calls;
  bool unitsFail = false;
};

// One object answers as every service; the factory hands out a fresh one each time.
class Service : public host::IUnitsService,
                public host::IRegistryReader,
                public host::ISettingsReader,
                public host::IClassTagService,
                public host::IShapeDiscardService {
 public:
  explicit Service(ServiceState& s) : s_(s) {}
  double Convert(host::IPage*, double& value, int32_t& from, int32_t& to) override {
    s_.calls.push_back("units " + std::to_string(from) + ">" + std::to_string(to));
    if (s_.unitsFail) cavix::rt::Raise(440);
    const double mm = from == 4 ? value * 25.4 : value;
    return to == 4 ? mm / 25.4 : mm;
  }
  void ReadString(int32_t, std::string&, std::string& name, std::string& value,
                  int32_t& status) override {
    value = name == "ApplDir" ? s_.applDir : "";
    status = 0;
  }
  void FileExists(std::string& path, bool& exists) override {
    s_.calls.push_back("exists " + path);
    exists = s_.files.count(path) != 0;
  }
  void SelectSection(std::string& section, bool& found) override {
    auto it = s_.settings.find(section);
    found = it != s_.settings.end();
    if (found) current_ = &it->second;
  }
  void ReadKey(std::string& key, std::string& value, bool& found) override {
    found = current_ && current_->count(key);
    if (found) value = current_->at(key);
  }
  void EndSection() override { s_.calls.push_back("EndSection"); }
  std::string ProgIdToClassTag(std::string& progId, int32_t& reserved) override {
    return "tag:" + progId + ":" + std::to_string(reserved);
  }
  void ShapeDiscard(host::IShape&) override {}

 private:
  ServiceState& s_;
  std::map<std::string, std::string>* current_ = nullptr;
};

class Services : public host::IServiceFactory {
 public:
  ServiceState state;
  std::unique_ptr<host::IUnitsService> CreateUnitsService() override { return Make(); }
  std::unique_ptr<host::IRegistryReader> CreateRegistryReader() override { return Make(); }
  std::unique_ptr<host::ISettingsReader> CreateSettingsReader() override { return Make(); }
  std::unique_ptr<host::IClassTagService> CreateClassTagService() override { return Make(); }
  std::unique_ptr<host::IShapeDiscardService> CreateShapeDiscardService() override {
    return Make();
  }

 private:
  std::unique_ptr<Service> Make() { return std::make_unique<Service>(state); }
};

// A page with one part of the given extents and one hole shape on it, services installed.
struct World {
  Log log;
  Services services;
  App app;
  Page page{log};
  Part part{log};
  Shape block{log};
  Shape hole{log};

  explicit World(double sx = 100, double sy = 60, double sz = 20) {
    app.services = &services;
    app.page = &page;
    page.app = &app;
    auto& shapes = part.holder.Get(23);
    shapes.items.push_back(std::make_unique<PartShapes>(log));
    static_cast<PartShapes&>(*shapes.items[0]).shapes.items.push_back(&block);
    block.holder.Get(1).Add();
    SetBlock(sx, sy, sz);
    for (Shape* s : {&block, &hole}) {
      s->parent = &part;
      s->app = &app;
      s->page = &page;
    }
    hole.GiveHoleComponents();
  }
  void SetBlock(double sx, double sy, double sz) {
    auto& c = block.holder.Get(1).First();
    c.single[1] = sx;
    c.single[2] = sy;
    c.single[3] = sz;
  }
};

}  // namespace fake
