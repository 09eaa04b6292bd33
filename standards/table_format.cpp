// Line rules of the INI and TAB files.
#include "standards/table_format.h"

#include "runtime/error.h"
#include "runtime/number_text.h"

namespace cavix::tabfmt {

std::vector<std::string_view> SplitColumns(std::string_view row) {
  std::vector<std::string_view> columns;
  size_t start = 0;
  for (;;) {
    const size_t bar = row.find('|', start);
    if (bar == std::string_view::npos) {
      columns.push_back(row.substr(start));
      return columns;
    }
    columns.push_back(row.substr(start, bar - start));
    start = bar + 1;
  }
}

double ColumnValue(std::string_view column) { return rt::Val(column); }

std::string SectionHeader(int holeType, int threadState) {
  return "[" + std::to_string(holeType) + " " + std::to_string(threadState) + "]";
}

bool EntryFields(std::string_view line, std::string& tabFile, std::string& displayName) {
  size_t quote[4];
  size_t from = 0;
  for (size_t& q : quote) {
    q = line.find('"', from);
    if (q == std::string_view::npos) return false;
    from = q + 1;
  }
  tabFile.assign(line.substr(quote[0] + 1, quote[1] - quote[0] - 1));
  displayName.assign(line.substr(quote[2] + 1, quote[3] - quote[2] - 1));
  return true;
}

bool LineSource::Next(std::string& line) {
  if (!reader_.ReadLine(line)) return false;
  ++count_;
  if (count_ == 1 && StartsWith(line, "\xEF\xBB\xBF")) line.erase(0, 3);
  return true;
}

void LineSource::NextOrRaise(std::string& line) {
  if (!Next(line)) rt::Raise(rt::err::kInputPastEnd);
}

}  // namespace cavix::tabfmt
