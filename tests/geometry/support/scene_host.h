// The scene as the host of the hole unit tests, and a view of one of its shapes for what the
// scene cannot show: the value type of each chain coordinate the builders send (the scene keeps
// doubles; the host is told the short integer 0 for a coordinate on the axis or the top face),
// and a host that refuses a component's members.
#pragma once

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "runtime/error.h"
#include "scene/scene.h"
#include "tests/support/raised.h"

namespace geotest {

namespace host = cavix::host;
namespace scene = cavix::scene;
using cavix::rt::Variant;

using cavix::test::ErrorOf;

// A new model whose part is a block of the given extents, with the build tree's registry and
// settings, and a shape dropped on it for the hole.
struct Model {
  explicit Model(scene::Vec3 block = {100, 60, 20}, scene::Vec3 normal = {0, 0, -1})
      : scene(scene::Scene::NewModel(block)), hole(scene->AddDroppedShape(normal)) {
    scene->InstallServices({CAVIX_TEST_REGISTRY, CAVIX_TEST_SETTINGS});
  }
  std::unique_ptr<scene::Scene> scene;
  scene::Shape& hole;
};

// A component that keeps nothing; the members of the other kinds raise 438, as the host's do.
struct Inert : host::IComponent {
  int32_t Type() const override { return 0; }
  Variant Value(int32_t) const override { return {}; }
  void SetValue(int32_t, const Variant&) override {}
  Variant Value(int32_t, int16_t) const override { return {}; }
  void SetValue(int32_t, int16_t, const Variant&) override {}
};

// A chain keeping each coordinate as it was sent.
struct Chain : Inert {
  std::vector<std::pair<Variant, Variant>> points;
  void SetStartPoint(const Variant& x, const Variant& y) override { points.assign(1, {x, y}); }
  void AddLineTo(const Variant& x, const Variant& y) override { points.emplace_back(x, y); }
};

struct Chains : host::IComponents {
  std::vector<std::unique_ptr<Chain>> items;
  int32_t Count() const override { return static_cast<int32_t>(items.size()); }
  host::IComponent& Item(int16_t index) override { return *items.at(index - 1); }
  host::IComponent& Add() override { return *items.emplace_back(std::make_unique<Chain>()); }
  void Remove(host::IComponent& c) override {
    std::erase_if(items, [&](const auto& item) { return item.get() == &c; });
  }
};

// A collection of one component.
struct One : host::IComponents {
  explicit One(host::IComponent& c) : item(c) {}
  host::IComponent& item;
  int32_t Count() const override { return 1; }
  host::IComponent& Item(int16_t) override { return item; }
  host::IComponent& Add() override { cavix::rt::Raise(5); }
  void Remove(host::IComponent&) override { cavix::rt::Raise(5); }
};

// A scene shape whose components of the types in `replaced` are the test's own. The one object
// answers as the shape, as its revolved feature and as that feature's profile (the profile's
// types, 3 and 4, are not the shape's): the profile keeps its chains in `chains`, its size
// component is the scene's.
class Recorded : public host::IShape, Inert, host::IProfile {
 public:
  explicit Recorded(scene::Shape& s) : s_(s) { replaced[host::comp::kRevolve] = &revolve_; }
  Chains chains;
  std::map<int32_t, host::IComponents*> replaced;

  host::IComponents& Components(int32_t type) override {
    if (type == host::comp::kChain) return chains;
    if (type == host::comp::kProfileSize)
      return s_.Store().First(host::comp::kRevolve)->Profile().Components(type);
    auto it = replaced.find(type);
    return it == replaced.end() ? s_.Components(type) : *it->second;
  }
  host::IProfile& Profile() override { return *this; }
  std::string Name() const override { return s_.Name(); }
  void SetName(const std::string& name) override { s_.SetName(name); }
  host::IApplication& Application() override { return s_.Application(); }
  host::IPage& Page() override { return s_.Page(); }
  host::IPart& Parent() override { return s_.Parent(); }
  void GetNormal(double& x, double& y, double& z) override { s_.GetNormal(x, y, z); }
  void Update() override { s_.Update(); }
  void ResetSizeBox() override { s_.ResetSizeBox(); }

 private:
  scene::Shape& s_;
  One revolve_{static_cast<Inert&>(*this)};
};

}  // namespace geotest
