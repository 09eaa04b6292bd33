// The preferences file: the last confirmed dialog state (14 lines), restored when a dropped hole
// opens the dialog.
#pragma once

#include "dialog/session.h"

namespace cavix::dialog {

// Writes the preferences file (the session's path) from the dialog on show. The file is written whole beside the old
// one and renamed over it, so a failure leaves the previous preferences intact; it is reported in
// a message titled "Write Prefs".
void WritePrefs(const DialogSession& s);

// Restores the dialog on show from the preferences file, line by line, each assignment running
// the dialog's reactions. A missing file does nothing; any other failure stops at that line
// (what was restored stays) and is reported in a message titled "Read Prefs". True when the hole
// type (line 4) was restored.
bool ReadPrefs(DialogSession& s);

}  // namespace cavix::dialog
