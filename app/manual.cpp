// Writers of the manual page and of the bash completion, over the command table.
#include "app/manual.h"

#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli.h"

namespace cavix::app {

namespace {

const CommandOption kHelp{"--help", nullptr, "show the command's options"};

// The options a command takes, its own first.
std::vector<const CommandOption*> AllOptions(const Command& c) {
  std::vector<const CommandOption*> all;
  for (const CommandOption& o : c.options) all.push_back(&o);
  for (const CommandOption* o : {&kRegistryOption, &kSettingsOption, &kHelp}) all.push_back(o);
  return all;
}

// Text for roff: backslashes escaped, minus signs kept as such, no line taken for a request.
std::string Roff(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
  return out;
}

// The value an option takes is a file when its name says so.
bool TakesFile(std::string_view value) {
  return value == "FILE" || value == "CSV" || value.find('.') != std::string_view::npos;
}

void Section(std::ostream& os, const char* name, std::initializer_list<const char*> paragraphs) {
  os << ".SH " << name << "\n";
  bool first = true;
  for (const char* p : paragraphs) {
    if (!first) os << ".PP\n";
    os << p << "\n";
    first = false;
  }
}

}  // namespace

void WriteManPage(std::ostream& os) {
  os << ".\\\" The manual page of cavix, written from its command table.\n"
     << ".TH CAVIX 1 \"\" \"cavix " << CAVIX_VERSION << "\" \"User Commands\"\n"
     << ".SH NAME\ncavix \\- place parametric holes in the parts of a model file and edit them\n"
     << ".SH SYNOPSIS\n";
  for (const Command& c : Commands()) {
    os << ".B cavix " << Roff(c.name) << "\n";
    if (*c.arguments) os << ".I " << Roff(c.arguments) << "\n";
    os << "[\\fIOPTIONS\\fR]\n.br\n";
  }
  os << ".B cavix \\-\\-version\n";
  Section(os, "DESCRIPTION",
          {"Cavix places parametric holes (plain, counterbored, countersunk and counterdrilled; "
           "threaded or not; blind or through) in the parts of a model file, sized from standards "
           "tables, and edits, regenerates and exports them. The hole dialog is played by a "
           "dialog script (\\fB\\-\\-script\\fR) or shown in a window (\\fB\\-\\-gui\\fR).",
           "Model files are JSON; their extension is \\fB.cvx\\fR (\\fB.json\\fR is read as "
           "well). A command that changes a model replaces the file whole, or not at all."});
  os << ".SH COMMANDS\n";
  for (const Command& c : Commands()) {
    os << ".TP\n.B " << Roff(c.name) << (*c.arguments ? " \\fI" + Roff(c.arguments) + "\\fR" : "")
       << "\n" << Roff(c.summary) << ".\n";
    if (c.options.empty()) continue;
    os << ".RS\n";
    for (const CommandOption& o : c.options)
      os << ".TP\n.B " << Roff(o.name) << (o.value ? " \\fI" + Roff(o.value) + "\\fR" : "")
         << "\n" << Roff(o.help) << (o.repeatable ? "; may be given more than once" : "")
         << ".\n";
    os << ".RE\n";
  }
  os << ".SH OPTIONS\nEvery command takes these.\n";
  for (const CommandOption* o : {&kRegistryOption, &kSettingsOption, &kHelp})
    os << ".TP\n.B " << Roff(o->name) << (o->value ? " \\fI" + Roff(o->value) + "\\fR" : "")
       << "\n" << Roff(o->help) << ".\n";
  Section(os, "FILES",
          {".TP\n.I <prefix>/share/cavix\n"
           "The application folder, read only: the registry file \\fBcavix.reg\\fR, the host "
           "settings \\fBsettings.ini\\fR, the standards families in \\fBStandards/\\fR, the "
           "thread picture in \\fBImages/\\fR and the demo's dialog scripts in \\fBscripts/\\fR.\n"
           ".TP\n.I $XDG_CONFIG_HOME/cavix/Cavix.prf\n"
           "The dialog's last choices, written at every OK (default "
           "\\fI~/.config/cavix/\\fR, made on the first write). Until it exists, a "
           "\\fBCavix.prf\\fR in the application folder gives the first dialog's choices.\n"
           ".TP\n.I $XDG_DATA_HOME/cavix/Standards/\n"
           "Your own standards families, one folder each (default "
           "\\fI~/.local/share/cavix/Standards/\\fR): offered after the shipped ones; a folder "
           "named as a shipped family's folder takes its place.",
           "\\fBcavix paths\\fR lists every folder and file in use and which exist."});
  Section(os, "ENVIRONMENT",
          {".TP\n.B CAVIX_REGISTRY\nThe registry file, when \\fB\\-\\-registry\\fR is not "
           "given.\n.TP\n.B CAVIX_SETTINGS\nThe host settings file, when \\fB\\-\\-settings\\fR is "
           "not given.\n.TP\n.B CAVIX_LOCALE\nThe regional settings of the dialog's numbers "
           "(\\fBen_US\\fR, \\fBde_DE\\fR, \\fBit_IT\\fR, ...); else \\fBLC_ALL\\fR, "
           "\\fBLC_NUMERIC\\fR, \\fBLANG\\fR.\n.TP\n.B CAVIX_LOCK_WAIT\nSeconds a command waits "
           "for another one changing the same model (default 30).\n.TP\n"
           ".B XDG_CONFIG_HOME\\fR, \\fBXDG_DATA_HOME\\fR, \\fBHOME\n"
           "Where your own folders are, as the XDG Base Directory rules say.\n.TP\n"
           ".B DISPLAY\nThe X display of \\fBcavix open\\fR and \\fB\\-\\-gui\\fR."});
  Section(os, "EXIT STATUS",
          {"0 done; 1 an error, printed as \\fBcavix: error \\fIN\\fB: \\fIdescription\\fR (or "
           "a design check that found an error); 2 wrong usage."});
  Section(os, "EXAMPLES",
          {".nf\ncavix new part.cvx \\-\\-block 120,80,25\n"
           "cavix drop part.cvx \\-\\-at 30,40,25 \\-\\-gui\ncavix open part.cvx\n"
           "cavix export part.cvx part.step\ncavix demo ~/cavix\\-demo\n.fi"});
}

void WriteBashCompletion(std::ostream& os) {
  os << "# bash completion for cavix, written from its command table.\n"
        "_cavix() {\n"
        "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "  if ((COMP_CWORD == 1)); then\n"
        "    COMPREPLY=($(compgen -W '";
  for (const Command& c : Commands()) os << c.name << " ";
  os << "--help --version' -- \"$cur\"))\n    return\n  fi\n  case $prev in\n";
  // Options whose value is a file, one of a few words, or anything else (nothing to offer).
  std::vector<std::string> files, free;
  std::vector<std::pair<std::string, std::string>> words;
  std::set<std::string> seen;
  auto note = [&](const CommandOption& o) {
    if (!o.value || !seen.insert(o.name).second) return;
    const std::string value = o.value;
    if (TakesFile(value)) {
      files.push_back(o.name);
    } else if (value.find('|') != std::string::npos) {
      std::string spaced = value;
      for (char& ch : spaced)
        if (ch == '|') ch = ' ';
      words.emplace_back(o.name, spaced);
    } else {
      free.push_back(o.name);
    }
  };
  for (const Command& c : Commands())
    for (const CommandOption* o : AllOptions(c)) note(*o);
  auto alternatives = [](const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& n : names) joined += (joined.empty() ? "" : "|") + n;
    return joined;
  };
  os << "    " << alternatives(files) << ")\n      compopt -o filenames 2>/dev/null\n"
     << "      COMPREPLY=($(compgen -f -- \"$cur\"))\n      return;;\n";
  for (const auto& [name, list] : words)
    os << "    " << name << ")\n      COMPREPLY=($(compgen -W '" << list
       << "' -- \"$cur\"))\n      return;;\n";
  os << "    " << alternatives(free) << ")\n      return;;\n  esac\n"
     << "  local options\n  case ${COMP_WORDS[1]} in\n";
  for (const Command& c : Commands()) {
    os << "    " << c.name << ") options='";
    bool first = true;
    for (const CommandOption* o : AllOptions(c)) {
      os << (first ? "" : " ") << o->name;
      first = false;
    }
    os << "';;\n";
  }
  os << "    *) return;;\n  esac\n"
        "  if [[ $cur == -* ]]; then\n"
        "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
        "  else\n"
        "    compopt -o filenames 2>/dev/null\n"
        "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
        "  fi\n"
        "}\n"
        "complete -F _cavix cavix\n";
}

}  // namespace cavix::app
