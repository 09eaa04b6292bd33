// Readers of the registry export and of the host settings file.
#include "scene/config_files.h"

#include <sstream>

#include "runtime/error.h"
#include "runtime/text_file.h"
#include "scene/text_util.h"

namespace cavix::scene {

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Regedit writes its exports in UTF-16LE; an unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  size_t n = bytes.size() / 2;
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
  };
  for (size_t i = 0; i < n; ++i) {
    uint32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
      uint32_t lo = unit(++i);
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
    } else if (u >= 0xD800 && u < 0xE000) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

std::vector<std::string> SplitLines(std::string_view text, bool decode) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(decode ? rt::DecodeLine(line) : std::string(line));
    start = end + 1;
  }
  return lines;
}

[[noreturn]] void SyntaxError(const std::string& kind, const std::string& path, size_t line,
                              const std::string& problem) {
  rt::Raise(kInvalidFileFormat,
            kind + " \"" + path + "\", line " + std::to_string(line) + ": " + problem, kind);
}

// A quoted registry string starting at s[pos] == '"'; advances pos past the closing quote.
bool ReadQuoted(std::string_view s, size_t& pos, std::string& out, std::string& problem) {
  out.clear();
  for (size_t i = pos + 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      pos = i + 1;
      return true;
    }
    if (c == '\\') {
      if (i + 1 >= s.size()) break;
      char n = s[++i];
      if (n != '\\' && n != '"') {
        problem = std::string("unknown escape \\") + n + " (write \\\\ for a backslash)";
        return false;
      }
      out += n;
    } else {
      out += c;
    }
  }
  problem = "missing closing quote";
  return false;
}

}  // namespace

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines,
                   const std::string& what) {
  std::string bytes;
  if (!rt::ReadWholeFile(path, kMaxConfigBytes, what, bytes)) return false;
  std::string_view v(bytes);
  if (v.size() >= 2 && static_cast<unsigned char>(v[0]) == 0xFF &&
      static_cast<unsigned char>(v[1]) == 0xFE) {
    lines = SplitLines(Utf16LeToUtf8(v.substr(2)), false);
  } else {
    if (v.size() >= 3 && v.substr(0, 3) == "\xEF\xBB\xBF") v.remove_prefix(3);
    lines = SplitLines(v, true);
  }
  return true;
}

// ---- registry ----

const char* RegistryRootName(int code) {
  static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                       "HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
  return code >= 0 && code < 5 ? kRoots[code] : nullptr;
}

RegistryFile RegistryFile::Parse(const std::vector<std::string>& lines, const std::string& path) {
  const std::string kind = "Registry file";
  RegistryFile reg;
  size_t i = 0;
  while (i < lines.size() && Trim(lines[i]).empty()) ++i;
  if (i == lines.size()) return reg;  // an empty file holds no keys
  std::string_view header = Trim(lines[i]);
  if (header != "Windows Registry Editor Version 5.00" && header != "REGEDIT4")
    SyntaxError(kind, path, i + 1,
                "the first line must be \"Windows Registry Editor Version 5.00\"");
  std::map<std::string, std::string>* current = nullptr;
  for (++i; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    size_t n = i + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']') SyntaxError(kind, path, n, "a key line must end with \"]\"");
      std::string_view key = Trim(line.substr(1, line.size() - 2));
      if (key.empty() || key.front() == '-')
        SyntaxError(kind, path, n,
                    key.empty() ? "empty key name" : "key deletion is not supported");
      bool known = false;
      for (int r = 0; r < 5; ++r) {
        std::string root = RegistryRootName(r);
        if (EqualsIgnoreCase(key.substr(0, root.size()), root) &&
            (key.size() == root.size() || key[root.size()] == '\\'))
          known = true;
      }
      if (!known)
        SyntaxError(kind, path, n, "the key must start with a root such as HKEY_LOCAL_MACHINE");
      current = &reg.keys_[UpperAscii(key)];
      continue;
    }
    std::string name;
    size_t pos = 0;
    std::string problem;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      if (!ReadQuoted(line, pos, name, problem)) SyntaxError(kind, path, n, problem);
    } else {
      SyntaxError(kind, path, n, "expected [KEY], \"Name\"=\"value\" or a comment");
    }
    if (!current) SyntaxError(kind, path, n, "a value before the first [KEY] line");
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=')
      SyntaxError(kind, path, n, "expected \"=\" after the value name");
    ++pos;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    std::string value;
    std::string_view rest = line.substr(pos);
    if (!rest.empty() && rest.front() == '"') {
      size_t vpos = pos;
      if (!ReadQuoted(line, vpos, value, problem)) SyntaxError(kind, path, n, problem);
      if (!Trim(line.substr(vpos)).empty())
        SyntaxError(kind, path, n, "unexpected text after the closing quote");
    } else if (rest.size() > 6 && EqualsIgnoreCase(rest.substr(0, 6), "dword:")) {
      std::string_view hex = Trim(rest.substr(6));
      if (hex.empty() || hex.size() > 8 ||
          hex.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
        SyntaxError(kind, path, n, "a dword needs 1 to 8 hexadecimal digits");
      value = std::to_string(std::stoul(std::string(hex), nullptr, 16));
    } else {
      SyntaxError(kind, path, n, "only string and dword values are supported");
    }
    current->insert_or_assign(UpperAscii(name), std::move(value));
  }
  return reg;
}

RegistryFile RegistryFile::Load(const std::string& path) {
  std::vector<std::string> lines;
  if (!ReadTextLines(path, lines, "registry file")) return {};
  return Parse(lines, path);
}

std::optional<std::string> RegistryFile::Value(std::string_view key, std::string_view name) const {
  auto k = keys_.find(UpperAscii(key));
  if (k == keys_.end()) return std::nullopt;
  auto v = k->second.find(UpperAscii(name));
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

// ---- settings ----

SettingsFile SettingsFile::Parse(const std::vector<std::string>& lines, const std::string& path) {
  const std::string kind = "Settings file";
  SettingsFile ini;
  std::map<std::string, std::string>* current = nullptr;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    size_t n = i + 1;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') SyntaxError(kind, path, n, "a section line must end with \"]\"");
      std::string_view name = Trim(line.substr(1, line.size() - 2));
      if (name.empty()) SyntaxError(kind, path, n, "empty section name");
      current = &ini.sections_[UpperAscii(name)];
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) SyntaxError(kind, path, n, "expected [Section] or key=value");
    if (!current) SyntaxError(kind, path, n, "a key before the first [Section] line");
    std::string_view key = Trim(line.substr(0, eq));
    if (key.empty()) SyntaxError(kind, path, n, "empty key name");
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    current->emplace(UpperAscii(key), std::string(value));  // the first of repeated keys counts
  }
  return ini;
}

SettingsFile SettingsFile::Load(const std::string& path) {
  std::vector<std::string> lines;
  if (!ReadTextLines(path, lines, "settings file")) return {};
  return Parse(lines, path);
}

bool SettingsFile::HasSection(std::string_view section) const {
  return sections_.count(UpperAscii(section)) != 0;
}

std::optional<std::string> SettingsFile::Value(std::string_view section,
                                               std::string_view key) const {
  auto s = sections_.find(UpperAscii(section));
  if (s == sections_.end()) return std::nullopt;
  auto v = s->second.find(UpperAscii(key));
  if (v == s->second.end()) return std::nullopt;
  return v->second;
}

}  // namespace cavix::scene
