// The hole table: rows from the stored records, and their text and CSV forms.
#include "actions/hole_table.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>
#include <map>
#include <string>
#include <vector>

#include "hole_objects/hole_record.h"
#include "runtime/error.h"
#include "runtime/printable.h"
#include "runtime/variant.h"

namespace cavix::actions {

namespace {

// A number as a shop reads it from the CSV: twelve significant digits, so that a length stored
// as 36.44499999999999 reads 36.445.
std::string Num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.12g", v);
  return std::string(buf) == "-0" ? "0" : buf;
}

std::optional<double> Finite(double d) {
  return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
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

// A cell of the text table on one line and harmless on a terminal: a name may hold a line break
// or an escape sequence.
std::string OneLine(std::string_view s) { return rt::Printable(s); }

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char ch : s) q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return q + "\"";
}

}  // namespace

std::vector<HoleRow> HoleTable(scene::Scene& model) {
  std::vector<HoleRow> rows;
  for (scene::Shape* s : model.AllShapes()) {
    const scene::Component* data = s->Store().First(host::comp::kHoleData);
    if (!data) continue;
    HoleRow r;
    r.id = s->Id();
    r.name = s->Name();
    const host::ClassInfo* info =
        s->BindingTag().empty() ? nullptr : model.FindClassByTag(s->BindingTag());
    r.progId = info ? info->progId : std::string();
    const holes::HoleKind* kind = holes::StoredHoleKind(r.progId, *data);
    r.position = s->Position();
    r.axis = s->Normal();
    holes::HoleRecord h;
    const holes::HoleKind& k = kind ? *kind : holes::kHoleKinds[0];
    try {
      h = holes::DecodeHoleRecord(*data, k);
    } catch (const rt::Error& e) {
      r.problem = e.Description();
      rows.push_back(std::move(r));  // listed, with what cannot be read left out
      continue;
    }
    r.className = h.className;
    r.standard = h.standard;
    r.size = h.sizeCode;
    r.problem = holes::ProblemOf(h, k);
    r.threaded = h.Threaded();
    if (r.problem.empty()) {
      r.diameter = Finite(h.diameter);
      r.drillDiameter = Finite(holes::DrilledDiameter(h));
    }
    r.through = h.Through();
    r.pointAngle = Finite(h.pointAngle);
    if (r.threaded) {
      r.threadLength = Finite(h.length);
      r.pitch = Finite(h.pitchOrAllowance);
      // A regenerated through hole keeps its new length in the thread slot: the thread runs the
      // whole bore. A blind one was drilled on past its thread.
      r.length = r.through ? r.threadLength : Finite(h.drilledLength);
    } else {
      r.length = Finite(h.length);
    }
    if (kind && kind->HasRecess()) {
      r.recess = std::string(kind->recessWord);
      if (kind->Has(holes::kRecessDiameter)) r.recessDiameter = Finite(h.recessDiameter);
      if (kind->Has(holes::kRecessDepth)) r.recessDepth = Finite(h.counterboreDepth);
      if (kind->Has(holes::kRecessAngle)) r.recessAngle = Finite(h.countersinkAngle);
    }
    rows.push_back(std::move(r));
  }
  return rows;
}

void WriteHoleCsv(const std::vector<HoleRow>& rows, std::ostream& os) {
  // clang-format off
  const char* header[] = {"id", "name", "class", "standard", "size", "diameter", "drill_diameter",
                          "length", "threaded", "thread_length", "pitch", "recess",
                          "recess_diameter", "recess_depth", "recess_angle", "through",
                          "point_angle", "x", "y", "z", "nx", "ny", "nz", "problem"};
  // clang-format on
  auto line = [&os](const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) os << (i ? "," : "") << CsvField(fields[i]);
    os << "\r\n";
  };
  line(std::vector<std::string>(std::begin(header), std::end(header)));
  // Texts come from files anyone may edit: escaped as on the terminal, so that a spreadsheet or a
  // terminal showing the file runs none of their control characters.
  for (const HoleRow& r : rows) {
    line({std::to_string(r.id),
          OneLine(r.name),
          OneLine(r.progId.empty() ? r.className : r.progId),
          OneLine(r.standard),
          OneLine(r.size),
          Opt(r.diameter, true),
          Opt(r.drillDiameter, true),
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
          Num(r.axis.z),
          OneLine(r.problem)});
  }
}

namespace {

std::string Triple(const scene::Vec3& v) {
  return Short(v.x) + ", " + Short(v.y) + ", " + Short(v.z);
}

std::string Label(const HoleRow& r) { return "#" + std::to_string(r.id) + " " + OneLine(r.name); }

// The cells that say what a hole is (not which one, nor where): holes with equal cells are alike.
std::vector<std::string> WhatCells(const HoleRow& r) {
  std::string cls = r.progId.empty() ? r.className : r.progId;
  if (cls.rfind("Cavix.", 0) == 0) cls.erase(0, 6);
  std::string thread = "-";
  if (r.threaded) thread = Opt(r.threadLength, false) + " \u00d7 P" + Opt(r.pitch, false);
  std::string recess = "-";
  if (r.recess == "counterbore")
    recess = "\u2334 \u2300" + Opt(r.recessDiameter, false) + " \u21a7" + Opt(r.recessDepth, false);
  else if (r.recess == "countersink")
    recess = "\u2335 \u2300" + Opt(r.recessDiameter, false) + " \u00d7 " +
             Opt(r.recessAngle, false) + "\u00b0";
  else if (r.recess == "counterdrill")
    recess = "\u2334 \u2300" + Opt(r.recessDiameter, false) + " \u21a7" +
             Opt(r.recessDepth, false) + " \u00d7 " + Opt(r.recessAngle, false) + "\u00b0";
  std::string end = "THRU";
  if (!r.problem.empty()) {
    end = "not a hole";
  } else if (!r.through) {
    const double a = r.pointAngle.value_or(0);
    end = a > 0 ? "blind " + Short(a) + "\u00b0" : "blind flat";
  }
  return {OneLine(cls),           OneLine(r.standard),
          OneLine(r.size),        Opt(r.diameter, false),
          Opt(r.drillDiameter, false), Opt(r.length, false),
          thread,                 recess,
          end,                    Triple(r.axis)};
}

}  // namespace

void WriteHoleTable(const std::vector<HoleRow>& rows, std::ostream& os) {
  // Holes alike share a row, in the order their first one stands in the model; a hole that is
  // not one stays on its own.
  struct Kind {
    std::vector<std::string> what;
    std::vector<const HoleRow*> holes;
  };
  std::vector<Kind> kinds;
  std::map<std::vector<std::string>, size_t> index;
  for (const HoleRow& r : rows) {
    std::vector<std::string> what = WhatCells(r);
    if (!r.problem.empty()) {
      kinds.push_back({std::move(what), {&r}});
      continue;
    }
    const auto [it, added] = index.try_emplace(what, kinds.size());
    if (added) kinds.push_back({std::move(what), {}});
    kinds[it->second].holes.push_back(&r);
  }

  std::vector<std::vector<std::string>> cells;
  cells.push_back({"Hole", "Qty", "Class", "Standard", "Size", "\u2300", "Drill \u2300", "Length",
                   "Thread", "Recess", "End", "Axis", "Position"});
  for (const Kind& k : kinds) {
    std::vector<std::string> row{Label(*k.holes.front()), std::to_string(k.holes.size()) + "\u00d7"};
    row.insert(row.end(), k.what.begin(), k.what.end());
    row.push_back(k.holes.size() == 1 ? Triple(k.holes.front()->position)
                                      : std::to_string(k.holes.size()) + " places, below");
    cells.push_back(std::move(row));
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

  for (const Kind& k : kinds) {
    if (k.holes.size() < 2) continue;
    os << "\n" << k.holes.size() << "\u00d7 " << Label(*k.holes.front()) << ":\n";
    for (const HoleRow* r : k.holes) os << "  #" << r->id << "  " << Triple(r->position) << "\n";
  }
}

void WriteHoleList(const std::vector<HoleRow>& rows, std::ostream& os) {
  WriteHoleTable(rows, os);
  os << rows.size() << (rows.size() == 1 ? " hole" : " holes")
     << "; lengths in mm, the bore's length below any recess, \u2300 the nominal and Drill \u2300 "
        "the drilled diameter\n";
  for (const HoleRow& r : rows)
    if (!r.problem.empty()) os << Label(r) << " is not a hole: " << OneLine(r.problem) << "\n";
}

}  // namespace cavix::actions
