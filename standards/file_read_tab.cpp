// The standards table queries. Every query traps its own errors: the file is closed (the reader
// goes out of scope) and the query returns, with the message that says what failed.
#include "standards/file_read_tab.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

#include "runtime/error.h"
#include "runtime/number_text.h"
#include "standards/config.h"
#include "standards/table_format.h"

namespace cavix::FileReadTAB {

namespace {

using tabfmt::LineSource;

// How one query words its messages. The end-of-file message of QDataLunghezze names it
// "QLunghezze"; users and their support notes know the messages in this form.
struct QueryNames {
  const char* endOfFile;  // "Error Reading <file>\rin <endOfFile>"
  const char* query;      // "... not found\rIn <query>", "...\r\nin <query>"
  const char* fileKind;   // "Error Reading File<fileKind>" and "File<fileKind> not found"
};

constexpr QueryNames kQNorma{"QNorma", "QNorma", " INI"};
constexpr QueryNames kQData{"QData", "QData", ""};
constexpr QueryNames kQMisuraVariabili{"QMisuraVariabili", "QMisuraVariabili", ""};
constexpr QueryNames kQDataLunghezze{"QLunghezze", "QDataLunghezze", ""};
constexpr QueryNames kQDataIncasso{"QDataIncasso", "QDataIncasso", ""};
constexpr QueryNames kQDataThread{"QDataThread", "QDataThread", ""};

QueryError Message(const QueryNames& names, const std::string& file, int number,
                   const std::string& description) {
  const std::string q = names.query;
  using Icon = QueryError::Icon;
  switch (number) {
    case rt::err::kInputPastEnd:
      return {number, "Error Reading " + file + "\r" + "in " + names.endOfFile, Icon::Critical,
              file};
    case rt::err::kFileNotFound:
      return {number,
              std::string("Error Reading File") + names.fileKind + "\r\n\r\n" + file + "\r\n\r\n" +
                  "File" + names.fileKind + " not found" + "\r" + "In " + q,
              Icon::Exclamation, file};
    default:
      return {number,
              "Error " + rt::NumberText(static_cast<long long>(number)) + " " + description +
                  "\r\n" + "in " + q,
              Icon::Critical, file};
  }
}

// Runs `body`; a numbered error (or exhausted memory) becomes the message for `file`, returned;
// nothing when the body ran through. The body's readers are closed by then.
template <typename Body>
std::optional<QueryError> Trapped(const QueryNames& names, const std::string& file, Body&& body) {
  try {
    body();
    return std::nullopt;
  } catch (const rt::Error& e) {
    return Message(names, file, e.Number(), e.Description());
  } catch (const std::bad_alloc&) {
    return Message(names, file, rt::err::kOutOfMemory,
                   rt::StandardDescription(rt::err::kOutOfMemory));
  }
}

// The trimmed size key of a data row: the text before its first "|". A data row without "|"
// cannot be split and is refused as an invalid argument.
std::string_view RowKey(std::string_view row) {
  const size_t bar = row.find('|');
  if (bar == std::string_view::npos) rt::Raise(rt::err::kInvalidCall);
  return tabfmt::Trim(row.substr(0, bar));
}

bool IsSkipped(std::string_view line) {
  return tabfmt::IsTabComment(line) || tabfmt::IsBlank(line);
}

// A value handed back as text: the shortest "." text of the column's number (".5", "6", "1.25").
std::string ShortText(std::string_view column) {
  return rt::TrimmedNumberText(tabfmt::ColumnValue(column));
}

// The first row of the selected size: reads the TAB file up to the row whose index is the size's
// first row (62 when the file is shorter) and returns that row in `row`.
void ReadToFirstRowOfSize(LineSource& in, const SelectedSize& size, std::string& row) {
  if (!size.selected) rt::Raise(rt::err::kSubscript);
  if (size.firstRow < 0) rt::Raise(rt::err::kInvalidCall);
  for (int64_t i = 0; i <= size.firstRow; ++i) in.NextOrRaise(row);
}

// From the first row of the selected size on, the first data row; false when the file ends first
// or that row belongs to another size. Comment and blank lines are passed over: a heading line
// that happens to hold "|" is still a heading.
bool FirstRowOfSize(LineSource& in, const SelectedSize& size, std::string& row) {
  ReadToFirstRowOfSize(in, size, row);
  for (;;) {
    if (!IsSkipped(row) && row.find('|') != std::string::npos) return RowKey(row) == size.key;
    if (!in.Next(row)) return false;
  }
}

// Two columns of the first row of the size; a negative column counts from the end (-1 the last).
ColumnPair FirstRowColumns(const QueryNames& names, const std::string& dataDir,
                           const SelectedSize& size, int first, int second) {
  const std::string tabPath = dataDir + size.tabFile;
  ColumnPair out;
  out.error = Trapped(names, tabPath, [&] {
    LineSource in(tabPath);
    std::string line;
    if (!FirstRowOfSize(in, size, line)) return;
    const std::vector<std::string_view> columns = tabfmt::SplitColumns(line);
    if (columns.size() < 5) rt::Raise(rt::err::kInvalidCall);  // needs four "|"
    const auto at = [&](int c) {
      return columns[static_cast<size_t>(c < 0 ? static_cast<int>(columns.size()) + c : c)];
    };
    out.values.emplace(ShortText(at(first)), ShortText(at(second)));
  });
  return out;
}

}  // namespace

StandardsListing QNorma(const std::string& iniPath, int holeType, int threadState) {
  StandardsListing out;
  out.status = rt::err::kInputPastEnd;
  out.error = Trapped(kQNorma, iniPath, [&] {
    LineSource in(iniPath);
    const std::string header = tabfmt::SectionHeader(holeType, threadState);
    std::string line;
    do {
      in.NextOrRaise(line);
    } while (!tabfmt::StartsWith(line, header));
    for (;;) {
      in.NextOrRaise(line);
      if (!line.empty() && line.front() == '[') break;
      if (line.empty() || line.front() == '#') continue;
      std::string tabFile, displayName;
      if (!tabfmt::EntryFields(line, tabFile, displayName)) rt::Raise(rt::err::kInvalidCall);
      if (in.LineNumber() > std::numeric_limits<int32_t>::max()) rt::Raise(rt::err::kOverflow);
      out.entries.push_back({displayName, static_cast<int32_t>(in.LineNumber())});
      out.status = 0;
    }
  });
  if (out.error) out.status = out.error->number;
  return out;
}

SizeListing QData(const std::string& iniPath, const std::string& dataDir, int iniLine) {
  SizeListing out;
  out.status = rt::err::kInputPastEnd;

  std::string tabFile;
  out.error = Trapped(kQData, iniPath, [&] {
    if (iniLine < 1) rt::Raise(rt::err::kInvalidCall);
    LineSource in(iniPath);
    std::string line;
    while (in.LineNumber() < iniLine) in.NextOrRaise(line);
    std::string displayName;
    if (!tabfmt::EntryFields(line, tabFile, displayName)) rt::Raise(rt::err::kInvalidCall);
  });
  if (out.error) return out;

  out.error = Trapped(kQData, tabFile, [&] {
    config::RequireInsideFolder(tabFile, "the standards table");
    LineSource in(dataDir + tabFile);
    out.entries.clear();
    out.tabFile = tabFile;
    std::string previousKey;
    std::string line;
    for (int64_t rowIndex = 0; in.Next(line); ++rowIndex) {
      if (IsSkipped(line)) continue;
      const std::string_view key = RowKey(line);
      if (key == previousKey) continue;
      if (rowIndex > std::numeric_limits<int32_t>::max()) rt::Raise(rt::err::kOverflow);
      out.entries.push_back({std::string(key), static_cast<int32_t>(rowIndex)});
      out.status = 0;
      previousKey.assign(key);
    }
  });
  if (out.error) out.error->file = dataDir + tabFile;  // the message shows the name alone
  return out;
}

SizeRowResult QMisuraVariabili(const std::string& tabPath, const std::string& sizeKey,
                               const std::string& lengthText, std::span<double> row) {
  bool found = false;
  SizeRowResult out;
  out.error = Trapped(kQMisuraVariabili, tabPath, [&] {
    double best = 9999999999.0;
    LineSource in(tabPath);
    const std::string_view wantedKey = tabfmt::Trim(sizeKey);
    const double wantedLength = rt::Val(lengthText);
    std::string line;
    while (in.Next(line)) {
      if (IsSkipped(line)) continue;
      if (RowKey(line) != wantedKey) continue;
      const std::vector<std::string_view> columns = tabfmt::SplitColumns(line);
      if (columns.size() < 3) rt::Raise(rt::err::kInvalidCall);  // no length to compare
      const double distance = std::fabs(tabfmt::ColumnValue(columns[2]) - wantedLength);
      if (distance < best) {
        best = distance;
        found = true;
        // Entry i holds column i + 2; the entry after the last column's repeats the last column.
        const size_t numbers = columns.size() - 1;
        for (size_t i = 0; i <= numbers; ++i) {
          if (i >= row.size()) rt::Raise(rt::err::kSubscript);
          row[i] = tabfmt::ColumnValue(columns[std::min(i + 1, numbers)]);
        }
      }
      if (best == 0) break;
    }
  });
  out.status = out.error ? SizeRow::Reported : found ? SizeRow::Found : SizeRow::NotFound;
  return out;
}

Listing QDataLunghezze(const std::string& dataDir, const SelectedSize& size) {
  const std::string tabPath = dataDir + size.tabFile;
  Listing out;
  out.error = Trapped(kQDataLunghezze, tabPath, [&] {
    LineSource in(tabPath);
    std::string line;
    ReadToFirstRowOfSize(in, size, line);
    int32_t next = 0;
    do {
      if (IsSkipped(line) || line.find('|') == std::string::npos) continue;
      if (RowKey(line) != size.key) break;
      const std::vector<std::string_view> columns = tabfmt::SplitColumns(line);
      if (columns.size() < 3) rt::Raise(rt::err::kInvalidCall);
      out.entries.push_back({ShortText(columns[2]), next++});
    } while (in.Next(line));
  });
  return out;
}

ColumnPair QDataIncasso(const std::string& dataDir, const SelectedSize& size) {
  return FirstRowColumns(kQDataIncasso, dataDir, size, 3, 4);
}

ColumnPair QDataThread(const std::string& dataDir, const SelectedSize& size) {
  return FirstRowColumns(kQDataThread, dataDir, size, -4, -3);  // columns N-3 and N-2
}

}  // namespace cavix::FileReadTAB
