// Dialog scripts: the reader (every line checked before anything runs), the runner that plays the
// actions as a user would, the JSON-lines message service and the form dump.
#include "forms/script.h"

#include <cctype>
#include <ostream>
#include <sstream>

#include "forms/keys.h"
#include "runtime/error.h"
#include "runtime/text_file.h"

namespace cavix::forms {

namespace {

std::string Located(const std::string& file, int line, const std::string& problem) {
  return file + ":" + std::to_string(line) + ": " + problem;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A problem on one line while reading.
struct LineProblem {
  std::string text;
};

[[noreturn]] void Problem(std::string text) { throw LineProblem{std::move(text)}; }

struct VerbName {
  const char* name;
  Verb verb;
  bool control;  // takes a control
  bool arg;      // takes a text after the control
};
// name      verb          control arg
constexpr VerbName kVerbs[] = {
    {"click", Verb::Click, true, false},  {"select", Verb::Select, true, true},
    {"check", Verb::Check, true, true},   {"text", Verb::Text, true, true},
    {"keys", Verb::Keys, true, true},     {"focus", Verb::Focus, true, false},
    {"close", Verb::Close, false, false}, {"dump", Verb::Dump, false, false},
};

const char* VerbText(Verb v) {
  for (const VerbName& n : kVerbs)
    if (n.verb == v) return n.name;
  return "?";
}

// Reads CONTROL at the start of `s` ("Name" or "Name(index)"), removing it from `s`.
void ReadControl(std::string_view& s, ScriptAction& a, const char* verb) {
  size_t i = 0;
  while (i < s.size() && !IsBlank(s[i])) ++i;
  const std::string_view token = s.substr(0, i);
  s.remove_prefix(i);
  if (token.empty()) Problem(std::string(verb) + " needs a control name");
  const auto bad = [&] {
    Problem("'" + std::string(token) + "' is not a control name (expected Name or Name(index))");
  };
  if (!std::isalpha(static_cast<unsigned char>(token[0]))) bad();
  size_t k = 0;
  while (k < token.size() &&
         (std::isalnum(static_cast<unsigned char>(token[k])) || token[k] == '_'))
    ++k;
  a.control = std::string(token.substr(0, k));
  if (k == token.size()) return;
  if (token[k] != '(' || token.back() != ')' || k + 2 >= token.size()) bad();
  const std::string_view digits = token.substr(k + 1, token.size() - k - 2);
  long index = 0;
  for (char d : digits) {
    if (!std::isdigit(static_cast<unsigned char>(d))) bad();
    index = index * 10 + (d - '0');
    if (index > 32767) Problem("index of '" + std::string(token) + "' is out of range");
  }
  a.index = static_cast<int>(index);
}

// The text argument: the rest without blanks around it, or a quoted text. `quoted` tells which.
std::string ReadText(std::string_view s, bool& quoted) {
  s = TrimBlanks(s);
  quoted = !s.empty() && s.front() == '"';
  if (!quoted) return std::string(s);
  std::string out;
  size_t i = 1;
  for (; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\')) {
      out += s[++i];
    } else if (s[i] == '"') {
      break;
    } else {
      out += s[i];
    }
  }
  if (i >= s.size()) Problem("the quoted text has no closing quote");
  if (i + 1 != s.size()) Problem("there is more after the closing quote");
  return out;
}

std::vector<int16_t> ReadKeys(const std::string& text) {
  std::vector<int16_t> keys;
  size_t i = 0;
  std::string plain;
  const auto flush = [&] {
    for (int16_t k : AnsiCodesOf(plain)) keys.push_back(k);
    plain.clear();
  };
  while (i < text.size()) {
    if (text[i] != '{') {
      plain += text[i++];
      continue;
    }
    flush();
    if (text.compare(i, 3, "{{}") == 0 || text.compare(i, 3, "{}}") == 0) {
      keys.push_back(text[i + 1]);
      i += 3;
      continue;
    }
    const size_t close = text.find('}', i);
    if (close == std::string::npos) Problem("'{' opens a key name that is not closed with '}'");
    std::string name = text.substr(i + 1, close - i - 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "ENTER") {
      keys.push_back(key::kEnter);
    } else if (name == "BS" || name == "BACKSPACE") {
      keys.push_back(key::kBackspace);
    } else if (name == "TAB") {
      keys.push_back(key::kTab);
    } else if (name == "ESC" || name == "ESCAPE") {
      keys.push_back(key::kEscape);
    } else if (name.size() == 2 && name[0] == '^' && name[1] >= 'A' && name[1] <= 'Z') {
      keys.push_back(static_cast<int16_t>(name[1] - 'A' + 1));
    } else {
      Problem("unknown key {" + text.substr(i + 1, close - i - 1) +
              "} (known: {ENTER} {BS} {TAB} {ESC} {{} {}} {^A}..{^Z})");
    }
    i = close + 1;
  }
  flush();
  return keys;
}

ScriptAction ParseLine(std::string_view line) {
  ScriptAction a;
  size_t i = 0;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  const std::string_view word = line.substr(0, i);
  std::string_view rest = line.substr(i);
  const VerbName* verb = nullptr;
  for (const VerbName& n : kVerbs)
    if (word == n.name) verb = &n;
  if (!verb)
    Problem("unknown action '" + std::string(word) +
            "' (expected click, select, check, text, keys, focus, close or dump)");
  a.verb = verb->verb;
  rest = TrimBlanks(rest);
  if (verb->control) ReadControl(rest, a, verb->name);
  rest = TrimBlanks(rest);
  if (!verb->arg) {
    if (!rest.empty())
      Problem(std::string(verb->name) + " takes " + (verb->control ? "only a control" : "nothing") +
              ", but '" + std::string(rest) + "' follows");
    return a;
  }
  bool quoted = false;
  std::string text = ReadText(rest, quoted);
  if (text.empty() && !quoted)
    Problem(std::string(verb->name) + " " + a.control + " needs " +
            (a.verb == Verb::Check ? "0 or 1" : "a text (\"\" for the empty one)"));
  switch (a.verb) {
    case Verb::Check:
      if (quoted || (text != "0" && text != "1")) Problem("check takes 0 or 1, not '" + text + "'");
      a.value = text == "1" ? 1 : 0;
      break;
    case Verb::Select:
      if (!quoted && text[0] == '#') {
        const std::string digits = text.substr(1);
        if (digits.empty() || digits.size() > 6 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
          Problem("select " + a.control + " " + text + ": #INDEX needs a number (0, 1, ...)");
        a.selectIndex = std::stoi(digits);
      } else {
        a.text = std::move(text);
      }
      break;
    case Verb::Keys:
      a.keys = ReadKeys(text);
      a.text = std::move(text);
      break;
    default:
      a.text = std::move(text);
      break;
  }
  return a;
}

// A line from the file: kept when it is UTF-8, else read as Windows-1252.
std::string DecodeLine(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  for (char b : bytes) {
    const auto code = static_cast<unsigned char>(b);
    if (code < 0x80) {
      out += b;
    } else {
      const std::string ch = Utf8OfAnsi(static_cast<int16_t>(code));
      out += ch.empty() ? "\xEF\xBF\xBD" : ch;  // U+FFFD for the codes the code page lacks
    }
  }
  return out;
}

[[noreturn]] void Fail(const Script& s, const ScriptAction& a, const std::string& problem) {
  throw ScriptError(s.file, a.line, problem);
}

std::string ActionText(const ScriptAction& a) {
  std::string t = VerbText(a.verb);
  if (!a.control.empty()) {
    t += " " + a.control;
    if (a.index >= 0) t += "(" + std::to_string(a.index) + ")";
  }
  return t;
}

// "a label", "an imagelist".
std::string WithArticle(ControlKind kind) {
  const std::string name = KindName(kind);
  return (name.find_first_of("aeiou") == 0 ? "an " : "a ") + name;
}

// Why a user could not reach the control.
std::string Unreachable(const Control& c) {
  for (const Control* k = &c; k; k = k->Container()) {
    const std::string who = k == &c ? "it" : "its frame " + k->FullName();
    if (!k->Visible()) return who + " is hidden";
    if (!k->Enabled()) return who + " is disabled";
  }
  return "it cannot take the focus";
}

}  // namespace

// ---- ScriptError ----

ScriptError::ScriptError(const std::string& file, int line, const std::string& problem)
    : std::runtime_error(Located(file, line, problem)), file_(file), line_(line) {}

ScriptError::ScriptError(const std::string& file, const std::string& problem)
    : std::runtime_error(file + ": " + problem), file_(file) {}

// ---- Reading ----

Script ParseScript(std::string_view text, const std::string& fileName) {
  Script script{fileName, {}};
  std::vector<std::pair<int, std::string>> problems;
  int lineNo = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    ++lineNo;
    const std::string_view line = TrimBlanks(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == '#') continue;
    try {
      ScriptAction a = ParseLine(line);
      a.line = lineNo;
      script.actions.push_back(std::move(a));
    } catch (const LineProblem& p) {
      problems.emplace_back(lineNo, p.text);
    }
  }
  if (!problems.empty()) {
    std::string more;
    for (size_t k = 1; k < problems.size(); ++k)
      more += "\n" + Located(fileName, problems[k].first, problems[k].second);
    throw ScriptError(fileName, problems[0].first, problems[0].second + more);
  }
  return script;
}

Script LoadScript(const std::string& path) {
  std::string bytes;
  try {
    if (!rt::ReadWholeFile(path, kMaxScriptBytes, "dialog script", bytes))
      throw ScriptError(path, "the dialog script does not exist");
  } catch (const rt::Error& e) {
    // "dialog script "PATH" is a folder": the file is named once, in front.
    const std::string named = "dialog script \"" + path + "\"";
    std::string problem = e.Description();
    if (problem.rfind(named, 0) == 0) problem = "the dialog script" + problem.substr(named.size());
    throw ScriptError(path, problem);
  }
  std::string text;
  size_t pos = 0;
  while (pos <= bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    text += DecodeLine(std::string_view(bytes).substr(pos, end - pos));
    text += '\n';
    pos = end + 1;
  }
  return ParseScript(text, path);
}

// ---- Messages ----

JsonLinesMessageService::JsonLinesMessageService(std::ostream& out) : out_(out) {}

int JsonLinesMessageService::Show(const Message& m) {
  shown_.push_back(m);
  nlohmann::ordered_json j;
  j["event"] = "message";
  j["title"] = m.title;
  j["text"] = m.prompt;
  j["style"] = m.style;
  out_ << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  out_.flush();
  switch (m.style & 7) {
    case 2:
      return 3;  // Abort, Retry, Ignore
    case 3:      // Yes, No, Cancel
    case 4:
      return msg::kYes;
    case 5:
      return 4;  // Retry, Cancel
    default:
      return msg::kOk;
  }
}

// ---- Dump ----

nlohmann::ordered_json DumpForm(const Form& form) {
  using nlohmann::ordered_json;
  ordered_json j;
  j["event"] = "form";
  j["name"] = form.Name();
  j["caption"] = form.Caption();
  j["position"] = {form.Left(), form.Top()};  // twips, where a window view places the form
  j["focus"] =
      form.ActiveControl() ? ordered_json(form.ActiveControl()->FullName()) : ordered_json(nullptr);
  ordered_json controls = ordered_json::object();
  for (const auto& up : form.Controls()) {
    const Control& c = *up;
    ordered_json o;
    o["kind"] = KindName(c.Kind());
    switch (c.Kind()) {
      case ControlKind::TextBox:
      case ControlKind::ComboBox:
      case ControlKind::DropDownList:
        o["text"] = c.Caption();
        break;
      case ControlKind::ImageList:
        o["count"] = static_cast<const ImageList&>(c).Count();
        break;
      default:
        o["caption"] = c.Caption();
        break;
    }
    o["enabled"] = c.Enabled();
    o["visible"] = c.Visible();
    if (const auto* box = dynamic_cast<const CheckBox*>(&c)) o["value"] = box->Value();
    if (const auto* opt = dynamic_cast<const OptionButton*>(&c)) o["value"] = opt->Value();
    if (const auto* list = dynamic_cast<const ComboBox*>(&c)) {
      ordered_json entries = ordered_json::array();
      for (const ListEntry& e : list->Entries())
        entries.push_back(ordered_json{{"text", e.text}, {"itemData", e.itemData}});
      o["list"] = std::move(entries);
      o["listIndex"] = list->ListIndex();
    }
    if (const auto* tabs = dynamic_cast<const TabStrip*>(&c)) {
      o["tab"] = tabs->Tab();
      o["tabs"] = tabs->TabCaptions();
    }
    o["tag"] = c.Tag();
    if (c.Kind() == ControlKind::OptionButton || c.Picture() != 0) o["picture"] = c.Picture();
    controls[c.FullName()] = std::move(o);
  }
  j["controls"] = std::move(controls);
  return j;
}

// ---- Runner ----

ScriptRunner::ScriptRunner(Script script, std::ostream& out, std::ostream& diag)
    : script_(std::move(script)), out_(out), diag_(diag) {}

void ScriptRunner::Run(Form& form) {
  ++formsShown_;
  while (next_ < script_.actions.size() && form.IsShown()) {
    const ScriptAction& a = script_.actions[next_++];
    try {
      Play(form, a);
    } catch (const rt::Error& e) {
      diag_ << Located(script_.file, a.line, ActionText(a)) << ": run-time error " << e.Number()
            << ": " << e.Description() << '\n';
      throw;
    }
  }
  if (form.IsShown())
    throw ScriptError(script_.file, "the script ended with the form " + form.Name() +
                                        " still open (end it with close, or a click on the "
                                        "button that closes it)");
}

namespace {

// The control an action names: a control, an element of a control array, or (with `tab` set) a
// tab strip whose tab it names. Fails, saying why, when the form has none or a user could not do
// the action on it.
Control& Target(const Script& script, Form& form, const ScriptAction& a, int& tab) {
  Control* c = form.Find(a.control, a.index);
  tab = -1;
  if (!c && a.index >= 0) {
    Control* strip = form.Find(a.control);
    if (strip && strip->Kind() == ControlKind::TabStrip) {
      c = strip;
      tab = a.index;
    }
  }
  const std::string named = a.control + (a.index >= 0 ? "(" + std::to_string(a.index) + ")" : "");
  if (!c) {
    if (a.index < 0 && !form.Array(a.control).empty())
      Fail(script, a, a.control + " is a control array: name an element, as " + a.control + "(0)");
    Fail(script, a, "the form " + form.Name() + " has no control " + named);
  }
  if (!c->IsFocusable())
    Fail(script, a,
         named + " is " + WithArticle(c->Kind()) + ", which a user cannot " + VerbText(a.verb));
  const auto needKind = [&](bool ok, const char* what) {
    if (!ok)
      Fail(script, a,
           VerbText(a.verb) + std::string(" needs ") + what + ", but " + named + " is " +
               WithArticle(c->Kind()));
  };
  switch (a.verb) {
    case Verb::Click:
      if (c->Kind() != ControlKind::TabStrip) break;
      if (tab < 0) Fail(script, a, "click on a tab strip names the tab, as " + a.control + "(0)");
      if (const int tabs = static_cast<const TabStrip&>(*c).Tabs(); tab >= tabs)
        Fail(script, a,
             a.control + " has " + std::to_string(tabs) + " tab(s), 0 to " +
                 std::to_string(tabs - 1));
      break;
    case Verb::Select:
      needKind(dynamic_cast<ComboBox*>(c) != nullptr, "a list or combo box");
      break;
    case Verb::Check:
      needKind(c->Kind() == ControlKind::CheckBox, "a check box");
      break;
    case Verb::Text:
      needKind(c->Kind() == ControlKind::TextBox || c->Kind() == ControlKind::ComboBox,
               "a text box or editable combo box");
      break;
    default:
      break;
  }
  return *c;
}

// The entry of `list` a select action names: "#INDEX", else the first entry of its text, else
// the first that equals it once blanks around both are ignored. Fails when there is none.
int EntryOf(const Script& script, const ScriptAction& a, const ComboBox& list) {
  const std::string named = a.control + (a.index >= 0 ? "(" + std::to_string(a.index) + ")" : "");
  if (a.selectIndex >= 0) {
    if (a.selectIndex >= list.ListCount())
      Fail(script, a,
           named + " has " + std::to_string(list.ListCount()) + " entries, so there is no #" +
               std::to_string(a.selectIndex));
    return a.selectIndex;
  }
  for (int i = 0; i < list.ListCount(); ++i)
    if (list.List(i) == a.text) return i;
  // Table entries may carry blanks a script writer cannot see.
  for (int i = 0; i < list.ListCount(); ++i)
    if (TrimBlanks(list.List(i)) == TrimBlanks(a.text)) return i;
  std::string have;
  for (int i = 0; i < list.ListCount() && i < 12; ++i)
    have += (i ? ", " : "") + ("'" + list.List(i) + "'");
  if (list.ListCount() > 12) have += ", ...";
  Fail(script, a,
       named + " has no entry '" + a.text + "'" +
           (have.empty() ? " (it is empty)" : " (entries: " + have + ")"));
}

}  // namespace

void ScriptRunner::Play(Form& form, const ScriptAction& a) {
  if (a.verb == Verb::Dump) {
    out_ << DumpForm(form).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    out_.flush();
    return;
  }
  if (a.verb == Verb::Close) {
    if (!form.UserClose())
      diag_ << Located(script_.file, a.line, "close: the form refused to close and stays open")
            << '\n';
    return;
  }
  int tab = -1;
  Control& c = Target(script_, form, a, tab);
  const int entry = a.verb == Verb::Select ? EntryOf(script_, a, static_cast<ComboBox&>(c)) : -1;
  if (!form.CanFocus(c)) {
    diag_ << Located(script_.file, a.line, ActionText(a) + " skipped: " + Unreachable(c)) << '\n';
    return;
  }
  Control* had = form.ActiveControl();
  if (!Perform(form, c, a, tab, entry)) {
    diag_ << Located(script_.file, a.line,
                     ActionText(a) + " skipped: the focus stayed in " +
                         (had ? had->FullName() : std::string("no control")) +
                         " (its value was refused)")
          << '\n';
  }
}

bool ScriptRunner::Perform(Form& form, Control& c, const ScriptAction& a, int tab, int entry) {
  switch (a.verb) {
    case Verb::Click:
      return form.UserClick(c, tab);
    case Verb::Select:
      return form.UserSelect(static_cast<ComboBox&>(c), entry);
    case Verb::Check:
      return form.UserCheck(static_cast<CheckBox&>(c), a.value);
    case Verb::Text:
      return form.UserReplaceText(static_cast<TextBox&>(c), a.text);
    case Verb::Focus:
      return form.UserFocus(c);
    case Verb::Keys: {
      if (!form.UserFocus(c)) return false;
      for (size_t k = 0; k < a.keys.size() && form.IsShown(); ++k) {
        Control* target = form.ActiveControl();
        if (!target) break;
        if (!form.UserKey(*target, a.keys[k])) {
          diag_ << Located(script_.file, a.line,
                           ActionText(a) + ": key " + std::to_string(a.keys[k]) +
                               " had no effect: the focus stayed in " +
                               (form.ActiveControl() ? form.ActiveControl()->FullName() : "none"))
                << '\n';
        }
      }
      return true;
    }
    case Verb::Dump:
    case Verb::Close:
      break;
  }
  return false;
}

void ScriptRunner::Finish() const {
  if (AllPlayed()) return;
  throw ScriptError(
      script_.file, script_.actions[next_].line,
      "the form was already closed; this action and the ones after it were not played");
}

int PlayScript(const Script& script, std::ostream& out, std::ostream& diag,
               const std::function<void(Ui&)>& showDialog, std::vector<Message>* shown) {
  JsonLinesMessageService service(out);
  ScriptRunner runner(script, out, diag);
  Ui ui(&runner, &service);
  struct Keep {
    std::vector<Message>* into;
    const JsonLinesMessageService& from;
    ~Keep() {
      if (into) into->insert(into->end(), from.Shown().begin(), from.Shown().end());
    }
  } keep{shown, service};
  showDialog(ui);
  if (runner.FormsShown() > 0) runner.Finish();
  return runner.FormsShown();
}

}  // namespace cavix::forms
