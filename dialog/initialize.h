// Opening the hole dialog: the edit entry a double click reaches, and what the dialog does when it
// loads (standards tabs, paths, language, captions, then the edited hole or the preferences).
#pragma once

#include <cstdint>

#include "host/host_model.h"

namespace cavix::dialog {

// Opens the dialog on an existing hole shape of hole type `holeType` (1..4): reads the stored
// parameters, measures the part for a through hole and shows the dialog modally. Host errors
// reach the caller.
void EditHole(host::IShape& shape, int16_t& holeType);

// Makes the hole classes' double click reach EditHole.
void RegisterEditHandler();

// The dialog's load: tabs, paths, language, pictures, captions, then the fill.
void InitDialog();

// One tab of TabNorme per standards family "Norme#0", "Norme#1", … ; the first one selected.
void BuildStandardsTabs();

}  // namespace cavix::dialog
