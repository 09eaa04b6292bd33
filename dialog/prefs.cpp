// The preferences file of the hole dialog.
#include "dialog/prefs.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "dialog/dialog_form.h"
#include "dialog/interface.h"
#include "dialog/utils.h"
#include "runtime/error.h"
#include "runtime/number_text.h"
#include "runtime/regional.h"
#include "runtime/text_file.h"
#include "runtime/variant.h"
#include "standards/config.h"

namespace cavix::dialog {

namespace {

constexpr const char* kCrLf = "\r\n";

// A number as a line of the file shows it: a blank for the sign of a non-negative number, the
// regional display form, a blank after.
std::string IntegerField(long long v) { return rt::NumberText(v) + " "; }

std::string SingleField(float f) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.7G", static_cast<double>(f));
  std::string s = buf;
  const std::string sep = rt::DecimalSeparator();
  if (const auto dot = s.find('.'); dot != std::string::npos) s.replace(dot, 1, sep);
  if (f >= 0) s.insert(0, " ");
  return s + " ";
}

double RegionalNumber(const std::string& line) {
  double v = 0;
  if (!rt::ParseRegionalNumber(line, v)) rt::Raise(rt::err::kTypeMismatch);
  return v;
}

// The line read as a number shown with the regional default of two decimals.
double DefaultDecimals(const std::string& line) {
  return RegionalNumber(rt::FormatFixed(RegionalNumber(line), 2));
}

int16_t LeadingInteger(const std::string& line) { return rt::CInt(rt::Val(line)); }

void Report(const DialogSession& s, const rt::Error& e, const char* title) {
  s.MsgBox("ERRORE " + rt::NumberText(static_cast<long long>(e.Number())) + " " +
                    e.Description(),
                forms::msg::kCritical, title);
}

void SelectHoleTypeButton(Dialog& d, int type) {
  const int button = type - 1;
  if (button < 0 || button > 3) {
    rt::Raise(340, "Control array element '" + std::to_string(button) + "' doesn't exist");
  }
  d.OptHoleType[static_cast<size_t>(button)]->SetValue(true);
}

}  // namespace

void WritePrefs(const DialogSession& s) {
  try {
    Dialog& d = s.Form();
    // Everything is formatted first: a field that cannot be written leaves the file untouched.
    std::string out;
    auto line = [&out](const std::string& s) { out += s + kCrLf; };
    line(SingleField(d.Left()));  // the two placement lines: the dialog's screen position
    line(SingleField(d.Top()));
    line(IntegerField(s.standardsTab));
    line(IntegerField(s.holeType));
    line(IntegerField(d.ToggleFiletto.Value()));
    line(IntegerField(d.TogglePunta.Value()));
    line(IntegerField(d.Normativa.ListIndex()));
    line(IntegerField(d.Misura.ListIndex()));
    line(PrecisionText(s, d.Lunghezza.Text()));
    line(PrecisionText(s, d.AngoloPunta.Text()));
    line(PrecisionText(s, d.DiamIncasso.Text()));
    line(PrecisionText(s, d.ProfIncasso.Text()));
    line(PrecisionText(s, d.AngSvaso.Text()));
    line(IntegerField(d.TogglePassante.Value()));
    config::WritePreferences(s.paths, out);
  } catch (const rt::Error& e) {
    if (FirstTelling(s.memory, e)) Report(s, e, "Write Prefs");
  }
}

bool ReadPrefs(DialogSession& s) {
  if (!rt::FileExists(s.paths.prefsToRead)) return false;
  bool holeTypeRestored = false;
  try {
    Dialog& d = s.Form();
    rt::TextReader in(s.paths.prefsToRead);
    // One line at a time: a bad second line leaves the first one restored.
    d.SetPosition(rt::CSng(rt::Variant(DefaultDecimals(in.LineInput()))), d.Top());
    d.SetPosition(d.Left(), rt::CSng(rt::Variant(DefaultDecimals(in.LineInput()))));

    s.standardsTab = rt::CInt(DefaultDecimals(in.LineInput()));
    d.SelectTabQuietly(s.standardsTab);

    s.holeType = LeadingInteger(in.LineInput());
    SelectHoleTypeButton(d, s.holeType);
    holeTypeRestored = true;
    StandardsTabChanged(s, s.standardsTab);

    // Each assignment runs its reaction, in file order: thread state, bottom, standard, size.
    d.ToggleFiletto.SetValue(LeadingInteger(in.LineInput()));
    d.TogglePunta.SetValue(LeadingInteger(in.LineInput()));
    d.Normativa.SetListIndex(LeadingInteger(in.LineInput()));
    d.Misura.SetListIndex(LeadingInteger(in.LineInput()));
    d.Lunghezza.SetText(PrecisionText(s, in.LineInput()));
    d.AngoloPunta.SetText(PrecisionText(s, in.LineInput()));
    d.DiamIncasso.SetText(PrecisionText(s, in.LineInput()));
    d.ProfIncasso.SetText(PrecisionText(s, in.LineInput()));
    d.AngSvaso.SetText(PrecisionText(s, in.LineInput()));
    d.TogglePassante.SetValue(LeadingInteger(in.LineInput()));
    in.Close();
  } catch (const rt::Error& e) {
    Report(s, e, "Read Prefs");
  }
  return holeTypeRestored;
}

}  // namespace cavix::dialog
