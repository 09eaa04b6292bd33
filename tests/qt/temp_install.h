// A private Cavix install for the window tests: a temporary application directory with a copy of
// the shipped standards and images, its own registry file (ISO and UNC/UNF, English) and host
// settings; removed again when the object goes.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace cavix::testing {

struct TempInstall {
  std::filesystem::path dir;

  TempInstall() {
    namespace fs = std::filesystem;
    static int counter = 0;
    dir = fs::temp_directory_path() /
          ("cavix-qt-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    fs::create_directories(dir);
    fs::copy(fs::path(CAVIX_SOURCE_DATA) / "Standards", dir / "Standards",
             fs::copy_options::recursive);
    fs::copy(fs::path(CAVIX_SOURCE_DATA) / "Images", dir / "Images", fs::copy_options::recursive);
    std::ofstream(Registry())
        << "Windows Registry Editor Version 5.00\n\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\n"
        << "\"ApplDir\"=\"" << dir.string() << "\"\n\"Language\"=\"English\"\n\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox\\Cavix]\n"
        << "\"Norme#0\"=\"ISO\"\n\"Norme Dir#0\"=\"\\\\Standards\\\\ISO\\\\\"\n"
        << "\"Norme#1\"=\"UNC/UNF\"\n\"Norme Dir#1\"=\"\\\\Standards\\\\UNC\\\\\"\n"
        << "\"Data#0\"=\"Tab\\\\\"\n\"File INI#0\"=\"Cavix.ini\"\n"
        << "\"File Prefs\"=\"\\\\Cavix.prf\"\n";
    std::ofstream(Settings()) << "[Directories]\nThreadFile=" << dir.string() << "\\Images\\\n";
  }
  ~TempInstall() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  TempInstall(const TempInstall&) = delete;
  TempInstall& operator=(const TempInstall&) = delete;

  std::string Registry() const { return (dir / "cavix.reg").string(); }
  std::string Settings() const { return (dir / "settings.ini").string(); }
  // Forgets the preferences, so that the next drop starts as on a first run.
  void ForgetPreferences() const {
    std::error_code ec;
    std::filesystem::remove(dir / "Cavix.prf", ec);
  }
};

}  // namespace cavix::testing
