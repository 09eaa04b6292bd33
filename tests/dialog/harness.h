// A private Cavix install for dialog tests: a temporary application directory with a copy of the
// shipped standards, its own registry and settings files, a new model, and dialog scripts played
// on the real form with their JSON-lines output collected.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "dialog/dialog.h"
#include "dialog/globals.h"
#include "dialog/initialize.h"
#include "forms/message_box.h"
#include "forms/script.h"
#include "hole_objects/class_list.h"
#include "host/drop_hole.h"
#include "runtime/regional.h"
#include "scene/scene.h"

namespace cavix::testing {

namespace fs = std::filesystem;

// What one dialog run printed: its message boxes and form dumps, in order.
struct RunResult {
  std::vector<nlohmann::json> events;
  std::string diag;

  std::vector<nlohmann::json> Messages() const {
    std::vector<nlohmann::json> out;
    for (const auto& e : events)
      if (e["event"] == "message") out.push_back(e);
    return out;
  }
  // The last form dump (fails the test when there is none).
  nlohmann::json LastForm() const {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
      if ((*it)["event"] == "form") return *it;
    ADD_FAILURE() << "no form dump";
    return nlohmann::json::object();
  }
  std::vector<nlohmann::json> Forms() const {
    std::vector<nlohmann::json> out;
    for (const auto& e : events)
      if (e["event"] == "form") out.push_back(e);
    return out;
  }
};

// A control of a dump.
inline const nlohmann::json& Ctl(const nlohmann::json& form, const std::string& name) {
  return form.at("controls").at(name);
}

struct InstallOptions {
  std::string language = "English";
  std::string locale = "en_US";
  int precision = 2;
  scene::Units units = scene::Units::Millimetre;
  scene::Vec3 block{100, 60, 20};
  // Standards families: caption and directory below the application directory.
  std::vector<std::pair<std::string, std::string>> families{{"ISO", "\\Standards\\ISO\\"},
                                                            {"UNC/UNF", "\\Standards\\UNC\\"}};
};

// The test family (plain sizes "10", threaded "M10", a missing table) as the only family.
inline InstallOptions FixtureFamily() {
  InstallOptions o;
  o.families = {{"Fixture", "\\Family\\"}};
  return o;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override { Install(InstallOptions{}); }

  void TearDown() override {
    forms::SetModalDriver(nullptr);
    forms::SetMessageService(nullptr);
    host::SetServiceFactory(nullptr);
    scene_.reset();
    rt::SetRegional(std::nullopt);
    ResetGlobals();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A fresh install and model; previous state (globals, preferences) is dropped.
  void Install(const InstallOptions& o) {
    if (!dir_.empty()) {
      std::error_code ec;
      fs::remove_all(dir_, ec);
    }
    ResetGlobals();
    opts_ = o;
    dir_ = fs::temp_directory_path() /
           ("cavix-dialog-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_));
    fs::create_directories(dir_);
    fs::copy(fs::path(CAVIX_SOURCE_DATA) / "Standards", dir_ / "Standards",
             fs::copy_options::recursive);
    fs::copy(fs::path(CAVIX_SOURCE_DATA) / "Images", dir_ / "Images", fs::copy_options::recursive);
    fs::copy(fs::path(CAVIX_DIALOG_FIXTURES) / "Family", dir_ / "Family",
             fs::copy_options::recursive);
    WriteRegistry(o.language, o.families);
    std::ofstream(dir_ / "settings.ini") << "[Directories]\nThreadFile=" << dir_.string()
                                         << "\\Images\\\n";
    rt::SetRegional(rt::RegionalFor(o.locale));
    NewScene();
  }

  void NewScene() {
    host::SetServiceFactory(nullptr);
    scene_ = scene::Scene::NewModel(opts_.block, opts_.units, opts_.precision);
    scene_->RegisterClasses(HoleClasses());
    scene_->RegisterClasses({host::DropHoleClassInfo()});
    scene_->InstallServices({(dir_ / "cavix.reg").string(), (dir_ / "settings.ini").string()});
    dialog::RegisterEditHandler();
  }

  static std::string RegEscape(const std::string& v) {
    std::string out;
    for (char c : v) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out;
  }

  void WriteRegistry(const std::string& language,
                     const std::vector<std::pair<std::string, std::string>>& families) {
    std::ofstream reg(dir_ / "cavix.reg");
    reg << "Windows Registry Editor Version 5.00\n\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\n"
        << "\"ApplDir\"=\"" << dir_.string() << "\"\n";
    if (!language.empty()) reg << "\"Language\"=\"" << language << "\"\n";
    reg << "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox\\Cavix]\n";
    for (size_t i = 0; i < families.size(); ++i) {
      reg << "\"Norme#" << i << "\"=\"" << families[i].first << "\"\n"
          << "\"Norme Dir#" << i << "\"=\"" << RegEscape(families[i].second) << "\"\n";
    }
    reg << "\"Data#0\"=\"Tab\\\\\"\n\"File INI#0\"=\"Cavix.ini\"\n"
        << "\"File Prefs\"=\"\\\\Cavix.prf\"\n";
  }

  // Plays `script` on the dialog that `open` shows (a drop or a double click).
  template <class Open>
  RunResult Play(const std::string& script, Open open) {
    std::ostringstream out, diag;
    forms::ScriptRunner runner(forms::ParseScript(script, "test-script"), out, diag);
    forms::JsonLinesMessageService messages(out);
    forms::SetModalDriver(&runner);
    forms::SetMessageService(&messages);
    struct Reset {
      ~Reset() {
        forms::SetModalDriver(nullptr);
        forms::SetMessageService(nullptr);
      }
    } reset;
    open();
    RunResult r;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) r.events.push_back(nlohmann::json::parse(line));
    }
    r.diag = diag.str();
    return r;
  }

  // Drops a new hole shape on the part and plays `script` on the dialog.
  RunResult Drop(const std::string& script, scene::Vec3 normal = {0, 0, -1},
                 scene::Vec3 at = {50, 30, 20}) {
    shape_ = &scene_->AddDroppedShape(normal, at);
    return Play(script, [this] { scene_->DropCatalogEntry(*shape_); });
  }

  // Double-clicks `shape` and plays `script` on the dialog.
  RunResult Edit(scene::Shape& shape, const std::string& script) {
    return Play(script, [&] { scene_->DoubleClick(shape); });
  }

  std::string PrefsPath() const { return (dir_ / "Cavix.prf").string(); }
  std::string ReadPrefsFile() const {
    std::ifstream in(PrefsPath(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  // A number variable (group 1) of the hole data of a shape.
  double Num(scene::Shape& s, int16_t slot) {
    return rt::CDbl(s.Components(34).Item(1).Value(1, slot));
  }
  std::string Txt(scene::Shape& s, int16_t slot) {
    return rt::CStr(s.Components(34).Item(1).Value(2, slot));
  }

  static inline int counter_ = 0;
  InstallOptions opts_;
  fs::path dir_;
  std::unique_ptr<scene::Scene> scene_;
  scene::Shape* shape_ = nullptr;
};

}  // namespace cavix::testing
