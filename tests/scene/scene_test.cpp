// The in-memory scene as the hole logic reaches it through the host interfaces, and the events
// through which it calls the add-in's classes.
#include "scene/scene.h"

#include <gtest/gtest.h>

#include "runtime/error.h"
#include "scene/services.h"
#include "tests/support/raised.h"

namespace cavix::scene {
namespace {

using host::comp::kHandler;

using cavix::test::ErrorOf;
using cavix::test::Raised;

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

TEST(SceneEvents, UnboundOrUnknownShapesGiveAClearError) {
  auto scene = Scene::NewModel();
  Shape& block = *scene->FindShape("#1");
  EXPECT_NE(
      Raised([&] { scene->DoubleClick(block); }).Description().find("#1 \"Block\" is not bound"),
      std::string::npos);
  block.Components(kHandler).Add().SetValue(1, Variant("{DEAD}"));
  const rt::Error e = Raised([&] { scene->Regenerate(block); });
  EXPECT_EQ(e.Number(), 429);
  EXPECT_NE(e.Description().find("{DEAD}"), std::string::npos);
}

}  // namespace
}  // namespace cavix::scene
