// The in-memory scene as the hole logic reaches it through the host interfaces, and the events
// through which it calls the add-in's classes.
#include "scene/scene.h"

#include <gtest/gtest.h>

#include "runtime/error.h"
#include "scene/services.h"

namespace cavix::scene {
namespace {

using host::comp::kHandler;

// The run-time error `f` raises; number 0 when it raises none.
rt::Error Raised(const std::function<void()>& f) {
  try {
    f();
  } catch (const rt::Error& e) {
    return e;
  }
  return rt::Error(0, "none");
}
int ErrorOf(const std::function<void()>& f) { return Raised(f).Number(); }

// Variables keep their type, read empty when unwritten, and a single index and a (group, slot)
// pair are different variables; chains take numbers only, from their start point on.
TEST(SceneModel, VariablesChainsAndKindMembers) {
  auto scene = Scene::NewModel();
  Shape& shape = scene->AddDroppedShape({0, 0, -1}, {10, 20, 0});
  host::IComponent& c = shape.Components(34).Add();
  EXPECT_TRUE(c.Value(1, 6).IsEmpty());
  c.SetValue(1, 6, Variant(int16_t{1}));
  c.SetValue(6, Variant(true));
  EXPECT_EQ(c.Value(1, 6), Variant(int16_t{1}));
  EXPECT_EQ(c.Value(6), Variant(true));
  EXPECT_TRUE(c.Value(2, 6).IsEmpty());
  EXPECT_EQ(ErrorOf([&] { c.SetValue(1, 8, Variant(std::numeric_limits<double>::infinity())); }),
            6);
  EXPECT_TRUE(c.Value(1, 8).IsEmpty());

  host::IComponent& chain = shape.Components(15).Item(1).Profile().Components(3).Add();
  EXPECT_EQ(ErrorOf([&] { chain.AddLineTo(Variant(1.0), Variant(0.0)); }), 5);
  chain.SetStartPoint(Variant(int16_t{0}), Variant(0.0));
  chain.AddLineTo(Variant("0"), Variant(-23.004));
  EXPECT_EQ(dynamic_cast<Component&>(chain).Points().back(), (Point2{0, -23.004}));
  EXPECT_EQ(ErrorOf([&] { chain.AddLineTo(Variant("abc"), Variant(1.0)); }), 13);
  EXPECT_EQ(ErrorOf([&] { shape.Components(1).Item(1).Profile(); }), 438);
}

TEST(SceneModel, ShapesAreFoundByIdOrNameAndDiscarded) {
  auto scene = Scene::NewModel();
  Shape& a = scene->AddDroppedShape();
  Shape& b = scene->AddDroppedShape();
  EXPECT_EQ(scene->FindShape("#1")->Name(), "Block");
  EXPECT_EQ(scene->FindShape("#3"), &b);
  EXPECT_EQ(scene->FindShape("#x"), nullptr);
  EXPECT_NE(Raised([&] { scene->ResolveShape("Fori"); }).Description().find("#2, #3"),
            std::string::npos);
  EXPECT_EQ(ErrorOf([&] { scene->ResolveShape("nothing"); }), 5);

  scene->ActivePage().Select(a);
  MakeShapeDiscardService(*scene)->ShapeDiscard(a);
  EXPECT_EQ(scene->ActivePage().SelectedItems(1).Count(), 0);
  EXPECT_EQ(scene->MainPart().Components(23).Item(1).Shapes().Count(), 2);
  EXPECT_EQ(scene->FindShape("Fori"), &b);
}

// A stand-in drop handler that records whom the host asked.
std::vector<std::string> g_drops;

class FakeDrop : public host::IAutomationObject, public host::IDropHandler {
 public:
  explicit FakeDrop(std::string who) : who_(std::move(who)) {}
  void Drop(host::IShape& shape, int32_t&, int32_t&) override {
    g_drops.push_back(who_ + " " + shape.Name());
  }
  void DropPattern(std::vector<host::IShape*>&) override {}
  void AssignEvent(host::IApplication&) override {}

 private:
  std::string who_;
};

std::vector<host::ClassInfo> FakeClasses() {
  return {{"Cavix.DropHole", "{AAAA0005-0000-0000-0000-000000000000}",
           [] { return std::make_unique<FakeDrop>("drop"); }},
          {"Other.Drop", "{AAAA0006-0000-0000-0000-000000000000}",
           [] { return std::make_unique<FakeDrop>("other"); }}};
}

TEST(SceneEvents, UnboundOrUnknownShapesGiveAClearError) {
  auto scene = Scene::NewModel();
  scene->RegisterClasses(FakeClasses());
  Shape& block = *scene->FindShape("#1");
  EXPECT_NE(
      Raised([&] { scene->DoubleClick(block); }).Description().find("#1 \"Block\" is not bound"),
      std::string::npos);
  block.Components(kHandler).Add().SetValue(1, Variant("{DEAD}"));
  const rt::Error e = Raised([&] { scene->Regenerate(block); });
  EXPECT_EQ(e.Number(), 429);
  EXPECT_NE(e.Description().find("{DEAD}"), std::string::npos);
}

TEST(SceneEvents, DropUsesTheAuthoredCatalogEntryElseTheShippedHandler) {
  g_drops.clear();
  auto scene = Scene::NewModel();
  scene->RegisterClasses(FakeClasses());
  Shape& first = scene->AddDroppedShape();
  scene->DropCatalogEntry(first);

  // An entry authored the way AssignEvent does, naming another handler; it is a copy, so later
  // changes to the item do not reach it.
  Shape& item = scene->AddDroppedShape();
  item.Components(kHandler).Add().SetValue(1, Variant("{AAAA0006-0000-0000-0000-000000000000}"));
  scene->App().Catalogs().Item(1).Entries().Add(item).SetLabel("Fori");
  item.Components(kHandler).Item(1).SetValue(1, Variant("{AAAA0005-0000-0000-0000-000000000000}"));
  scene->DropCatalogEntry(first);
  EXPECT_EQ(g_drops, (std::vector<std::string>{"drop Fori", "other Fori"}));

  auto bare = Scene::NewModel();
  EXPECT_EQ(ErrorOf([&] { bare->DropCatalogEntry(bare->AddDroppedShape()); }), 429);
}

}  // namespace
}  // namespace cavix::scene
