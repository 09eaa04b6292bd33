// Registry reads of the configuration, the paths built from them, and the user's folders searched
// before the application folder.
#include "standards/config.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "runtime/error.h"
#include "runtime/text_file.h"

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

namespace {

bool IsFolder(const std::string& built) {
  struct stat st {};
  return ::stat(rt::NativePath(built).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An absolute folder from a variable of the XDG rules, or "" when it is unset, empty or relative.
std::string AbsoluteOrNone(const char* value) {
  return value && value[0] == '/' ? std::string(value) : std::string();
}

// A folder value the way the registry writes one, without its outer separators and with "/":
// "\Standards\ISO\" and "Standards/ISO" are the same folder.
std::string FolderKey(std::string_view value) {
  std::string key;
  for (char c : value) {
    if (c == '\\') c = '/';
    if (c == '/' && (key.empty() || key.back() == '/')) continue;
    key += c;
  }
  if (!key.empty() && key.back() == '/') key.pop_back();
  return key;
}

// A value below the application folder, looked for in the user's data folder first. An empty
// value is the application folder itself, never the user's.
std::string InUserFolderFirst(const std::string& applDir, const std::string& userData,
                              const std::string& value) {
  if (!userData.empty() && !FolderKey(value).empty() && IsFolder(userData + value))
    return userData + value;
  return applDir + value;
}

// The folders of <user data>\Standards\, by name; `problem` says why the folder could not be read.
std::vector<std::string> UserFamilyNames(const std::string& userData, std::string& problem) {
  std::vector<std::string> names;
  if (userData.empty()) return names;
  const std::string native = rt::NativePath(userData + kUserStandards);
  std::error_code ec;
  std::filesystem::directory_iterator it(native, ec);
  if (ec) {
    if (ec != std::errc::no_such_file_or_directory)
      problem = "the folder \"" + native + "\" of your standards families cannot be read (" +
                ec.message() + "); only the shipped families are offered";
    return names;
  }
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    // Hidden folders are no families; a backslash would read as a separator once joined.
    if (name.empty() || name.front() == '.' || name.find('\\') != std::string::npos ||
        !it->is_directory(typeError))
      continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The registry's families and then the user's own, with their folders.
FamilyList Families(const Registry& registry, const std::string& applDir,
                    const std::string& userData, int upTo) {
  FamilyList list;
  std::vector<std::string> shippedKeys;
  for (int i = 0; i < kMaxFamilies && i <= upTo; ++i) {
    std::string caption = registry.Numbered("Norme#", i);
    if (caption.empty()) break;
    // A value that climbs out is refused when its family is opened (ReadFamilyPaths), not here:
    // the other families stay usable.
    const std::string value = registry.Numbered("Norme Dir#", i);
    Family f{std::move(caption),
             Climbs(value) ? applDir + value : InUserFolderFirst(applDir, userData, value),
             Family::Source::Shipped};
    if (f.dir != applDir + value) f.source = Family::Source::UserInPlaceOfShipped;
    shippedKeys.push_back(FolderKey(value));
    list.families.push_back(std::move(f));
  }
  if (static_cast<int>(list.families.size()) > upTo) return list;
  std::string problem;
  for (const std::string& name : UserFamilyNames(userData, problem)) {
    if (list.families.size() >= static_cast<size_t>(kMaxFamilies)) break;
    const std::string value = kUserStandards + name + "\\";
    if (std::find(shippedKeys.begin(), shippedKeys.end(), FolderKey(value)) != shippedKeys.end())
      continue;  // in a registry family's place already
    list.families.push_back({rt::DecodeLine(name), userData + value, Family::Source::User});
  }
  if (!problem.empty()) list.problems.push_back(std::move(problem));
  return list;
}

std::string OwnerName(uid_t uid) {
  struct passwd pw {};
  struct passwd* found = nullptr;
  std::vector<char> buf(16384);
  if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found)
    return found->pw_name;
  return "number " + std::to_string(uid);
}

// Makes `native` and any missing folder above it, each new one private to the user.
void MakeFolder(const std::string& native) {
  struct stat st {};
  if (::stat(native.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode))
      rt::Raise(rt::err::kPathFileAccess, "\"" + native + "\" is not a folder", native);
    return;
  }
  const size_t slash = native.find_last_of('/');
  if (slash != std::string::npos && slash > 0) MakeFolder(native.substr(0, slash));
  if (::mkdir(native.c_str(), 0700) != 0 && errno != EEXIST)
    rt::Raise(errno == ENOSPC ? rt::err::kDiskFull : rt::err::kPermissionDenied,
              "the folder \"" + native + "\" cannot be made (" + std::strerror(errno) + ")",
              native);
}

}  // namespace

host::UserFolders UserFoldersFromEnvironment(const std::function<const char*(const char*)>& env) {
  // A folder below `base`, which may end in separators ("/" is the root).
  auto below = [](std::string base, const char* tail) {
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + tail;
  };
  const std::string home = AbsoluteOrNone(env("HOME"));
  auto folder = [&](const char* variable, const char* belowHome) {
    std::string base = AbsoluteOrNone(env(variable));
    if (base.empty() && !home.empty()) base = below(home, belowHome);
    return base.empty() ? base : below(base, "/cavix");
  };
  return {folder("XDG_CONFIG_HOME", "/.config"), folder("XDG_DATA_HOME", "/.local/share")};
}

FamilyList ListFamilies(const Registry& registry) {
  return Families(registry, registry.ApplDir(), registry.User().data, kMaxFamilies);
}

FamilyPaths ReadFamilyPaths(const Registry& registry, int tab) {
  FamilyPaths p;
  p.applDir = registry.ApplDir();
  const host::UserFolders user = registry.User();
  const FamilyList families = Families(registry, p.applDir, user.data, tab);
  const std::string dirName = "Norme Dir#" + std::to_string(tab);
  const std::string value = registry.Value(kAddInKey, dirName);
  if (tab >= 0 && static_cast<size_t>(tab) < families.families.size()) {
    const Family& f = families.families[static_cast<size_t>(tab)];
    if (f.source != Family::Source::User) Contained(value, dirName);
    p.standardsDir = f.dir;
  } else {
    p.standardsDir = p.applDir + Contained(value, dirName);
  }
  p.iniFile = Contained(registry.Numbered("File INI#", 0), "File INI#0");
  const std::string prefs = Contained(registry.Value(kAddInKey, "File Prefs"), "File Prefs");
  p.prefsFile = (user.config.empty() ? p.applDir : user.config) + prefs;
  p.prefsFolder = user.config;
  p.prefsToRead = rt::FileExists(p.prefsFile) ? p.prefsFile : p.applDir + prefs;
  p.dataDir = p.standardsDir + Contained(registry.Numbered("Data#", 0), "Data#0");
  return p;
}

void WritePreferences(const FamilyPaths& paths, std::string_view content) {
  const std::string native = rt::NativePath(paths.prefsFile);
  if (!paths.prefsFolder.empty()) {
    const std::string folder = rt::NativePath(paths.prefsFolder);
    MakeFolder(folder);
    if (::access(folder.c_str(), W_OK) != 0)
      rt::Raise(rt::err::kPermissionDenied,
                "the folder \"" + folder + "\" cannot be written (" + std::strerror(errno) + ")",
                folder);
  }
  // Another user's file stays theirs: it would not be replaced by one of this user's, and a
  // superuser writing into a user's folder would leave it unwritable to that user.
  struct stat st {};
  if (::stat(native.c_str(), &st) == 0 && st.st_uid != ::geteuid())
    rt::Raise(rt::err::kPermissionDenied,
              "the preferences file \"" + native + "\" belongs to the user " +
                  OwnerName(st.st_uid) + "; it is left as it is",
              native);
  rt::WriteFileAtomically(native, content);
}

std::vector<PathUse> PathsInUse(const Registry& registry) {
  const std::string applDir = registry.ApplDir();
  const host::UserFolders user = registry.User();
  std::vector<PathUse> uses;
  auto add = [&uses](std::string what, const std::string& built, bool folder, bool written) {
    const std::string native = rt::NativePath(built);
    struct stat st {};
    const bool exists =
        ::stat(native.c_str(), &st) == 0 && (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
    uses.push_back({std::move(what), native, folder, written, exists});
  };
  add("application folder", applDir, true, false);
  const FamilyList families = ListFamilies(registry);
  for (const Family& f : families.families) {
    const char* whose = f.source == Family::Source::Shipped ? "standards family "
                        : f.source == Family::Source::User ? "your standards family "
                                                           : "your standards family in place of ";
    add(whose + f.caption, f.dir, true, false);
  }
  add("thread picture folder", applDir + "\\Images\\", true, false);
  add("dialog scripts of the demo", applDir + "\\scripts\\", true, false);
  const FamilyPaths paths = ReadFamilyPaths(registry, 0);
  if (!user.config.empty()) add("your configuration folder", user.config, true, true);
  add("preferences file", paths.prefsFile, false, true);
  if (paths.prefsToRead != paths.prefsFile)
    add("shipped preferences (read until yours exist)", paths.prefsToRead, false, false);
  if (!user.data.empty()) {
    add("your data folder", user.data, true, false);
    add("your standards families", user.data + kUserStandards, true, false);
  }
  return uses;
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
