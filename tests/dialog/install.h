// A private Cavix install for the tests that open the hole dialog (in process, through the cavix
// command, in a window): copies of the shipped standards and images, a registry file in the
// Windows export format naming that folder, the language and the standards families, and host
// settings. Also reads the JSON lines a dialog run printed and checks controls of form dumps.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
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
  for (const char* sub : {"Standards", "Images"})
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

// The JSON lines of a dialog run's output, all of them or those of one event kind.
inline std::vector<nlohmann::json> JsonEvents(const std::string& out, const std::string& kind = "") {
  std::vector<nlohmann::json> v;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) {
    if (l.empty() || l[0] != '{') continue;
    nlohmann::json j = nlohmann::json::parse(l);
    if (kind.empty() || j.value("event", "") == kind) v.push_back(std::move(j));
  }
  return v;
}

// Expects each "Control.property" of a form dump to hold its value.
using FormValues = std::vector<std::pair<std::string, nlohmann::json>>;
inline void ExpectForm(const nlohmann::json& form, const FormValues& want) {
  for (const auto& [key, value] : want) {
    std::string path = "/controls/" + key;
    path[path.find('.')] = '/';
    EXPECT_EQ(form.value(nlohmann::json::json_pointer(path), nlohmann::json()), value) << key;
  }
}

}  // namespace cavix::testing
