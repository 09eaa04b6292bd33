// The table checker: walks a standards family (its INI file and the TAB files its entries name)
// and lists every line that the table queries would refuse or misread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cavix::tablecheck {

struct Finding {
  std::string file;     // the path as built (INI path, or TAB directory + file name)
  int64_t line = 0;     // from 1; 0 when the finding is about the whole file
  std::string problem;  // one sentence
};

// Checks the INI file at `iniPath` and every TAB file its entries name, looked up in `dataDir`
// (joined without adding a separator). Findings come in file order: the INI file first, then each
// TAB file once, in the order the INI first names it. No findings: the family reads cleanly.
std::vector<Finding> CheckFamily(const std::string& iniPath, const std::string& dataDir);

// "file:line: problem" (or "file: problem" for line 0), the file's path with "/".
std::string FormatFinding(const Finding& f);

}  // namespace cavix::tablecheck
