// What the hole dialog does when it loads: standards tabs, paths, language, captions, then the
// edited hole or the preferences.
#pragma once

#include "dialog/session.h"

namespace cavix::dialog {

// The dialog's load: tabs, paths, language, pictures, captions, then the fill.
void InitDialog(DialogSession& s);

// One tab of TabNorme per standards family "Norme#0", "Norme#1", … ; the first one selected.
void BuildStandardsTabs(DialogSession& s);

}  // namespace cavix::dialog
