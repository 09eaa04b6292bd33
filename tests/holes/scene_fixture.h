// Shared set-up of the hole tests on the stand-in host: a model with the hole classes registered
// and the build tree's registry and settings, saved to a folder of its own; and
// one dropped shape for the unit tests of the hole classes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "hole_objects/class_list.h"
#include "hole_objects/hole.h"
#include "hole_input.h"
#include "scene/model_file.h"
#include "scene/scene.h"
#include "support/scene_host.h"
#include "tests/support/test_files.h"

namespace holetest {

namespace scene = cavix::scene;
using cavix::rt::Variant;
using cavix::test::ErrorOf;

class SceneTest : public ::testing::Test {
 protected:
  SceneTest() {
    model->RegisterClasses(cavix::HoleClasses());
    model->InstallServices({CAVIX_TEST_REGISTRY, CAVIX_TEST_SETTINGS});
  }
  void Save() { scene::SaveModel(*model, path); }
  // Makes `spec` on `shape` as the dialog's apply path does.
  static void Create(scene::Shape& shape, const holes::HoleSpec& spec) {
    holes::MakeHole(*spec.kind)->Create(shape, spec);
  }
  // Creates the hole on a newly dropped shape, as the dialog's apply path does.
  scene::Shape& Drop(const HoleInput& input) {
    scene::Shape& s = model->AddDroppedShape();
    Create(s, Spec(input));
    return s;
  }
  static const auto& Chains(const scene::Shape& s) {
    return s.Store().First(15)->ProfileIfAny()->Store().Find(3)->Items();
  }
  static double Deepest(const scene::Shape& s) {
    double d = 0;
    for (const auto& chain : Chains(s))
      for (const auto& p : chain->Points()) d = std::min(d, p.y);
    return d;
  }

  cavix::test::TempDir dir{"cavix-holes-"};
  const std::string path = dir.File("m.json");
  std::unique_ptr<scene::Scene> model = scene::Scene::NewModel({100, 60, 20});
};

class HoleTest : public SceneTest {
 protected:
  // Creates the hole on `hole` as the dialog's apply path does, and returns what was made.
  holes::HoleSpec Create(const HoleInput& s) {
    const holes::HoleSpec spec = Spec(s);
    SceneTest::Create(hole, spec);
    return spec;
  }
  Variant Slot(int16_t group, int16_t slot) { return Record(hole).Value(group, slot); }
  static scene::Component& Record(scene::Shape& s) { return s.Components(34).At(1); }

  scene::Shape& hole = model->AddDroppedShape();
};

}  // namespace holetest
