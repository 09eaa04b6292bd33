// The hole table of a model, as drawing hole tables give it: one row per hole, read from the facts
// of the hole (exporter::HolesOf); as aligned text or as CSV.
#pragma once

#include <iosfwd>
#include <vector>

#include "hole_objects/hole_facts.h"

namespace cavix::actions {

// RFC 4180: a header line, CR LF line ends, fields with commas, quotes or line breaks quoted;
// control characters in texts are escaped as rt::Printable escapes them.
// Values a record does not hold (or holds as no finite number) are left blank, and so are the
// sizes of a hole whose record makes no hole (its `problem` says why).
void WriteHoleCsv(const std::vector<holes::HoleFacts>& list, std::ostream& os);
// An aligned text table with a header and a rule, one row per kind of hole with its count (holes
// alike in everything but name and position share a row); the positions of the holes of a row
// with more than one follow the table.
void WriteHoleTable(const std::vector<holes::HoleFacts>& list, std::ostream& os);
// The text table with a closing line that counts the holes and says the units, and a line for
// each hole whose stored values make no hole.
void WriteHoleList(const std::vector<holes::HoleFacts>& list, std::ostream& os);

}  // namespace cavix::actions
