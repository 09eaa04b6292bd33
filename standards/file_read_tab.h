// The six read queries over a standards family's INI file and its TAB files. Each opens its file,
// streams it line by line from the start, closes it, and reports its own failures in a message box.
#pragma once

#include <span>
#include <string>

#include "forms/list_control.h"

namespace cavix::FileReadTAB {

// Fills `standards` with the display names of INI section "[holeType threadState]"; each entry's
// item datum is its line number in the INI file (from 1). Returns 0 when something was listed,
// 62 when the section lists nothing, else the number of the error that stopped it (after its
// message; entries already listed stay).
int QNorma(const std::string& iniPath, int holeType, int threadState, forms::ListModel& standards);

// Reads INI line `iniLine` (from 1), takes its TAB file name, and fills `sizes` with the size keys
// of that TAB file, one per run of consecutive rows; item data are the row indices (from 0) of the
// runs' first rows. The TAB name goes to the list's tag and replaces `iniPathInOut`. Returns 0 when
// a size was listed, else 62 (also after a reported error).
int QData(std::string& iniPathInOut, const std::string& dataDir, int iniLine,
          forms::ListModel& sizes);

// Finds the row of `sizeKey` whose column 3 is nearest to the number in `lengthText` (ties keep
// the earlier row) and writes its numbers to `row` (entry 0 = column 2, …, and the last column
// once more after it). A row longer than `row` reports the subscript error; nothing is written
// past the end. Returns true when a row of the size was found: false after a reported error, or
// silently when no row is near enough (see SizeRowLookup).
bool QMisuraVariabili(const std::string& tabPath, const std::string& sizeKey,
                      const std::string& lengthText, std::span<double> row);

// The same lookup, telling apart the two ways of not finding a row: a failure already reported
// to the user, and a table read without error that holds no row of the size within reach of the
// length (the size gone from the table since it was listed, or an absurd length).
enum class SizeRow { Found, Reported, NotFound };
SizeRow SizeRowLookup(const std::string& tabPath, const std::string& sizeKey,
                      const std::string& lengthText, std::span<double> row);

// Fills `lengths` with column 3 of every row of the size selected in `sizes` (item data 0, 1, …).
void QDataLunghezze(const std::string& dataDir, const forms::ListModel& sizes,
                    forms::ListModel& lengths);

// Columns 4 and 5 of the first row of the selected size, as short number text ("11", "6.4").
// The outputs are left as they were when nothing is found.
void QDataIncasso(const std::string& dataDir, const forms::ListModel& sizes, std::string& value1,
                  std::string& value2);

// Columns N-3 (length after thread) and N-2 (pitch) of the first row of the selected size.
void QDataThread(const std::string& dataDir, const forms::ListModel& sizes, std::string& value1,
                 std::string& value2);

}  // namespace cavix::FileReadTAB
