// The hole dialog on the real form, in process: a private install (with the test family of
// fixtures/Family beside the shipped ones when asked), a new model, and dialog scripts played on
// the dialog a drop or a double click opens, with their JSON-lines output collected.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "actions/holes.h"
#include "actions/workspace.h"
#include "dialog/dialog_form.h"
#include "forms/script.h"
#include "runtime/regional.h"
#include "scene/scene.h"
#include "tests/forms/json_lines.h"
#include "tests/support/install.h"
#include "tests/support/test_files.h"

namespace cavix::testing {

namespace fs = std::filesystem;

// What one dialog run printed: its message boxes and form dumps, in order.
struct RunResult {
  std::string out, diag;
  std::vector<nlohmann::json> Messages() const { return JsonEvents(out, "message"); }
  std::vector<nlohmann::json> Forms() const { return JsonEvents(out, "form"); }
  // The last form dump (fails the test when there is none).
  nlohmann::json LastForm() const {
    const auto forms = Forms();
    if (!forms.empty()) return forms.back();
    ADD_FAILURE() << "no form dump";
    return nlohmann::json::object();
  }
};

struct InstallOptions {
  std::string language = "English";
  std::string locale = "en_US";
  Families families = kShippedFamilies;
  host::UserFolders user{};  // none: the preferences in the install
};

// The test family (plain sizes "10", threaded "M10", a missing table).
inline const Families kFixtureFamily{{"Fixture", "\\Family\\"}};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override { Install(InstallOptions{}); }

  void TearDown() override {
    scene_.reset();
    rt::SetRegional(std::nullopt);
  }

  // A fresh install and model, the add-in loaded anew; the previous preferences are dropped.
  void Install(const InstallOptions& o) {
    addIn_ = std::make_shared<dialog::AddIn>();
    dir_ = std::make_unique<test::TempDir>("cavix-dialog-");
    WriteInstall(dir_->path, o.language, o.families);
    fs::copy(fs::path(CAVIX_DIALOG_FIXTURES) / "Family", dir_->path / "Family",
             fs::copy_options::recursive);
    rt::SetRegional(rt::RegionalFor(o.locale));
    scene_ = scene::Scene::NewModel({100, 60, 20}, scene::Units::Millimetre, 2);
    actions::LoadAddIn(*scene_, {dir_->File("cavix.reg"), dir_->File("settings.ini"), o.user},
                       addIn_);
  }

  // Plays `script` on the dialog that `open` shows (a drop or a double click).
  template <class Open>
  RunResult Play(const std::string& script, Open open) {
    std::ostringstream out, diag;
    actions::DialogPlayer(forms::ParseScript(script, "test-script"), out, diag).Run(*addIn_, open);
    return {out.str(), diag.str()};
  }

  // Drops a new hole shape on the part and plays `script` on the dialog.
  RunResult Drop(const std::string& script) {
    shape_ = &scene_->AddDroppedShape({0, 0, -1}, {50, 30, 20});
    return Play(script, [this] { scene_->DropCatalogEntry(*shape_); });
  }

  // Double-clicks `shape` and plays `script` on the dialog.
  RunResult Edit(scene::Shape& shape, const std::string& script) {
    return Play(script, [&] { scene_->DoubleClick(shape); });
  }

  std::string PrefsPath() const { return dir_->File("Cavix.prf"); }
  std::string ReadPrefsFile() const { return test::Slurp(PrefsPath()); }

  // A number variable of the hole data of a shape.
  static double Num(scene::Shape& s, int16_t slot) {
    return rt::CDbl(s.Components(34).Item(1).Value(1, slot));
  }
  std::string ClassOf(scene::Shape& s) { return scene_->FindClassByTag(s.BindingTag())->progId; }

  std::unique_ptr<test::TempDir> dir_;
  std::unique_ptr<scene::Scene> scene_;
  std::shared_ptr<dialog::AddIn> addIn_;
  scene::Shape* shape_ = nullptr;
};

}  // namespace cavix::testing
