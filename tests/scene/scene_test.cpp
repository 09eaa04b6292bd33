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

TEST(SceneModel, VariablesKeepTypeAndValueAndReadEmptyWhenUnwritten) {
  auto scene = Scene::NewModel();
  host::IComponent& c = scene->AddDroppedShape().Components(34).Add();
  EXPECT_TRUE(c.Value(1, 6).IsEmpty());
  EXPECT_TRUE(c.Value(6).IsEmpty());
  c.SetValue(1, 6, Variant(int16_t{1}));
  c.SetValue(6, Variant(true));
  EXPECT_EQ(c.Value(1, 6), Variant(int16_t{1}));
  // A single index and a (group, slot) pair are different variables.
  EXPECT_EQ(c.Value(6), Variant(true));
  EXPECT_TRUE(c.Value(2, 6).IsEmpty());
  c.SetValue(1, 6, Variant{});
  EXPECT_TRUE(c.Value(1, 6).IsEmpty());
  EXPECT_EQ(ErrorOf([&] { c.SetValue(1, 8, Variant(std::numeric_limits<double>::infinity())); }),
            6);
  EXPECT_TRUE(c.Value(1, 8).IsEmpty());
}

TEST(SceneModel, KindMembersWorkOnTheirKindOnly) {
  auto scene = Scene::NewModel();
  Shape& shape = scene->AddDroppedShape({0, 0, -1}, {10, 20, 0});
  EXPECT_EQ(shape.Name(), "Fori");
  for (int type : {1, 14, 15}) EXPECT_EQ(shape.Components(type).Count(), 1) << type;
  host::IProfile& profile = shape.Components(15).Item(1).Profile();
  EXPECT_EQ(profile.Components(4).Count(), 1);
  EXPECT_EQ(profile.Components(3).Count(), 0);

  host::IComponent& chain = profile.Components(3).Add();
  EXPECT_EQ(ErrorOf([&] { chain.AddLineTo(Variant(1.0), Variant(0.0)); }), 5);
  chain.SetStartPoint(Variant(int16_t{0}), Variant(0.0));
  chain.AddLineTo(Variant(4.25), Variant(int32_t{-20}));
  chain.AddLineTo(Variant("0"), Variant(-23.004));
  auto& points = dynamic_cast<Component&>(chain).Points();
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[1], (Point2{4.25, -20}));
  EXPECT_EQ(points[2], (Point2{0, -23.004}));
  EXPECT_EQ(ErrorOf([&] { chain.AddLineTo(Variant("abc"), Variant(1.0)); }), 13);

  EXPECT_EQ(ErrorOf([&] { shape.Components(1).Item(1).Profile(); }), 438);
  EXPECT_EQ(
      ErrorOf([&] { shape.Components(14).Item(1).SetStartPoint(Variant(0.0), Variant(0.0)); }),
      438);
  double x = 1, y = 2, z = 3;
  EXPECT_EQ(ErrorOf([&] { shape.Components(1).Item(1).SurfaceFinish(x, y, z, 1, 1, 0); }), 438);

}

TEST(SceneModel, ShapesAreFoundByIdOrNameAndDiscarded) {
  auto scene = Scene::NewModel();
  Shape& a = scene->AddDroppedShape();
  Shape& b = scene->AddDroppedShape();
  EXPECT_EQ(scene->FindShape("#1")->Name(), "Block");
  EXPECT_EQ(scene->FindShape("#" + std::to_string(b.Id())), &b);
  EXPECT_EQ(scene->FindShape("Block")->Id(), 1);
  EXPECT_EQ(scene->FindShape("#99"), nullptr);
  EXPECT_EQ(scene->FindShape("#x"), nullptr);
  EXPECT_NE(Raised([&] { scene->ResolveShape("Fori"); }).Description().find("#2, #3"),
            std::string::npos);
  EXPECT_EQ(ErrorOf([&] { scene->ResolveShape("nothing"); }), 5);

  scene->ActivePage().Select(a);
  EXPECT_EQ(scene->ActivePage().SelectedItems(1).Count(), 1);
  MakeShapeDiscardService(*scene)->ShapeDiscard(a);
  EXPECT_EQ(scene->ActivePage().SelectedItems(1).Count(), 0);
  EXPECT_EQ(scene->MainPart().Components(23).Item(1).Shapes().Count(), 2);
  EXPECT_EQ(scene->FindShape("Fori"), &b);
  EXPECT_EQ(ErrorOf([&] { MakeShapeDiscardService(*scene)->ShapeDiscard(a); }), 5);
}

// A stand-in add-in class that records what the host asked of it.
struct Calls {
  std::vector<std::string> log;
};
Calls g_calls;

class FakeHole : public host::IAutomationObject, public host::IShapeEvents {
 public:
  void DblClick(host::IShape& shape, int32_t&, int32_t&) override {
    g_calls.log.push_back("dbl " + shape.Name());
  }
  void Update(host::IShape& shape) override { g_calls.log.push_back("update " + shape.Name()); }
};

class FakeDrop : public host::IAutomationObject, public host::IDropHandler {
 public:
  explicit FakeDrop(std::string who) : who_(std::move(who)) {}
  void Drop(host::IShape& shape, int32_t&, int32_t&) override {
    g_calls.log.push_back(who_ + " " + shape.Name());
  }
  void DropPattern(std::vector<host::IShape*>& shapes) override {
    for (host::IShape* s : shapes) g_calls.log.push_back(who_ + " pattern " + s->Name());
  }
  void AssignEvent(host::IApplication&) override {}

 private:
  std::string who_;
};

std::vector<host::ClassInfo> FakeClasses() {
  return {
      {"Cavix.HoleSimple", "{AAAA0001-0000-0000-0000-000000000000}",
       [] { return std::make_unique<FakeHole>(); }},
      {"Cavix.DropHole", "{AAAA0005-0000-0000-0000-000000000000}",
       [] { return std::make_unique<FakeDrop>("drop"); }},
      {"Other.Drop", "{AAAA0006-0000-0000-0000-000000000000}",
       [] { return std::make_unique<FakeDrop>("other"); }},
  };
}

TEST(SceneEvents, BoundClassReceivesDoubleClickAndRegeneration) {
  g_calls.log.clear();
  auto scene = Scene::NewModel();
  scene->RegisterClasses(FakeClasses());
  Shape& hole = scene->AddDroppedShape();
  std::string progId = "cavix.holesimple";  // identifiers are not case-sensitive
  int32_t reserved = 0;
  std::string tag = MakeClassTagService(*scene)->ProgIdToClassTag(progId, reserved);
  EXPECT_EQ(tag, "{AAAA0001-0000-0000-0000-000000000000}");
  hole.Components(kHandler).Add().SetValue(1, Variant(tag));
  scene->DoubleClick(hole);
  scene->Regenerate(hole);
  EXPECT_EQ(g_calls.log, (std::vector<std::string>{"dbl Fori", "update Fori"}));
  EXPECT_EQ(scene->BoundShapes(), std::vector<Shape*>{&hole});

  // The hole class is no drop handler and no thread provider.
  EXPECT_EQ(ErrorOf([&] { scene->ThreadQuery(hole); }), 438);
  std::string unknown = "Cavix.Nothing";
  EXPECT_EQ(ErrorOf([&] { MakeClassTagService(*scene)->ProgIdToClassTag(unknown, reserved); }),
            429);
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
  g_calls.log.clear();
  auto scene = Scene::NewModel();
  scene->RegisterClasses(FakeClasses());
  Shape& first = scene->AddDroppedShape();
  scene->DropCatalogEntry(first);

  // Author an entry the way the add-in's AssignEvent does, naming another handler.
  Shape& item = scene->AddDroppedShape();
  item.Components(kHandler).Add().SetValue(1, Variant("{AAAA0006-0000-0000-0000-000000000000}"));
  CatalogEntry& entry = scene->App().Catalogs().Item(1).Entries().Add(item);
  entry.SetLabel("Fori");
  // The entry is a copy: later changes to the item do not reach it.
  item.Components(kHandler).Item(1).SetValue(1, Variant("{AAAA0005-0000-0000-0000-000000000000}"));
  scene->DropCatalogEntry(first);
  EXPECT_EQ(g_calls.log, (std::vector<std::string>{"drop Fori", "other Fori"}));

  auto bare = Scene::NewModel();
  EXPECT_EQ(ErrorOf([&] { bare->DropCatalogEntry(bare->AddDroppedShape()); }), 429);
}

TEST(SceneServices, TheApplicationHandsOutItsScenesServices) {
  auto scene = Scene::NewModel();
  EXPECT_EQ(ErrorOf([&] { scene->App().Services(); }), 429);
  scene->InstallServices({"/nonexistent/cavix.reg", "/nonexistent/settings.ini"});
  auto units = scene->App().Services().CreateUnitsService();
  double v = 1;
  int32_t from = 4, to = 7;
  EXPECT_DOUBLE_EQ(units->Convert(nullptr, v, from, to), 25.4);
}

}  // namespace
}  // namespace cavix::scene
