// The `cavix` command line: a table of commands, each one function, with shared option parsing,
// the choice of registry and settings files, and the one place that turns errors into messages
// and exit statuses.
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace cavix::app {

// Wrong use of the command line: the message is printed with the command's usage, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommandOption {
  const char* name;   // "--block"
  const char* value;  // "X,Y,Z", or nullptr for a flag
  const char* help;
};

// Options every command accepts.
extern const CommandOption kRegistryOption;  // --registry FILE
extern const CommandOption kSettingsOption;  // --settings FILE
extern const CommandOption kJsonOption;      // --json (for commands that print)

struct Invocation;

struct Command {
  const char* name;
  const char* arguments;  // "MODEL [SHAPE]"
  const char* summary;
  std::vector<CommandOption> options;  // besides --registry and --settings
  int minArgs, maxArgs;
  int (*run)(Invocation& inv);
};

// One run of a command: its positional arguments and options, and where output goes.
struct Invocation {
  const Command& command;
  std::vector<std::string> args;
  std::map<std::string, std::string> options;  // "--block" -> "1,2,3"; a flag maps to ""
  std::ostream& out;
  std::ostream& err;

  bool Has(const std::string& option) const { return options.count(option) != 0; }
  std::optional<std::string> Value(const std::string& option) const;
  // The registry and settings files: the option, else CAVIX_REGISTRY / CAVIX_SETTINGS, else the
  // installed defaults.
  scene::ServiceConfig Services() const;
};

// Helpers shared by the commands.
// Three comma-separated numbers ("100,60,20"); a UsageError naming the option otherwise.
scene::Vec3 ParseTriple(const std::string& text, const std::string& option);
// A whole text as an integer in [lo, hi]; a UsageError naming the option otherwise.
int ParseInt(const std::string& text, const std::string& option, int lo, int hi);
// Reads a model and readies it for the add-in: its classes registered, the services installed.
std::unique_ptr<scene::Scene> OpenModel(const Invocation& inv, const std::string& path);
// The same for a command that changes the model and saves it: the model's lock is taken before
// the file is read and held until the command ends, so that commands running at the same time
// take turns and none loses what another saved (scene::LockModel).
std::unique_ptr<scene::Scene> OpenModelToChange(const Invocation& inv, const std::string& path);
// The dialog reads its standards tables through the registry; without the file every choice
// would fail with a bare "Bad file name or number". Raises 53 naming the file and the fix.
void RequireRegistryFile(const Invocation& inv, const std::string& command);
// Registers the add-in's classes and installs the services on a scene (new or opened).
void ReadyScene(const Invocation& inv, scene::Scene& scene);
// Saves atomically: the file is the previous one or the whole new one.
void SaveModelFile(const scene::Scene& scene, const std::string& path);
// A number as people read it: the shortest text that reads back as the same double.
std::string Num(double v);
// A text from a file made safe for a terminal: control characters (line breaks included),
// bidirectional overrides and bytes that are not UTF-8 are written as escapes (\n, \x1b, \u202e),
// so that a shape name cannot move the cursor, clear the screen or reorder what is shown.
std::string Printable(std::string_view text);

// The command table (commands.cpp).
const std::vector<Command>& Commands();

// Runs the command line; returns the exit status (0 done, 1 error, 2 usage).
int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err);

}  // namespace cavix::app
