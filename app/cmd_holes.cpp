// `cavix holes MODEL [--csv]`: the hole table of a model, as drawing hole tables give it: one row
// per hole shape, read from the parameters the hole stored on its shape.
#include "app/cmd_holes.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "runtime/variant.h"

namespace cavix::app {

namespace {

constexpr int32_t kNumbers = 1;
constexpr int32_t kTexts = 2;

std::optional<double> NumberAt(const scene::Component& c, int16_t slot) {
  const rt::Variant v = c.Value(kNumbers, slot);
  if (v.IsEmpty() || !v.IsNumeric()) return std::nullopt;
  const double d = rt::CDbl(v);
  return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

std::string TextAt(const scene::Component& c, int16_t slot) {
  const rt::Variant v = c.Value(kTexts, slot);
  return v.Type() == rt::VarType::Text ? v.Text() : std::string();
}

// A length or angle as a drawing shows it: at most three decimals, no trailing zeros.
std::string Short(double v) {
  if (!(std::fabs(v) < 1e15)) return Num(v);  // "1e+64": as fixed it would not fit, or mislead
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  std::string s = buf;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string Opt(const std::optional<double>& v, bool exact) {
  if (!v) return {};
  return exact ? Num(*v) : Short(*v);
}

// Characters on screen of a UTF-8 text (the table uses ⌀, ⌴, ⌵, ↧ and °).
size_t Width(const std::string& s) {
  size_t n = 0;
  for (unsigned char ch : s)
    if ((ch & 0xC0) != 0x80) ++n;
  return n;
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char ch : s) q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return q + "\"";
}

}  // namespace

std::vector<HoleRow> HoleRows(const scene::Scene& model) {
  std::vector<HoleRow> rows;
  for (const scene::Shape* s : model.AllShapes()) {
    const scene::Component* data = s->Store().First(host::comp::kHoleData);
    if (!data) continue;
    HoleRow r;
    r.id = s->Id();
    r.name = s->Name();
    const host::ClassInfo* info =
        s->BindingTag().empty() ? nullptr : model.FindClassByTag(s->BindingTag());
    r.progId = info ? info->progId : std::string();
    r.className = TextAt(*data, 1);
    r.standard = TextAt(*data, 13);
    r.size = TextAt(*data, 14);
    r.diameter = NumberAt(*data, 10);
    r.threaded = NumberAt(*data, 6).value_or(0) != 0;
    r.through = NumberAt(*data, 7).value_or(0) == 1;
    r.pointAngle = NumberAt(*data, 8);
    if (r.threaded) {
      r.threadLength = NumberAt(*data, 11);
      r.pitch = NumberAt(*data, 12);
      // A regenerated through hole keeps its new length in the thread slot: the thread runs the
      // whole bore. A blind one was drilled on past its thread.
      r.length = r.through ? r.threadLength : NumberAt(*data, 9);
    } else {
      r.length = NumberAt(*data, 11);
    }
    // Which recess a hole has follows its class: the class name stored with the parameters.
    const std::string cls = r.className.empty() ? r.progId : r.className;
    if (cls.find("CBore") != std::string::npos) {
      r.recess = "counterbore";
      r.recessDiameter = NumberAt(*data, 16);
      r.recessDepth = NumberAt(*data, 17);
    } else if (cls.find("CSink") != std::string::npos) {
      r.recess = "countersink";
      r.recessDiameter = NumberAt(*data, 16);
      r.recessAngle = NumberAt(*data, 18);
    } else if (cls.find("CDrill") != std::string::npos) {
      r.recess = "counterdrill";
      r.recessDiameter = NumberAt(*data, 16);
      r.recessDepth = NumberAt(*data, 17);
      r.recessAngle = NumberAt(*data, 18);
    }
    r.position = s->Position();
    r.axis = s->Normal();
    rows.push_back(std::move(r));
  }
  return rows;
}

void WriteHoleCsv(const std::vector<HoleRow>& rows, std::ostream& os) {
  // clang-format off
  const char* header[] = {"id", "name", "class", "standard", "size", "diameter", "length",
                          "threaded", "thread_length", "pitch", "recess", "recess_diameter",
                          "recess_depth", "recess_angle", "through", "point_angle",
                          "x", "y", "z", "nx", "ny", "nz"};
  // clang-format on
  auto line = [&os](const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) os << (i ? "," : "") << CsvField(fields[i]);
    os << "\r\n";
  };
  line(std::vector<std::string>(std::begin(header), std::end(header)));
  for (const HoleRow& r : rows) {
    line({std::to_string(r.id),
          r.name,
          r.progId.empty() ? r.className : r.progId,
          r.standard,
          r.size,
          Opt(r.diameter, true),
          Opt(r.length, true),
          r.threaded ? "yes" : "no",
          Opt(r.threadLength, true),
          Opt(r.pitch, true),
          r.recess,
          Opt(r.recessDiameter, true),
          Opt(r.recessDepth, true),
          Opt(r.recessAngle, true),
          r.through ? "yes" : "no",
          r.through ? std::string() : Opt(r.pointAngle, true),
          Num(r.position.x),
          Num(r.position.y),
          Num(r.position.z),
          Num(r.axis.x),
          Num(r.axis.y),
          Num(r.axis.z)});
  }
}

void WriteHoleTable(const std::vector<HoleRow>& rows, std::ostream& os) {
  std::vector<std::vector<std::string>> cells;
  cells.push_back({"Hole", "Class", "Standard", "Size", "\u2300", "Length", "Thread", "Recess",
                   "End", "Position", "Axis"});
  // Names and texts come from the file: escaped, so that each row stays one line on the terminal.
  for (const HoleRow& r : rows) {
    std::string cls = r.progId.empty() ? r.className : r.progId;
    if (cls.rfind("Cavix.", 0) == 0) cls.erase(0, 6);
    std::string thread = "-";
    if (r.threaded) thread = Opt(r.threadLength, false) + " \u00d7 P" + Opt(r.pitch, false);
    std::string recess = "-";
    if (r.recess == "counterbore")
      recess =
          "\u2334 \u2300" + Opt(r.recessDiameter, false) + " \u21a7" + Opt(r.recessDepth, false);
    else if (r.recess == "countersink")
      recess = "\u2335 \u2300" + Opt(r.recessDiameter, false) + " \u00d7 " +
               Opt(r.recessAngle, false) + "\u00b0";
    else if (r.recess == "counterdrill")
      recess = "\u2334 \u2300" + Opt(r.recessDiameter, false) + " \u21a7" +
               Opt(r.recessDepth, false) + " \u00d7 " + Opt(r.recessAngle, false) + "\u00b0";
    std::string end = "THRU";
    if (!r.through) {
      const double a = r.pointAngle.value_or(0);
      end = a > 0 ? "blind " + Short(a) + "\u00b0" : "blind flat";
    }
    cells.push_back({"#" + std::to_string(r.id) + " " + Printable(r.name), Printable(cls),
                     Printable(r.standard), Printable(r.size), Opt(r.diameter, false),
                     Opt(r.length, false), thread, recess, end,
                     Short(r.position.x) + ", " + Short(r.position.y) + ", " + Short(r.position.z),
                     Short(r.axis.x) + ", " + Short(r.axis.y) + ", " + Short(r.axis.z)});
  }
  std::vector<size_t> widths(cells.front().size(), 0);
  for (const auto& row : cells)
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
  auto print = [&](const std::vector<std::string>& row) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - Width(row[i]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    os << line << "\n";
  };
  print(cells.front());
  std::vector<std::string> rule;
  for (size_t w : widths) rule.push_back(std::string(w, '-'));
  print(rule);
  for (size_t i = 1; i < cells.size(); ++i) print(cells[i]);
}

int CmdHoles(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto model = OpenModel(inv, path);
  const std::vector<HoleRow> rows = HoleRows(*model);
  if (inv.Has("--csv")) {
    WriteHoleCsv(rows, inv.out);
    return 0;
  }
  if (rows.empty()) {
    inv.out << "no holes in " << path << "\n";
    return 0;
  }
  WriteHoleTable(rows, inv.out);
  inv.out << rows.size() << (rows.size() == 1 ? " hole" : " holes")
          << "; lengths in mm, the bore's length below any recess\n";
  return 0;
}

}  // namespace cavix::app
