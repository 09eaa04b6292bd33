// A private Cavix install in a scratch directory for the dialog fuzz targets and benchmarks: the
// shipped standards families and images, a registry file and host settings naming that
// directory, and new models readied for the add-in (classes registered, services installed).
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "actions/workspace.h"
#include "scene/scene.h"

namespace cavix::fuzz {

class PrivateInstall {
 public:
  // Copies `sourceData`/Standards and /Images into `dir` (created) and writes its registry file.
  PrivateInstall(const std::filesystem::path& sourceData, std::filesystem::path dir)
      : dir_(std::move(dir)) {
    namespace fs = std::filesystem;
    fs::create_directories(dir_);
    fs::copy(sourceData / "Standards", dir_ / "Standards",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::copy(sourceData / "Images", dir_ / "Images",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::ofstream reg(dir_ / "cavix.reg");
    reg << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\r\n"
        << "\"ApplDir\"=\"" << Escaped(dir_.string()) << "\"\r\n"
        << "\"Language\"=\"English\"\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox\\Cavix]\r\n"
        << "\"Norme#0\"=\"ISO\"\r\n\"Norme Dir#0\"=\"\\\\Standards\\\\ISO\\\\\"\r\n"
        << "\"Norme#1\"=\"UNC/UNF\"\r\n\"Norme Dir#1\"=\"\\\\Standards\\\\UNC\\\\\"\r\n"
        << "\"Data#0\"=\"Tab\\\\\"\r\n\"File INI#0\"=\"Cavix.ini\"\r\n"
        << "\"File Prefs\"=\"\\\\Cavix.prf\"\r\n";
    std::ofstream(dir_ / "settings.ini") << "[Directories]\r\nThreadFile=" << dir_.string()
                                         << "\\Images\\\r\n";
  }

  const std::filesystem::path& Dir() const { return dir_; }
  std::filesystem::path PrefsFile() const { return dir_ / "Cavix.prf"; }

  scene::ServiceConfig Services() const {
    return {(dir_ / "cavix.reg").string(), (dir_ / "settings.ini").string()};
  }

  // A new model with the add-in freshly loaded into it (saved nowhere unless asked).
  std::unique_ptr<actions::Workspace> NewModel() const {
    return actions::Workspace::Adopt(scene::Scene::NewModel(), (dir_ / "model.json").string(),
                                     Services());
  }

 private:
  static std::string Escaped(const std::string& v) {
    std::string out;
    for (char c : v) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out;
  }
  std::filesystem::path dir_;
};

}  // namespace cavix::fuzz
