// Opening the hole dialog: the edit entry a double click reaches, and what the dialog does when it
// loads (standards tabs, paths, language, captions, then the edited hole or the preferences).
#pragma once

#include <cstdint>
#include <vector>

#include "dialog/session.h"
#include "host/host_model.h"

namespace cavix::dialog {

// Opens the dialog on an existing hole shape of hole type `holeType` (1..4): reads the stored
// parameters, measures the part for a through hole and shows the dialog modally. On OK with a
// change the hole is rebuilt, and so is every shape of `alike` (holes that store the same
// parameters). `memory` (may be null) keeps the hole type and family shown for the next drop.
// Returns how the dialog ended. Host errors reach the caller.
DialogResult EditHole(host::IShape& shape, int16_t holeType,
                      const std::vector<host::IShape*>& alike = {},
                      DialogMemory* memory = nullptr);

// The dialog's load: tabs, paths, language, pictures, captions, then the fill.
void InitDialog(DialogSession& s);

// One tab of TabNorme per standards family "Norme#0", "Norme#1", … ; the first one selected.
void BuildStandardsTabs(DialogSession& s);

}  // namespace cavix::dialog
