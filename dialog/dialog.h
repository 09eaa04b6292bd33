// Showing the hole dialog: a freshly loaded form whose events run the dialog's reactions on one
// session, and the edit entry a double click on a hole reaches.
#pragma once

#include <cstdint>

#include "dialog/session.h"
#include "host/host_model.h"

namespace cavix::dialog {

// Loads a fresh dialog for `session` and shows it modally in the session's Ui (5 without one that
// can); returns when it has been unloaded, with session.result saying how it ended. Errors of its
// handlers and of the driver reach the caller.
void ShowDialog(DialogSession& session);

// Opens the dialog on an existing hole shape of hole type `holeType` (1..4), where the dialogs of
// `addIn` show: reads the stored parameters, measures the part for a through hole and shows the
// dialog modally. On OK with a change the hole is rebuilt, and so is every shape of the add-in's
// editAlike (holes that store the same parameters). The add-in's lastDialog says how the dialog
// ended. Host errors reach the caller.
void EditHole(host::IShape& shape, int16_t holeType, AddIn& addIn);

}  // namespace cavix::dialog
