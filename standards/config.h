// Configuration read from the registry at each use: the application directory, the standards
// families and their directories, the TAB and INI names, the preferences file, the language.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cavix::config {

// Registry keys under the machine-wide root (root code 2) that hold the configuration.
inline constexpr const char* kMakerKey = "SOFTWARE\\Norvalis\\Zentrox";
inline constexpr const char* kAddInKey = "SOFTWARE\\Norvalis\\Zentrox\\Cavix";

// Value "ApplDir" under the maker's key ("" when missing). Errors of the registry utility are
// raised to the caller.
std::string ReadApplDir();

// Value prefix + index under the add-in's key; the prefix ends in "#" ("Norme#", "Norme Dir#",
// "Data#", "File INI#"). "" when missing.
std::string ReadNumberedValue(const std::string& prefix, int index);

// Sets Globals().ApplDir, StandardsDir (ApplDir + "Norme Dir#<StandardsTab>"), IniFile
// ("File INI#0") and PrefsFile (ApplDir + "File Prefs"). Values are joined exactly as stored.
void RecomputePaths();

// RecomputePaths, then DataDir = StandardsDir + "Data#<index>" and IniFile = "File INI#<index>".
void RecomputePathsWithDataDir(int index);

// The language base of the string table from value "Language" (case-sensitive substring tests,
// in this order: "Italian" 1000, "English" 2000, "German" 3000, anything else 2000). Also stored
// in Globals().LanguageBase.
int16_t ReadLanguageBase();

// Captions "Norme#0", "Norme#1", … up to the first empty one (at most kMaxFamilies).
inline constexpr int kMaxFamilies = 1000;
std::vector<std::string> ListStandardsFamilies();

}  // namespace cavix::config
