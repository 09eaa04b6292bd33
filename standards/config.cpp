// Registry reads of the configuration and the paths built from them.
#include "standards/config.h"

#include "dialog/globals.h"
#include "host/services.h"

namespace cavix::config {

namespace {

// One registry read through a fresh reader that is released at once. The status is not looked
// at: a missing key or value answers "".
std::string ReadValue(const char* key, const std::string& name) {
  auto reader = host::Services().CreateRegistryReader();
  std::string k = key;
  std::string n = name;
  std::string value;
  int32_t status = 0;
  reader->ReadString(2, k, n, value, status);
  return value;
}

}  // namespace

std::string ReadApplDir() { return ReadValue(kMakerKey, "ApplDir"); }

std::string ReadNumberedValue(const std::string& prefix, int index) {
  return ReadValue(kAddInKey, prefix + std::to_string(index));
}

void RecomputePaths() {
  GlobalsState& g = Globals();
  const std::string applDir = ReadApplDir();
  const std::string standardsDir = applDir + ReadNumberedValue("Norme Dir#", g.StandardsTab);
  const std::string iniFile = ReadNumberedValue("File INI#", 0);
  const std::string prefsFile = applDir + ReadValue(kAddInKey, "File Prefs");
  g.ApplDir = applDir;
  g.StandardsDir = standardsDir;
  g.IniFile = iniFile;
  g.PrefsFile = prefsFile;
}

void RecomputePathsWithDataDir(int index) {
  RecomputePaths();
  GlobalsState& g = Globals();
  g.DataDir = g.StandardsDir + ReadNumberedValue("Data#", index);
  g.IniFile = ReadNumberedValue("File INI#", index);
}

int16_t ReadLanguageBase() {
  const std::string language = ReadValue(kMakerKey, "Language");
  int16_t base = 2000;
  if (language.find("Italian") != std::string::npos) {
    base = 1000;
  } else if (language.find("English") != std::string::npos) {
    base = 2000;
  } else if (language.find("German") != std::string::npos) {
    base = 3000;
  }
  Globals().LanguageBase = base;
  return base;
}

std::vector<std::string> ListStandardsFamilies() {
  std::vector<std::string> families;
  for (int i = 0; i < kMaxFamilies; ++i) {
    std::string caption = ReadNumberedValue("Norme#", i);
    if (caption.empty()) break;
    families.push_back(std::move(caption));
  }
  return families;
}

}  // namespace cavix::config
