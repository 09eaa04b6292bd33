// How the hole dialog reacts to the user: the hole type, the standards family and standard, the
// size and the three toggles re-shape the rest of the form (OK and Cancel are apply.h's). Every
// reaction works on the session of the dialog on show.
#pragma once

#include <cstdint>
#include <string>

#include "dialog/session.h"
#include "forms/controls.h"
#include "forms/list_control.h"
#include "standards/file_read_tab.h"

namespace cavix::dialog {

// Hole-type button `index` (0..3, hole type index + 1) was chosen: recomputes the paths, enables
// the inputs and the recess fields of the type, refills the standards and, in an edit, selects the
// edited hole's standard, size and length again.
void HoleTypeChosen(DialogSession& s, int index);
// Standards family tab `tab` was chosen: the type reaction under that family's tables.
void StandardsTabChanged(DialogSession& s, int tab);
// Refills the standards list for hole type `type` and the thread state (nothing for type <= 0).
void RefreshStandards(DialogSession& s, int type);
// The standard on INI line `iniLine` was chosen: refills the sizes and re-selects the previous
// size adapted to the thread state ("10" <-> "M10"), else the first.
void StandardChosen(DialogSession& s, int iniLine);
// A size was chosen: lengths, recess, thread values from its table rows.
void SizeChosen(DialogSession& s);
void ThreadToggled(DialogSession& s, int value);
void DrillPointToggled(Dialog& d);
void ThroughToggled(DialogSession& s);
// Folds the drill-point angle into -180..180 and turns 0 into a flat bottom.
void NormaliseDrillAngle(Dialog& d);
// Folds the countersink angle below 180; 0 becomes 90.
void NormaliseCsinkAngle(Dialog& d);
void EnableInputs(Dialog& d, bool flag);
// Selects the first entry equal to `text` after trimming both; otherwise leaves the selection.
void SelectListItem(forms::ListModel& list, const std::string& text);
// Selects the entry equal to `text`, else the first; with an empty text only an unselected list
// gets its first entry. An empty list is left alone.
void SelectOrFirst(forms::ListModel& list, const std::string& text);

// Field checks run when the focus leaves a field; true refuses the value (after a message).
bool RefusePositiveValue(const DialogSession& s, const std::string& text);
bool RefuseRecessDiameter(const DialogSession& s);

// A number text from a standards table ("." decimal point) in the regional form shown in the
// dialog, and back.
std::string TableToRegional(const std::string& tableText);
std::string RegionalToTable(const std::string& regionalText);

// Shows a table query's message as the query words it (no title).
void ShowQueryError(const DialogSession& s, const FileReadTAB::QueryError& e);
// What the size list tells the row queries about its selected size.
FileReadTAB::SelectedSize SelectedSizeOf(const forms::ListModel& sizes);

}  // namespace cavix::dialog
