// The line rules of the INI and TAB files, shared by the queries and the table checker so that
// both read a line the same way. Private to standards/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/text_file.h"

namespace cavix::tabfmt {

// The most numbers a size row holds (indexes 0 to 20); a row of more columns cannot be taken.
inline constexpr int kSizeRowLength = 21;

inline bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

// TAB files: "@" and "#" lines are comments or headings.
inline bool IsTabComment(std::string_view line) {
  return !line.empty() && (line.front() == '@' || line.front() == '#');
}

// Empty, or nothing but blanks.
inline bool IsBlank(std::string_view line) {
  for (char c : line) {
    if (!IsBlankChar(c)) return false;
  }
  return true;
}

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
  return s;
}

// The columns of a data row, split at every "|" (column 1 is the size key). Views into `row`.
std::vector<std::string_view> SplitColumns(std::string_view row);

// The number a column holds: read from its start, "." as decimal point; 0 when it does not start
// with a number. Raises 6 on overflow.
double ColumnValue(std::string_view column);

// The header line that opens INI section [holeType threadState].
std::string SectionHeader(int holeType, int threadState);
inline bool StartsWith(std::string_view line, std::string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

// Fields 1 and 2 of an INI entry line (between quotes 1-2 and 3-4). False when the line holds
// fewer than four double quotes.
bool EntryFields(std::string_view line, std::string& tabFile, std::string& displayName);

// A text file read line by line, numbered from 1, with a UTF-8 byte-order mark dropped from the
// first line (editors add one; it would hide a section header or a size key).
class LineSource {
 public:
  explicit LineSource(const std::string& builtPath) : reader_(builtPath) {}
  // The next line; false at the end of the file.
  bool Next(std::string& line);
  // The next line into `line` (its buffer is reused); raises 62 "Input past end of file" at the
  // end.
  void NextOrRaise(std::string& line);
  // Number of the line last read (1 for the first line).
  int64_t LineNumber() const { return count_; }

 private:
  rt::TextReader reader_;
  int64_t count_ = 0;
};

}  // namespace cavix::tabfmt
