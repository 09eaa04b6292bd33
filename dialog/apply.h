// Leaving the hole dialog: OK turns the form into one hole specification and makes that hole on
// every target; Cancel takes a dropped shape away again.
#pragma once

#include <array>
#include <optional>

#include "dialog/session.h"
#include "hole_objects/hole_spec.h"
#include "standards/table_format.h"

namespace cavix::dialog {

// The numbers of the chosen size's table row.
using SizeRow = std::array<double, tabfmt::kSizeRowLength>;

// OK: in an edit without a change just closes; otherwise looks the size row up, makes the hole
// on every target and saves the preferences. A failure shows one message (number and
// description) and leaves the dialog open; the preferences are then untouched.
void ApplyDialog(DialogSession& s);

// The hole the form describes, of the chosen type, with the diameter and allowance of the size's
// table row `row`; a through hole's lengths run through the part as thick as the length field
// says. Raises 13 for a field that is not a number.
holes::HoleSpec SpecFromForm(const DialogSession& s, const SizeRow& row);

// The hole the form on show describes, as OK would make it with its size's row, or nothing where
// OK would make none (no size, no row for it, a field that is no number, a value OK refuses).
// Shows no message.
std::optional<holes::HoleSpec> DescribedHole(const DialogSession& s);

// Cancel: shapes just dropped from the catalog are discarded; edited holes are left as they were.
void CancelDialog(DialogSession& s);

}  // namespace cavix::dialog
