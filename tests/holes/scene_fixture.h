// Shared set-up of the hole tests on the stand-in host: a model with the hole classes registered
// and the build tree's registry and settings, saved to and reopened from a folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "hole_objects/class_list.h"
#include "hole_input.h"
#include "scene/model_file.h"
#include "scene/scene.h"
#include "tests/support/test_files.h"

namespace holetest {

namespace scene = cavix::scene;

class SceneTest : public ::testing::Test {
 protected:
  SceneTest() { Open(scene::Scene::NewModel({100, 60, 20})); }

  void Open(std::unique_ptr<scene::Scene> s) {
    model = std::move(s);
    model->RegisterClasses(cavix::HoleClasses());
    model->InstallServices({CAVIX_TEST_REGISTRY, CAVIX_TEST_SETTINGS});
  }
  void Save() { scene::SaveModel(*model, path); }
  void Reopen() {
    Save();
    Open(scene::LoadModel(path));
  }
  // Creates the hole on a newly dropped shape, as the dialog's apply path does.
  scene::Shape& Drop(const HoleInput& input) {
    scene::Shape& s = model->AddDroppedShape();
    Make(input)->Create(s);
    return s;
  }

  cavix::test::TempDir dir{"cavix-holes-"};
  const std::string path = dir.File("m.json");
  std::unique_ptr<scene::Scene> model;
};

}  // namespace holetest
