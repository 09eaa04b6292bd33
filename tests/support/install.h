// A private Cavix install for the tests that open the hole dialog or run the cavix command:
// copies of the shipped standards, images and scripts, a registry file in the Windows export
// format naming that folder, the language and the standards families, and host settings. Its
// users define CAVIX_SOURCE_DATA, the folder of the shipped data.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace cavix::testing {

// Standards families: caption and folder below the application directory.
using Families = std::vector<std::pair<std::string, std::string>>;
inline const Families kShippedFamilies{{"ISO", "\\Standards\\ISO\\"},
                                       {"UNC/UNF", "\\Standards\\UNC\\"}};

// Copies the shipped data into `dir` and writes dir/cavix.reg and dir/settings.ini. An empty
// language leaves the value out of the registry.
inline void WriteInstall(const std::filesystem::path& dir, const std::string& language = "English",
                         const Families& families = kShippedFamilies) {
  namespace fs = std::filesystem;
  fs::create_directories(dir);
  for (const char* sub : {"Standards", "Images", "scripts"})
    fs::copy(fs::path(CAVIX_SOURCE_DATA) / sub, dir / sub, fs::copy_options::recursive);
  const auto esc = [](const std::string& v) {
    std::string out;
    for (char c : v) out += (c == '\\' || c == '"') ? std::string{'\\', c} : std::string{c};
    return out;
  };
  std::ofstream reg(dir / "cavix.reg", std::ios::binary);
  reg << "Windows Registry Editor Version 5.00\r\n\r\n"
      << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\r\n"
      << "\"ApplDir\"=\"" << esc(dir.string()) << "\"\r\n";
  if (!language.empty()) reg << "\"Language\"=\"" << language << "\"\r\n";
  reg << "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox\\Cavix]\r\n";
  for (size_t i = 0; i < families.size(); ++i)
    reg << "\"Norme#" << i << "\"=\"" << families[i].first << "\"\r\n\"Norme Dir#" << i << "\"=\""
        << esc(families[i].second) << "\"\r\n";
  reg << "\"Data#0\"=\"Tab\\\\\"\r\n\"File INI#0\"=\"Cavix.ini\"\r\n"
      << "\"File Prefs\"=\"\\\\Cavix.prf\"\r\n";
  std::ofstream(dir / "settings.ini", std::ios::binary)
      << "[Directories]\r\nThreadFile=" << dir.string() << "\\Images\\\r\n";
}

// A test's own user folders below `dir`, as the environment assignments that start a shell command
// line, and the preferences file the dialog writes there.
inline std::string UserFoldersEnv(const std::filesystem::path& dir) {
  return "XDG_CONFIG_HOME='" + (dir / "config").string() + "' XDG_DATA_HOME='" +
         (dir / "data").string() + "' ";
}
inline std::filesystem::path UserPrefs(const std::filesystem::path& dir) {
  return dir / "config" / "cavix" / "Cavix.prf";
}

}  // namespace cavix::testing
