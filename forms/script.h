// Dialog scripts: one user action per line, read whole and checked before anything runs, then
// played on the form shown modally; message boxes and form dumps are written as JSON lines.
#pragma once

#include <functional>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form.h"
#include "forms/message_box.h"
#include "forms/ui.h"

namespace cavix::forms {

// A malformed script, or a script that cannot be played to its end. what() names the file and
// the line ("file:12: ...").
class ScriptError : public std::runtime_error {
 public:
  ScriptError(const std::string& file, int line, const std::string& problem);
  // For problems of the whole script (no line).
  ScriptError(const std::string& file, const std::string& problem);
  const std::string& File() const { return file_; }
  int Line() const { return line_; }  // 0 for the whole script

 private:
  std::string file_;
  int line_ = 0;
};

enum class Verb { Click, Select, Check, Text, Keys, Focus, Close, Dump };

// One action. `control` is the name as written ("OptHoleType", "TabNorme"), `index` the number in
// "Name(index)" or -1. For select: `selectIndex` >= 0 for "#INDEX", else `text`; for check:
// `value` 0 or 1; for text: `text`; for keys: `keys`, the character codes to type.
struct ScriptAction {
  Verb verb = Verb::Dump;
  int line = 0;
  std::string control;
  int index = -1;
  std::string text;
  int selectIndex = -1;
  int value = 0;
  std::vector<int16_t> keys;
};

struct Script {
  std::string file;
  std::vector<ScriptAction> actions;
};

// Reads a script. Lines whose first non-blank character is "#" are comments; blank lines are
// skipped. Syntax:
//   click CONTROL | select CONTROL TEXT | select CONTROL #INDEX | check CONTROL 0|1 |
//   text CONTROL TEXT | keys CONTROL TEXT | focus CONTROL | close | dump
// Verbs are lower case. CONTROL is a name or Name(index) (names match without regard to case).
// TEXT is the rest of the line without the blanks around it; written in double quotes it may hold
// leading or trailing blanks, "" is the empty text, and \" and \\ stand for " and \. A "#" after
// the action is text, not a comment. In keys, {ENTER} {BS} {TAB} {ESC} {{} {}} and {^X}
// (Ctrl+letter) name keys; every other character is typed as itself.
// select picks the first entry whose text is TEXT, else the first that equals it once blanks
// around both are ignored.
// Every malformed line is reported (one per line of what()) before anything runs.
Script ParseScript(std::string_view text, const std::string& fileName);
// The most a dialog script may hold; a larger file is refused before it is read.
inline constexpr size_t kMaxScriptBytes = size_t{16} << 20;

// Reads the file (UTF-8 or Windows-1252, CR LF or LF); a file that does not exist, cannot be read,
// is not a regular file (a folder, a device, a pipe) or is larger than kMaxScriptBytes is a
// ScriptError naming it and the cause.
Script LoadScript(const std::string& path);

// A message service that writes {"event":"message","title":…,"text":…,"style":…} lines and
// answers each box with its first button (OK, Abort, Yes, Retry).
class JsonLinesMessageService : public IMessageService {
 public:
  explicit JsonLinesMessageService(std::ostream& out);
  int Show(const Message& m) override;
  const std::vector<Message>& Shown() const { return shown_; }

 private:
  std::ostream& out_;
  std::vector<Message> shown_;
};

// The state of a form as the dump action prints it:
// {"event":"form","name":…,"caption":…,"focus":…,"controls":{"Name" or "Name(i)": {…}, …}}
// with, per control, kind, caption or text, enabled, visible, tag, and as the kind has them value,
// picture, list [{text, itemData}], listIndex, tabs, tab.
nlohmann::ordered_json DumpForm(const Form& form);

// Plays a script on the forms shown modally with it as the modal driver.
// Each action first moves the focus to its control (validating the control that had it). When
// that is refused, or the control is disabled or hidden (a user could not reach it), the action is
// skipped, a line saying so goes to `diag`, and the script goes on. Any other problem (no such
// control, a control of the wrong kind, an entry that is not in the list) stops the script: the
// form is unloaded without its events and ScriptError names the line.
// A form that is still open when the actions run out is an error too.
class ScriptRunner : public IModalDriver {
 public:
  ScriptRunner(Script script, std::ostream& out, std::ostream& diag);
  void Run(Form& form) override;
  // After the host call that showed the form(s): raises ScriptError when actions were left over
  // (the form closed before them).
  void Finish() const;
  bool AllPlayed() const { return next_ >= script_.actions.size(); }
  int FormsShown() const { return formsShown_; }

 private:
  void Play(Form& form, const ScriptAction& a);
  // Does `a` on `c` as a user would; false when the focus could not get there.
  bool Perform(Form& form, Control& c, const ScriptAction& a, int tab, int entry);
  Script script_;
  std::ostream& out_;
  std::ostream& diag_;
  size_t next_ = 0;
  int formsShown_ = 0;
};

// Plays `script` on the form(s) that `showDialog` shows modally in the Ui it is handed (the host
// call that opens the dialog): a ScriptRunner drives them and a JsonLinesMessageService on `out`
// shows their message boxes, each added to `shown` (may be null). Returns how many forms were
// shown; when none was, the host call refused before any dialog (its own message says why) and
// the actions are left alone. Raises ScriptError as the runner does, including for actions left
// over after the forms closed; errors of `showDialog` itself go on to the caller.
int PlayScript(const Script& script, std::ostream& out, std::ostream& diag,
               const std::function<void(Ui&)>& showDialog, std::vector<Message>* shown = nullptr);

}  // namespace cavix::forms
