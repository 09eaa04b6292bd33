// The `cavix` command: places and edits parametric holes in a model file.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return cavix::app::Run(args, std::cout, std::cerr);
}
