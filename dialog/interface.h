// How the hole dialog reacts to the user: the hole type, the standards family and standard, the
// size and the three toggles re-shape the rest of the form; OK builds the hole, Cancel drops it.
#pragma once

#include <cstdint>
#include <string>

#include "forms/list_control.h"

namespace cavix::dialog {

// Hole-type button `index` (0..3, hole type index + 1) was chosen: recomputes the paths, enables
// the inputs and the recess fields of the type, refills the standards and, in an edit, selects the
// edited hole's standard, size and length again.
void HoleTypeChosen(int index);
// Standards family tab `tab` was chosen: the type reaction under that family's tables.
void StandardsTabChanged(int tab);
// Refills the standards list for hole type `type` and the thread state (nothing for type <= 0).
void RefreshStandards(int type);
// The standard on INI line `iniLine` was chosen: refills the sizes and re-selects the previous
// size adapted to the thread state ("10" <-> "M10"), else the first.
void StandardChosen(int iniLine);
// A size was chosen: lengths, recess, thread values from its table rows.
void SizeChosen();
void ThreadToggled(int value);
void DrillPointToggled();
void ThroughToggled();
// Folds the drill-point angle into -180..180 and turns 0 into a flat bottom.
void NormaliseDrillAngle();
// Folds the countersink angle below 180; 0 becomes 90.
void NormaliseCsinkAngle();
void EnableInputs(bool flag);
// Selects the first entry equal to `text` after trimming both; otherwise leaves the selection.
void SelectListItem(forms::ListModel& list, const std::string& text);
// Selects the entry equal to `text`, else the first; with an empty text only an unselected list
// gets its first entry. An empty list is left alone.
void SelectOrFirst(forms::ListModel& list, const std::string& text);

// OK: in an edit without a change just closes; otherwise looks the size row up, builds the hole
// and saves the preferences. A failure shows one message (number and description) and leaves the
// dialog open; the preferences are then untouched.
void ApplyDialog();
// Creates the hole of the chosen type from the form and builds it on the target shape, then
// writes the preferences. Errors reach the caller.
void ApplyToHole();
// Cancel: a shape just dropped from the catalog is discarded; an edited hole is left as it was.
void CancelDialog();

// Field checks run when the focus leaves a field; true refuses the value (after a message).
bool RefusePositiveValue(const std::string& text);
bool RefuseRecessDiameter();

// A number text from a standards table ("." decimal point) in the regional form shown in the
// dialog, and back.
std::string TableToRegional(const std::string& tableText);
std::string RegionalToTable(const std::string& regionalText);

}  // namespace cavix::dialog
