// Command-line parsing, help, the shared helpers of the commands, and the error boundary.
#include "app/cli.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "runtime/error.h"
#include "runtime/text_file.h"
#include "runtime/workers.h"

#include "standards/config.h"

// The application folder as seen from the folder the command is installed in, and, for a system
// without /proc, as installed.
#ifndef CAVIX_DATA_FROM_BIN
#define CAVIX_DATA_FROM_BIN "../share/cavix"
#endif
#ifndef CAVIX_DATA_INSTALLED
#define CAVIX_DATA_INSTALLED "/usr/local/share/cavix"
#endif

namespace cavix::app {

const CommandOption kRegistryOption{"--registry", "FILE",
                                 "registry file (else CAVIX_REGISTRY, else the installed one)"};
const CommandOption kSettingsOption{
    "--settings", "FILE", "host settings file (else CAVIX_SETTINGS, else the installed one)"};
const CommandOption kJsonOption{"--json", nullptr, "print JSON"};

namespace {

const CommandOption kHelpOption{"--help", nullptr, "show this help"};

std::vector<const CommandOption*> OptionsOf(const Command& c) {
  std::vector<const CommandOption*> all;
  for (const auto& o : c.options) all.push_back(&o);
  all.push_back(&kRegistryOption);
  all.push_back(&kSettingsOption);
  all.push_back(&kHelpOption);
  return all;
}

void PrintCommandHelp(const Command& c, std::ostream& os) {
  os << "usage: cavix " << c.name << " " << c.arguments;
  for (const auto& o : c.options)
    os << " [" << o.name << (o.value ? std::string(" ") + o.value : "") << "]"
       << (o.repeatable ? "..." : "");
  os << "\n  " << c.summary << "\n";
  for (const CommandOption* o : OptionsOf(c)) {
    std::string left = std::string(o->name) + (o->value ? std::string(" ") + o->value : "");
    os << "  " << left << std::string(left.size() < 22 ? 22 - left.size() : 1, ' ') << o->help
       << "\n";
  }
}

void PrintHelp(std::ostream& os) {
  os << "usage: cavix COMMAND ARGUMENTS [OPTIONS]\n"
        "Places parametric holes in the parts of a model file and edits them.\n\ncommands:\n";
  for (const Command& c : Commands()) {
    std::string left = std::string(c.name) + " " + c.arguments;
    os << "  " << left << std::string(left.size() < 26 ? 26 - left.size() : 1, ' ') << c.summary
       << "\n";
  }
  os << "\n'cavix COMMAND --help' describes a command's options; 'cavix --version' prints the "
        "version.\n"
        "Errors print 'cavix: error N: description' and exit with status 1; wrong usage exits with "
        "2.\n";
}

Invocation Parse(const Command& c, const std::vector<std::string>& argv, size_t first,
                 std::ostream& out, std::ostream& err) {
  Invocation inv{c, {}, {}, out, err, {}, {}};
  auto options = OptionsOf(c);
  bool optionsEnded = false;
  for (size_t i = first; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (optionsEnded || a.size() < 3 || a.compare(0, 2, "--") != 0) {
      if (a == "--") {
        optionsEnded = true;
        continue;
      }
      if (!optionsEnded && a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9'))
        throw UsageError("unknown option " + a);
      inv.args.push_back(a);
      continue;
    }
    size_t eq = a.find('=');
    std::string name = a.substr(0, eq);
    const CommandOption* known = nullptr;
    for (const CommandOption* o : options)
      if (name == o->name) known = o;
    if (!known) throw UsageError("unknown option " + name);
    if (inv.options.count(name) && !known->repeatable) throw UsageError(name + " is given twice");
    std::string value;
    if (known->value) {
      if (eq != std::string::npos)
        value = a.substr(eq + 1);
      else if (i + 1 < argv.size())
        value = argv[++i];
      else
        throw UsageError(name + " needs a value " + known->value);
    } else if (eq != std::string::npos) {
      throw UsageError(name + " takes no value");
    }
    inv.options[name].push_back(value);
  }
  return inv;
}

// An error message for the terminal: escaped as Printable does, but a message of several lines
// (a script with several bad lines) keeps its line breaks.
std::string PrintableLines(std::string_view text) {
  std::string out;
  for (size_t start = 0;;) {
    const size_t end = text.find('\n', start);
    out += Printable(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return out;
    out += '\n';
    start = end + 1;
  }
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// A file of the application folder that lies beside this program's install: <prefix>/bin/cavix
// finds <prefix>/share/cavix, whatever the prefix (cmake --install --prefix, the package's /usr,
// a package unpacked anywhere).
std::string InstalledFile(const char* name) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::string(CAVIX_DATA_INSTALLED) + "/" + name;
  return (self.parent_path() / CAVIX_DATA_FROM_BIN / name).lexically_normal().string();
}

}  // namespace

std::optional<std::string> Invocation::Value(const std::string& option) const {
  auto it = options.find(option);
  if (it == options.end()) return std::nullopt;
  return it->second.front();
}

std::vector<std::string> Invocation::Values(const std::string& option) const {
  auto it = options.find(option);
  return it == options.end() ? std::vector<std::string>{} : it->second;
}

scene::ServiceConfig Invocation::Services() const {
  scene::ServiceConfig services;
  auto pick = [&](const char* option, const char* env, const char* installed) {
    if (auto v = Value(option)) return *v;
    std::string e = Env(env);
    return e.empty() ? InstalledFile(installed) : e;
  };
  services.registryFile = pick("--registry", "CAVIX_REGISTRY", "cavix.reg");
  services.settingsFile = pick("--settings", "CAVIX_SETTINGS", "settings.ini");
  services.user = config::UserFoldersFromEnvironment([](const char* v) { return std::getenv(v); });
  return services;
}

std::vector<double> ParseNumbers(const std::string& text, const std::string& option,
                                 const std::string& form) {
  std::vector<double> v;
  size_t pos = 0;
  for (;;) {
    size_t end = text.find(',', pos);
    if (end == std::string::npos) end = text.size();
    const char* b = text.data() + pos;
    const char* e = text.data() + end;
    double d = 0;
    auto [p, ec] = std::from_chars(b, e, d);
    if (ec != std::errc() || p != e || !std::isfinite(d))
      throw UsageError(option + " takes " + form + ", not \"" + text + "\"");
    v.push_back(d);
    if (end == text.size()) break;
    pos = end + 1;
  }
  return v;
}

scene::Vec3 ParseTriple(const std::string& text, const std::string& option) {
  const std::string form = "three numbers X,Y,Z";
  const std::vector<double> v = ParseNumbers(text, option, form);
  if (v.size() != 3) throw UsageError(option + " takes " + form + ", not \"" + text + "\"");
  return {v[0], v[1], v[2]};
}

scene::Vec3 ParseBlock(const std::string& text, scene::Units units) {
  const scene::Vec3 block = ParseTriple(text, "--block");
  if (const std::string problem = scene::BlockExtentsProblem(block, units); !problem.empty())
    throw UsageError("--block: " + problem);
  return block;
}

int ParseInt(const std::string& text, const std::string& option, int lo, int hi) {
  int v = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || p != text.data() + text.size() || v < lo || v > hi)
    throw UsageError(option + " takes a whole number from " + std::to_string(lo) + " to " +
                     std::to_string(hi) + ", not \"" + text + "\"");
  return v;
}

void RequireRegistryFile(const Invocation& inv, const std::string& command) {
  const std::string registry = inv.Services().registryFile;
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(registry, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
    rt::Raise(rt::err::kPathFileAccess,
              "registry file \"" + registry + "\" is " +
                  (std::filesystem::is_directory(status) ? "a folder" : "not a regular file"),
              command);
  if (!std::filesystem::is_regular_file(status))
    rt::Raise(rt::err::kFileNotFound,
              "registry file \"" + registry +
                  "\" not found: install Cavix (cmake --install BUILD), or name a registry file "
                  "with --registry FILE or CAVIX_REGISTRY",
              command);
}

int Invocation::Jobs() const {
  constexpr int kMost = 1024;
  if (auto v = Value("--jobs")) return ParseInt(*v, "--jobs", 1, kMost);
  const char* env = std::getenv("CAVIX_JOBS");
  return env && *env ? ParseInt(env, "CAVIX_JOBS", 1, kMost) : rt::AllCores();
}

std::unique_ptr<actions::Workspace> OpenModel(const Invocation& inv, const std::string& path) {
  return actions::Workspace::Open(path, inv.Services(), inv.Jobs());
}

std::unique_ptr<actions::Workspace> ReadModel(const Invocation& inv, const std::string& path) {
  return actions::Workspace::Read(path, inv.Services(), inv.Jobs());
}

std::unique_ptr<actions::Workspace> OpenModelToChange(const Invocation& inv,
                                                     const std::string& path) {
  return actions::Workspace::OpenToChange(path, inv.Services(), inv.Jobs());
}

std::string ErrorLine(const std::exception& e) {
  // Not the user's input: a fault of cavix itself.
  if (dynamic_cast<const rt::InternalError*>(&e))
    return "cavix: internal error: " + PrintableLines(e.what()) +
           " (a fault of cavix, not of its input; please report it)";
  const auto* r = dynamic_cast<const rt::Error*>(&e);
  if (!r) return "cavix: error: " + PrintableLines(e.what());
  std::string line =
      "cavix: error " + std::to_string(r->Number()) + ": " + PrintableLines(r->Description());
  // The source says which file a bare description is about; the name of the object that raised
  // an error means nothing to a user and is left out.
  const std::string& source = r->Source();
  const bool file = source.find_first_of("/\\") != std::string::npos;
  if (file && r->Description().find(source) == std::string::npos)
    line += " (" + Printable(rt::NativePath(source)) + ")";  // shown with "/"
  return line;
}

std::string Num(double v) {
  char buf[64];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, p) : std::string("?");
}

int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
        const actions::WindowRunner& windows, const HostRunner& host) {
  if (argv.empty()) {
    PrintHelp(err);
    return 2;
  }
  const std::string& name = argv[0];
  if (name == "--version") {
    out << "cavix " << CAVIX_VERSION << "\n";
    return 0;
  }
  if (name == "--help" || name == "-h" || name == "help") {
    if (argv.size() > 1)
      for (const Command& c : Commands())
        if (argv[1] == c.name) {
          PrintCommandHelp(c, out);
          return 0;
        }
    PrintHelp(out);
    return 0;
  }
  const Command* command = nullptr;
  for (const Command& c : Commands())
    if (name == c.name) command = &c;
  if (!command) {
    err << "cavix: unknown command \"" << name << "\"\n";
    PrintHelp(err);
    return 2;
  }
  try {
    Invocation inv = Parse(*command, argv, 1, out, err);
    inv.windows = windows;
    inv.host = host;
    if (inv.Has("--help")) {
      PrintCommandHelp(*command, out);
      return 0;
    }
    int n = static_cast<int>(inv.args.size());
    if (n < command->minArgs) throw UsageError("missing arguments");
    if (n > command->maxArgs) throw UsageError("too many arguments");
    return command->run(inv);
  } catch (const UsageError& e) {
    err << "cavix " << name << ": " << PrintableLines(e.what()) << "\n";
    PrintCommandHelp(*command, err);
    return 2;
  } catch (const std::exception& e) {
    err << ErrorLine(e) << "\n";
    return dynamic_cast<const rt::InternalError*>(&e) ? kInternalErrorStatus : 1;
  }
}

}  // namespace cavix::app
