// The manual page cavix(1) and the bash completion of `cavix`, written from the command table, so
// that they say what the program's own help says.
#pragma once

#include <iosfwd>

namespace cavix::app {

// The manual page in roff (man(7) macros).
void WriteManPage(std::ostream& os);
// A bash completion script: the commands, each command's options, and the values of options that
// take a file or one of a few words.
void WriteBashCompletion(std::ostream& os);

}  // namespace cavix::app
