// Configuration read from the host's registry at each use: the application folder, the standards
// families and their folders, the TAB and INI names, the preferences file, the language.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/services.h"

namespace cavix::config {

// Registry keys under the machine-wide root (root code 2) that hold the configuration.
inline constexpr const char* kMakerKey = "SOFTWARE\\Norvalis\\Zentrox";
inline constexpr const char* kAddInKey = "SOFTWARE\\Norvalis\\Zentrox\\Cavix";

// Reads configuration values through the host's registry reader, a fresh reader for every read,
// released at once. A missing key or value reads as ""; errors of the reader reach the caller.
class Registry {
 public:
  explicit Registry(host::IServiceFactory& services) : services_(&services) {}

  std::string Value(const char* key, const std::string& name) const;
  // Value "ApplDir" under the maker's key.
  std::string ApplDir() const { return Value(kMakerKey, "ApplDir"); }
  // Value prefix + index under the add-in's key; the prefix ends in "#" ("Norme#", "Norme Dir#",
  // "Data#", "File INI#").
  std::string Numbered(const std::string& prefix, int index) const;
  // The host's file test, through the same utility.
  bool FileExists(std::string& path) const;

 private:
  host::IServiceFactory* services_;
};

// The paths of one standards family, joined exactly as the registry writes them (backslashes
// included, no separators added).
struct FamilyPaths {
  std::string applDir;       // "ApplDir"
  std::string standardsDir;  // applDir + "Norme Dir#<tab>"
  std::string iniFile;       // "File INI#0"
  std::string dataDir;       // standardsDir + "Data#0"
  std::string prefsFile;     // applDir + "File Prefs"
  std::string IniPath() const { return standardsDir + iniFile; }
};

// The paths of family `tab`. Registry errors reach the caller. A relative value that climbs out
// of its folder ("..") raises 75 naming the value: tables stay inside the application folder and
// the preferences beside them.
FamilyPaths ReadFamilyPaths(const Registry& registry, int tab);

// A file name taken from a configuration file (a TAB name in an INI entry) that must stay inside
// its folder: 75 naming `what` when it is absolute or climbs out with "..".
void RequireInsideFolder(const std::string& name, const std::string& what);

// The language base of the string table from value "Language" (case-sensitive substring tests,
// in this order: "Italian" 1000, "English" 2000, "German" 3000, anything else 2000).
int16_t ReadLanguageBase(const Registry& registry);

// Captions "Norme#0", "Norme#1", … up to the first empty one (at most kMaxFamilies).
inline constexpr int kMaxFamilies = 1000;
std::vector<std::string> ListStandardsFamilies(const Registry& registry);

}  // namespace cavix::config
