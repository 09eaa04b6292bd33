// The read queries over a standards family's INI file and its TAB files. Each opens its file,
// streams it line by line from the start and closes it. A query traps its own errors: it returns
// what it found up to the error together with the message the user is to be shown (the caller
// decides how to show it).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cavix::FileReadTAB {

// The message of an error that stopped a query: its text and how it is shown (no title).
struct QueryError {
  enum class Icon { Critical, Exclamation };
  int number = 0;
  std::string text;
  Icon icon = Icon::Critical;
  std::string file;  // the file the query failed on, as built (the text may not name it)
};

// A list entry as a query makes it: its text and item datum.
struct Entry {
  std::string text;
  int32_t itemData = 0;
};

// The entries a query listed (those before an error stay) and the error, if one stopped it.
struct Listing {
  std::vector<Entry> entries;
  std::optional<QueryError> error;
};

// The display names of INI section "[holeType threadState]"; each entry's item datum is its line
// number in the INI file (from 1). `status` is 0 when something was listed, 62 when the section
// lists nothing, else the number of the error that stopped it.
struct StandardsListing : Listing {
  int status = 0;
};
StandardsListing QNorma(const std::string& iniPath, int holeType, int threadState);

// INI line `iniLine` (from 1) names a TAB file; its size keys, one per run of consecutive rows,
// with the row indices (from 0) of the runs' first rows as item data. `tabFile` is set once the
// TAB file is open (the size list's tag). `status` is 0 when a size was listed, else 62 (also
// after an error). A TAB name that leads out of the data folder is refused (75).
struct SizeListing : Listing {
  std::optional<std::string> tabFile;
  int status = 0;
};
SizeListing QData(const std::string& iniPath, const std::string& dataDir, int iniLine);

// What the size list tells the row queries about the selected size: the TAB file (the list's tag),
// the size key and the row index of its first row (its item datum).
// With no size selected the row queries fail as an empty selection does (9).
struct SelectedSize {
  std::string tabFile;
  bool selected = false;
  std::string key;
  int32_t firstRow = 0;
};

// Column 3 of every row of the size, from its first row on (item data 0, 1, …).
Listing QDataLunghezze(const std::string& dataDir, const SelectedSize& size);

// Two columns of the first row of the size, as short number text ("11", "6.4"): the recess
// (columns 4 and 5) or the thread (columns N-3 and N-2). Empty when the row is not found or
// an error stopped the query (`error` then says which).
struct ColumnPair {
  std::optional<std::pair<std::string, std::string>> values;
  std::optional<QueryError> error;
};
ColumnPair QDataIncasso(const std::string& dataDir, const SelectedSize& size);
ColumnPair QDataThread(const std::string& dataDir, const SelectedSize& size);

// Finds the row of `sizeKey` whose column 3 is nearest to the number in `lengthText` (ties keep
// the earlier row) and writes its numbers to `row` (entry 0 = column 2, …, and the last column
// once more after it). A row longer than `row` is refused with the subscript error; nothing is
// written past the end. Found, NotFound (the file was read without error but holds no row of the
// size within reach of the length) or Reported (an error stopped it: `error`).
enum class SizeRow { Found, Reported, NotFound };
struct SizeRowResult {
  SizeRow status = SizeRow::NotFound;
  std::optional<QueryError> error;
};
SizeRowResult QMisuraVariabili(const std::string& tabPath, const std::string& sizeKey,
                               const std::string& lengthText, std::span<double> row);

}  // namespace cavix::FileReadTAB
