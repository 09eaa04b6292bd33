// Texts from files (shape names, table texts, error messages) on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace cavix::rt {

// `text` made safe for a terminal: control characters (line breaks included), bidirectional
// overrides and bytes that are not UTF-8 are written as escapes (\n, \x1b, \u202e), so that a
// shape name cannot move the cursor, clear the screen or reorder what is shown.
std::string Printable(std::string_view text);

}  // namespace cavix::rt
