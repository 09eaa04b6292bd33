// Configuration read from the host's registry at each use: the application folder, the standards
// families and their folders, the TAB and INI names, the preferences file, the language; and where
// each file lives: the application folder holds the shipped defaults, read-only to users, and the
// user's own folders hold what a user writes or adds, searched first.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
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
  // The current user's folders, as the host names them (empty: none).
  host::UserFolders User() const { return services_->CurrentUserFolders(); }

 private:
  host::IServiceFactory* services_;
};

// The current user's folders by the XDG Base Directory rules: $XDG_CONFIG_HOME/cavix and
// $XDG_DATA_HOME/cavix, else $HOME/.config/cavix and $HOME/.local/share/cavix. A variable that is
// unset, empty or not an absolute path counts as unset; without a usable HOME either, that folder
// is "" (none). `env` answers a variable's value, or nullptr when it is unset.
host::UserFolders UserFoldersFromEnvironment(const std::function<const char*(const char*)>& env);

// The folder of the user's own standards families, below the user's data folder.
inline constexpr const char* kUserStandards = "\\Standards\\";

// One standards family, one tab of the dialog. The registry's families come first, in its order;
// the user's own (the folders of <user data>\Standards\) follow by name. A user's folder named as
// a registry family's folder takes that family's place, and keeps its caption.
struct Family {
  enum class Source { Shipped, User, UserInPlaceOfShipped };
  std::string caption;
  std::string dir;  // the family's folder as built, ending in its separator
  Source source = Source::Shipped;
};
struct FamilyList {
  std::vector<Family> families;
  // A user's folder that could not be read, in words naming it; the other families stand.
  std::vector<std::string> problems;
};
FamilyList ListFamilies(const Registry& registry);

// The paths of one standards family, joined exactly as the registry writes them (backslashes
// included, no separators added).
struct FamilyPaths {
  std::string applDir;       // "ApplDir"
  std::string standardsDir;  // the family's folder: applDir (or the user's) + "Norme Dir#<tab>"
  std::string iniFile;       // "File INI#0"
  std::string dataDir;       // standardsDir + "Data#0"
  // The preferences the dialog writes: the user's configuration folder + "File Prefs" (applDir +
  // "File Prefs" when there is no user folder), and the folder to make for them ("": none).
  std::string prefsFile;
  std::string prefsFolder;
  // The preferences the dialog reads: the user's, else the ones shipped in applDir.
  std::string prefsToRead;
  std::string IniPath() const { return standardsDir + iniFile; }
};

// The paths of family `tab` (a registry family, or past them a user's own). A value that names a
// folder below the application folder is looked for in the user's data folder first. Registry
// errors reach the caller. A relative value that climbs out of its folder ("..") raises 75 naming
// the value: tables stay inside the application folder and the preferences beside them.
FamilyPaths ReadFamilyPaths(const Registry& registry, int tab);

// Writes the preferences whole (see rt::WriteFileAtomically), making the user's folder first when
// it is missing (mode 0700, as the XDG rules ask). Raises 70 naming the folder when it cannot be
// made or written, and naming the owner when the file belongs to another user: that file is left
// as it is.
void WritePreferences(const FamilyPaths& paths, std::string_view content);

// Every folder and file that Cavix reads or writes by the registry in force (the registry and
// settings files themselves aside, which the application names), with whether it exists.
struct PathUse {
  std::string what;  // "preferences file", "standards family ISO", …
  std::string path;  // native
  bool folder = false;
  bool written = false;  // false: only read
  bool exists = false;
};
std::vector<PathUse> PathsInUse(const Registry& registry);

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
