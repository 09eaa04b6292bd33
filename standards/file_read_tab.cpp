// The standards table queries. Every query traps its own errors: the file is closed (the reader
// goes out of scope), one message box says what failed, and the query ends.
#include "standards/file_read_tab.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

#include "forms/message_box.h"
#include "runtime/error.h"
#include "runtime/number_text.h"
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

void Report(const QueryNames& names, const std::string& file, int number,
            const std::string& description) {
  const std::string q = names.query;
  switch (number) {
    case rt::err::kInputPastEnd:
      forms::MsgBox("Error Reading " + file + "\r" + "in " + names.endOfFile,
                    forms::msg::kCritical);
      break;
    case rt::err::kFileNotFound:
      forms::MsgBox(std::string("Error Reading File") + names.fileKind + "\r\n\r\n" + file +
                        "\r\n\r\n" + "File" + names.fileKind + " not found" + "\r" + "In " + q,
                    forms::msg::kExclamation);
      break;
    default:
      forms::MsgBox("Error " + rt::NumberText(static_cast<long long>(number)) + " " + description +
                        "\r\n" + "in " + q,
                    forms::msg::kCritical);
      break;
  }
}

// Runs `body`; a numbered error (or exhausted memory) is reported for `file` and its number
// returned, 0 when the body ran through. The body's readers are closed before the message shows.
template <typename Body>
int Trapped(const QueryNames& names, const std::string& file, Body&& body) {
  try {
    body();
    return 0;
  } catch (const rt::Error& e) {
    Report(names, file, e.Number(), e.Description());
    return e.Number();
  } catch (const std::bad_alloc&) {
    Report(names, file, rt::err::kOutOfMemory, rt::StandardDescription(rt::err::kOutOfMemory));
    return rt::err::kOutOfMemory;
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

// The first row of the selected size: reads the TAB file up to the row whose index is the
// selected entry's item datum (62 when the file is shorter) and returns that row in `row`.
void ReadToFirstRowOfSize(LineSource& in, const forms::ListModel& sizes, std::string& row) {
  const int32_t firstRow = sizes.ItemData(sizes.ListIndex());
  if (firstRow < 0) rt::Raise(rt::err::kInvalidCall);
  for (int64_t i = 0; i <= firstRow; ++i) in.NextOrRaise(row);
}

// From the first row of the selected size on, the first data row; false when the file ends first
// or that row belongs to another size. Comment and blank lines are passed over: a heading line
// that happens to hold "|" is still a heading.
bool FirstRowOfSize(LineSource& in, const forms::ListModel& sizes, std::string& row) {
  ReadToFirstRowOfSize(in, sizes, row);
  const std::string& size = sizes.List(sizes.ListIndex());
  for (;;) {
    if (!IsSkipped(row) && row.find('|') != std::string::npos) return RowKey(row) == size;
    if (!in.Next(row)) return false;
  }
}

}  // namespace

int QNorma(const std::string& iniPath, int holeType, int threadState, forms::ListModel& standards) {
  standards.Clear();
  int status = rt::err::kInputPastEnd;
  const int error = Trapped(kQNorma, iniPath, [&] {
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
      standards.AddItem(displayName);
      standards.SetItemData(standards.NewIndex(), static_cast<int32_t>(in.LineNumber()));
      status = 0;
    }
  });
  return error != 0 ? error : status;
}

int QData(std::string& iniPathInOut, const std::string& dataDir, int iniLine,
          forms::ListModel& sizes) {
  sizes.Clear();
  int status = rt::err::kInputPastEnd;

  std::string tabFile;
  const int iniError = Trapped(kQData, iniPathInOut, [&] {
    if (iniLine < 1) rt::Raise(rt::err::kInvalidCall);
    LineSource in(iniPathInOut);
    std::string line;
    while (in.LineNumber() < iniLine) in.NextOrRaise(line);
    std::string displayName;
    if (!tabfmt::EntryFields(line, tabFile, displayName)) rt::Raise(rt::err::kInvalidCall);
  });
  if (iniError != 0) return status;
  iniPathInOut = tabFile;

  Trapped(kQData, tabFile, [&] {
    LineSource in(dataDir + tabFile);
    sizes.Clear();
    sizes.SetTag(tabFile);
    std::string previousKey;
    std::string line;
    for (int64_t rowIndex = 0; in.Next(line); ++rowIndex) {
      if (IsSkipped(line)) continue;
      const std::string_view key = RowKey(line);
      if (key == previousKey) continue;
      if (rowIndex > std::numeric_limits<int32_t>::max()) rt::Raise(rt::err::kOverflow);
      sizes.AddItem(std::string(key));
      sizes.SetItemData(sizes.NewIndex(), static_cast<int32_t>(rowIndex));
      status = 0;
      previousKey.assign(key);
    }
  });
  return status;
}

bool QMisuraVariabili(const std::string& tabPath, const std::string& sizeKey,
                      const std::string& lengthText, std::span<double> row) {
  return SizeRowLookup(tabPath, sizeKey, lengthText, row) == SizeRow::Found;
}

SizeRow SizeRowLookup(const std::string& tabPath, const std::string& sizeKey,
                      const std::string& lengthText, std::span<double> row) {
  bool found = false;
  const int error = Trapped(kQMisuraVariabili, tabPath, [&] {
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
  if (error != 0) return SizeRow::Reported;
  return found ? SizeRow::Found : SizeRow::NotFound;
}

void QDataLunghezze(const std::string& dataDir, const forms::ListModel& sizes,
                    forms::ListModel& lengths) {
  lengths.Clear();
  const std::string tabPath = dataDir + sizes.Tag();
  Trapped(kQDataLunghezze, tabPath, [&] {
    LineSource in(tabPath);
    std::string line;
    ReadToFirstRowOfSize(in, sizes, line);
    const std::string& size = sizes.List(sizes.ListIndex());
    int32_t next = 0;
    do {
      if (IsSkipped(line) || line.find('|') == std::string::npos) continue;
      if (RowKey(line) != size) break;
      const std::vector<std::string_view> columns = tabfmt::SplitColumns(line);
      if (columns.size() < 3) rt::Raise(rt::err::kInvalidCall);
      lengths.AddItem(ShortText(columns[2]));
      lengths.SetItemData(lengths.NewIndex(), next++);
    } while (in.Next(line));
  });
}

void QDataIncasso(const std::string& dataDir, const forms::ListModel& sizes, std::string& value1,
                  std::string& value2) {
  const std::string tabPath = dataDir + sizes.Tag();
  Trapped(kQDataIncasso, tabPath, [&] {
    LineSource in(tabPath);
    std::string line;
    if (!FirstRowOfSize(in, sizes, line)) return;
    const std::vector<std::string_view> columns = tabfmt::SplitColumns(line);
    if (columns.size() < 5) rt::Raise(rt::err::kInvalidCall);
    std::string diameter = ShortText(columns[3]);
    std::string depth = ShortText(columns[4]);
    value1 = std::move(diameter);
    value2 = std::move(depth);
  });
}

void QDataThread(const std::string& dataDir, const forms::ListModel& sizes, std::string& value1,
                 std::string& value2) {
  const std::string tabPath = dataDir + sizes.Tag();
  Trapped(kQDataThread, tabPath, [&] {
    LineSource in(tabPath);
    std::string line;
    if (!FirstRowOfSize(in, sizes, line)) return;
    const std::vector<std::string_view> columns = tabfmt::SplitColumns(line);
    if (columns.size() < 5) rt::Raise(rt::err::kInvalidCall);  // needs four "|"
    const size_t n = columns.size();
    std::string afterThread = ShortText(columns[n - 4]);  // column N-3
    std::string pitch = ShortText(columns[n - 3]);        // column N-2
    value1 = std::move(afterThread);
    value2 = std::move(pitch);
  });
}

}  // namespace cavix::FileReadTAB
