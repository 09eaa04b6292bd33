// Writes the manual page (cavix.1) and the bash completion (cavix) of the `cavix` command into a
// folder, for the install.
#include <fstream>
#include <iostream>

#include "app/manual.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: cavix_docs OUTDIR\n";
    return 2;
  }
  const std::string dir = argv[1];
  std::ofstream man(dir + "/cavix.1"), completion(dir + "/cavix");
  cavix::app::WriteManPage(man);
  cavix::app::WriteBashCompletion(completion);
  man.close();
  completion.close();
  if (!man || !completion) {
    std::cerr << "cavix_docs: cannot write into " << dir << "\n";
    return 1;
  }
  return 0;
}
