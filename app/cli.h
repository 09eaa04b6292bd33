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

#include "actions/holes.h"
#include "actions/workspace.h"
#include "runtime/printable.h"
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
  bool repeatable = false;  // may be given more than once (Values)
};

// Options every command accepts.
extern const CommandOption kRegistryOption;  // --registry FILE
extern const CommandOption kSettingsOption;  // --settings FILE
extern const CommandOption kJsonOption;      // --json (for commands that print)

struct Invocation;

// How this program shows the host window on a model file (`cavix open`); empty when it has none.
using HostRunner =
    std::function<int(const std::string& model, const scene::ServiceConfig& services)>;

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
  // "--block" -> {"1,2,3"}; a flag maps to {""}; a repeatable option to every value in order.
  std::map<std::string, std::vector<std::string>> options;
  std::ostream& out;
  std::ostream& err;
  // How this program shows the dialog in a window (--gui); empty when it has no window toolkit.
  actions::WindowRunner windows;
  HostRunner host;

  bool Has(const std::string& option) const { return options.count(option) != 0; }
  std::optional<std::string> Value(const std::string& option) const;
  std::vector<std::string> Values(const std::string& option) const;
  // The registry and settings files: the option, else CAVIX_REGISTRY / CAVIX_SETTINGS, else the
  // installed defaults.
  scene::ServiceConfig Services() const;
  // Workers for the command's work: --jobs N where the command has it, else the environment's
  // CAVIX_JOBS, else every core.
  int Jobs() const;
};

// Helpers shared by the commands.
// Comma-separated finite numbers ("15,15,2.5"); a UsageError naming the option and the `form` it
// takes otherwise.
std::vector<double> ParseNumbers(const std::string& text, const std::string& option,
                                 const std::string& form);
// Three comma-separated numbers ("100,60,20"); a UsageError naming the option otherwise.
scene::Vec3 ParseTriple(const std::string& text, const std::string& option);
// The extents of --block in `units`; a UsageError naming the option when they are not three
// numbers within a block's bounds (scene::BlockExtentsProblem).
scene::Vec3 ParseBlock(const std::string& text, scene::Units units);
// A whole text as an integer in [lo, hi]; a UsageError naming the option otherwise.
int ParseInt(const std::string& text, const std::string& option, int lo, int hi);
// Reads a model and loads the add-in into it, with the invocation's registry and settings.
std::unique_ptr<actions::Workspace> OpenModel(const Invocation& inv, const std::string& path);
// The same for a command that only reads the model (actions::Workspace::Read).
std::unique_ptr<actions::Workspace> ReadModel(const Invocation& inv, const std::string& path);
// The same for a command that changes the model and saves it: the model's lock is held from
// before the file is read until the workspace ends.
std::unique_ptr<actions::Workspace> OpenModelToChange(const Invocation& inv,
                                                     const std::string& path);
// The dialog reads its standards tables through the registry; without the file every choice
// would fail with a bare "Bad file name or number". Raises 53 naming the file and the fix.
void RequireRegistryFile(const Invocation& inv, const std::string& command);
// A number as people read it: the shortest text that reads back as the same double.
std::string Num(double v);
// How an error is reported: "cavix: error N: description (file)", safe for a terminal; a broken
// invariant (rt::InternalError) as "cavix: internal error: ...".
std::string ErrorLine(const std::exception& e);
// The exit status of a run that ended in an internal error.
inline constexpr int kInternalErrorStatus = 70;
using rt::Printable;

// The command table (commands.cpp).
const std::vector<Command>& Commands();

// Runs the command line; returns the exit status (0 done, 1 error, 2 usage,
// kInternalErrorStatus for an internal error).
// `windows` shows dialogs in windows for --gui (none: --gui is refused); `host` shows the host
// window for `open`.
int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
        const actions::WindowRunner& windows = {}, const HostRunner& host = {});

}  // namespace cavix::app
