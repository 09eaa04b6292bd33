// Running the built program as a user does: a shell command line, both streams captured.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace cavix::test {

// The text as one word of a shell command line.
inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The program and its arguments, each one word.
inline std::string CommandLine(const std::string& program, const std::vector<std::string>& args) {
  std::string line = ShellQuote(program);
  for (const auto& a : args) line += " " + ShellQuote(a);
  return line;
}

struct ShellResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out, err;
};

// Runs `line` through the shell; its two streams pass through files of `scratch`.
inline ShellResult RunShell(const std::string& line, const TempDir& scratch) {
  const std::string out = scratch.File("stdout"), err = scratch.File("stderr");
  const int raw = std::system((line + " >" + ShellQuote(out) + " 2>" + ShellQuote(err)).c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
}

}  // namespace cavix::test
