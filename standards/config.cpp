// Registry reads of the configuration and the paths built from them.
#include "standards/config.h"

#include "runtime/error.h"

namespace cavix::config {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// True when `path` has a ".." segment, between separators of either kind.
bool Climbs(const std::string& path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (path.compare(start, end - start, "..") == 0 && end - start == 2) return true;
    start = end + 1;
  }
  return false;
}

// A registry value that is joined below a folder must not climb out of it.
std::string Contained(std::string value, const std::string& name) {
  if (Climbs(value))
    rt::Raise(rt::err::kPathFileAccess,
              "the registry value \"" + name + "\" (\"" + value +
                  "\") leads out of the application folder",
              "Registry");
  return value;
}

}  // namespace

std::string Registry::Value(const char* key, const std::string& name) const {
  auto reader = services_->CreateRegistryReader();
  std::string k = key;
  std::string n = name;
  std::string value;
  int32_t status = 0;  // not looked at: a missing key or value answers ""
  reader->ReadString(2, k, n, value, status);
  return value;
}

std::string Registry::Numbered(const std::string& prefix, int index) const {
  return Value(kAddInKey, prefix + std::to_string(index));
}

bool Registry::FileExists(std::string& path) const {
  bool exists = false;
  services_->CreateRegistryReader()->FileExists(path, exists);
  return exists;
}

FamilyPaths ReadFamilyPaths(const Registry& registry, int tab) {
  FamilyPaths p;
  p.applDir = registry.ApplDir();
  const std::string dirName = "Norme Dir#" + std::to_string(tab);
  p.standardsDir = p.applDir + Contained(registry.Value(kAddInKey, dirName), dirName);
  p.iniFile = Contained(registry.Numbered("File INI#", 0), "File INI#0");
  p.prefsFile = p.applDir + Contained(registry.Value(kAddInKey, "File Prefs"), "File Prefs");
  p.dataDir = p.standardsDir + Contained(registry.Numbered("Data#", 0), "Data#0");
  return p;
}

void RequireInsideFolder(const std::string& name, const std::string& what) {
  const bool absolute = !name.empty() && (IsSeparator(name.front()) ||
                                          (name.size() > 1 && name[1] == ':'));
  if (absolute || Climbs(name))
    rt::Raise(rt::err::kPathFileAccess,
              what + " \"" + name + "\" leads out of its folder", "Standards");
}

int16_t ReadLanguageBase(const Registry& registry) {
  const std::string language = registry.Value(kMakerKey, "Language");
  if (language.find("Italian") != std::string::npos) return 1000;
  if (language.find("English") != std::string::npos) return 2000;
  if (language.find("German") != std::string::npos) return 3000;
  return 2000;
}

std::vector<std::string> ListStandardsFamilies(const Registry& registry) {
  std::vector<std::string> families;
  for (int i = 0; i < kMaxFamilies; ++i) {
    std::string caption = registry.Numbered("Norme#", i);
    if (caption.empty()) break;
    families.push_back(std::move(caption));
  }
  return families;
}

}  // namespace cavix::config
