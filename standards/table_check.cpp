// The table checker. It reads the files with the same line rules as the queries and says, for
// each line they would refuse or misread, what is wrong in words that name the file and line.
#include "standards/table_check.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <regex>
#include <set>

#include "runtime/error.h"
#include "runtime/number_text.h"
#include "runtime/text_file.h"
#include "standards/table_format.h"

namespace cavix::tablecheck {

namespace {

constexpr int kHoleTypes = 4;
constexpr const char* kHoleKinds[kHoleTypes] = {"plain", "counterbore", "countersink",
                                                "counterdrill"};

// The fewest columns a row needs for the queries that a section's hole type and thread state run:
// the allowance of an unthreaded hole sits in column 4 (plain), 5 (countersink) or 6 (counterbore,
// counterdrill); recess values are columns 4 and 5; the thread columns need four "|".
int MinimumColumns(int holeType, int threadState) {
  if (threadState == 1) return 5;
  switch (holeType) {
    case 1:
      return 4;
    case 3:
      return 5;
    default:
      return 6;
  }
}

std::string SectionName(int holeType, int threadState) {
  return tabfmt::SectionHeader(holeType, threadState) + " (" + kHoleKinds[holeType - 1] + ", " +
         (threadState ? "threaded" : "not threaded") + ")";
}

// A number column as the format means it: a decimal number with "." and an optional exponent,
// nothing else but blanks around it.
bool IsPlainNumber(std::string_view text) {
  static const std::regex number(R"(^[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eEdD][+-]?[0-9]+)?$)");
  const std::string_view t = tabfmt::Trim(text);
  return std::regex_match(t.begin(), t.end(), number);
}

struct TabUse {
  std::string name;
  std::string iniFile;
  int64_t iniLine = 0;
  int minimumColumns = 0;
  std::string neededBy;  // the section that asks for the most columns
};

class Checker {
 public:
  std::vector<Finding> findings;

  void Add(const std::string& file, int64_t line, std::string problem) {
    findings.push_back({file, line, std::move(problem)});
  }

  // Reads the INI file; returns the TAB files its entries name, in first-named order.
  std::vector<TabUse> CheckIni(const std::string& iniPath) {
    std::vector<TabUse> uses;
    try {
      tabfmt::LineSource in(iniPath);
      std::array<std::array<int64_t, 2>, kHoleTypes> headerLine{};  // first header of each section
      int currentType = 0, currentThread = 0;  // 0: outside the sections the dialog reads
      int64_t currentHeader = 0;
      int currentEntries = 0;
      bool open = false;  // inside a section that still needs its closing line
      std::string line;

      auto closeSection = [&] {
        if (currentType != 0 && currentEntries == 0) {
          Add(iniPath, currentHeader,
              "section " + SectionName(currentType, currentThread) + " lists no standard");
        }
        currentType = 0;
        open = false;
      };

      while (in.Next(line)) {
        if (!line.empty() && line.front() == '[') {
          closeSection();
          if (line.size() >= 5 && line[1] >= '1' && line[1] <= '4' && line[2] == ' ' &&
              (line[3] == '0' || line[3] == '1') && line[4] == ']') {
            const int type = line[1] - '0', thread = line[3] - '0';
            if (headerLine[type - 1][thread] != 0) {
              Add(iniPath, in.LineNumber(),
                  "section " + SectionName(type, thread) + " appears again; only the one on line " +
                      std::to_string(headerLine[type - 1][thread]) + " is read");
            } else {
              headerLine[type - 1][thread] = in.LineNumber();
              currentType = type;
              currentThread = thread;
              currentHeader = in.LineNumber();
              currentEntries = 0;
              open = true;
            }
          }
          continue;
        }
        if (currentType == 0 || line.empty() || line.front() == '#') continue;
        std::string tabFile, displayName;
        if (!tabfmt::EntryFields(line, tabFile, displayName)) {
          Add(iniPath, in.LineNumber(),
              "entry line has fewer than four double quotes (\"table file\" \"standard name\")");
          continue;
        }
        ++currentEntries;
        const int needed = MinimumColumns(currentType, currentThread);
        auto it = std::find_if(uses.begin(), uses.end(),
                               [&](const TabUse& u) { return u.name == tabFile; });
        if (it == uses.end()) {
          uses.push_back(
              {tabFile, iniPath, in.LineNumber(), needed, SectionName(currentType, currentThread)});
        } else if (needed > it->minimumColumns) {
          it->minimumColumns = needed;
          it->neededBy = SectionName(currentType, currentThread);
        }
      }
      if (open) {
        Add(iniPath, currentHeader,
            "section " + SectionName(currentType, currentThread) +
                " has no closing line (a line beginning with \"[\") before the end of the file");
        currentType = 0;
      }
      for (int type = 1; type <= kHoleTypes; ++type) {
        for (int thread = 0; thread <= 1; ++thread) {
          if (headerLine[type - 1][thread] == 0) {
            Add(iniPath, 0, "section " + SectionName(type, thread) + " is missing");
          }
        }
      }
    } catch (const rt::Error& e) {
      Add(iniPath, 0,
          "cannot be read: error " + std::to_string(e.Number()) + " " + e.Description());
    }
    return uses;
  }

  void CheckTab(const std::string& dataDir, const TabUse& use) {
    const std::string path = dataDir + use.name;
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(rt::NativePath(path), ec);
    if (!std::filesystem::is_regular_file(status)) {
      const std::string what = !std::filesystem::exists(status)        ? "not found"
                               : std::filesystem::is_directory(status) ? "is a folder"
                                                                       : "is not a regular file";
      Add(use.iniFile, use.iniLine,
          "table file \"" + use.name + "\" " + what + " (" + rt::NativePath(path) + ")");
      return;
    }
    try {
      tabfmt::LineSource in(path);
      std::string line;
      std::string previousKey;
      std::set<std::string> finishedRuns;
      bool anyRow = false;
      while (in.Next(line)) {
        if (tabfmt::IsTabComment(line) || tabfmt::IsBlank(line)) continue;
        const int64_t n = in.LineNumber();
        if (line.find('|') == std::string::npos) {
          Add(path, n, "data row without \"|\"");
          continue;
        }
        anyRow = true;
        const std::vector<std::string_view> columns = tabfmt::SplitColumns(line);
        const std::string key(tabfmt::Trim(columns[0]));
        if (key.empty()) Add(path, n, "row has an empty size key");
        // Lists and texts end at a NUL, so the size would show and match cut short; other control
        // characters show as garbage in the size list, or act on a terminal that shows it.
        const auto control = std::find_if(key.begin(), key.end(),
                                          [](unsigned char c) { return c < 0x20 || c == 0x7F; });
        if (control != key.end())
          Add(path, n,
              "size key \"" + key + "\" holds " +
                  (*control == '\0' ? "a NUL byte" : "a control character") + " at character " +
                  std::to_string(control - key.begin() + 1));
        if (key != previousKey) {
          if (finishedRuns.count(key)) {
            Add(path, n,
                "size \"" + key + "\" appears again after other sizes; it is listed twice");
          }
          if (!previousKey.empty()) finishedRuns.insert(previousKey);
          previousKey = key;
        }
        const int count = static_cast<int>(columns.size());
        if (count > tabfmt::kSizeRowLength) {
          Add(path, n,
              "row has " + std::to_string(count) + " columns; a size row holds at most " +
                  std::to_string(tabfmt::kSizeRowLength));
        }
        if (count < use.minimumColumns) {
          Add(path, n,
              "row has " + std::to_string(count) + " columns; section " + use.neededBy +
                  " needs at least " + std::to_string(use.minimumColumns));
        }
        for (int c = 1; c < count; ++c) {
          const auto& text = columns[static_cast<size_t>(c)];
          const std::string shown(tabfmt::Trim(text));
          std::string problem;
          try {
            const double value = tabfmt::ColumnValue(text);
            if (!IsPlainNumber(text)) {
              problem = "is not a number (\"" + shown + "\" reads as " +
                        rt::TrimmedNumberText(value) + ")";
            }
          } catch (const rt::Error&) {
            problem = "is out of range (\"" + shown + "\")";
          }
          if (!problem.empty()) Add(path, n, "column " + std::to_string(c + 1) + " " + problem);
        }
      }
      if (!anyRow) Add(path, 0, "table has no data rows");
    } catch (const rt::Error& e) {
      Add(path, 0, "cannot be read: error " + std::to_string(e.Number()) + " " + e.Description());
    }
  }
};

}  // namespace

std::vector<Finding> CheckFamily(const std::string& iniPath, const std::string& dataDir) {
  Checker checker;
  for (const TabUse& use : checker.CheckIni(iniPath)) checker.CheckTab(dataDir, use);
  return std::move(checker.findings);
}

std::string FormatFinding(const Finding& f) {
  const std::string file = rt::NativePath(f.file);
  if (f.line == 0) return file + ": " + f.problem;
  return file + ":" + std::to_string(f.line) + ": " + f.problem;
}

}  // namespace cavix::tablecheck
