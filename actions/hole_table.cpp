// The hole table: rows from the facts of the holes, and their text and CSV forms.
#include "actions/hole_table.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "runtime/printable.h"

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

// A hole as the table shows it: the values its facts give, each left out where the record does not
// hold it (or the hole has no such value).
struct Row {
  explicit Row(const holes::HoleFacts& f);
  std::string cls;  // the bound class, else the class the record names
  std::optional<double> diameter, drillDiameter, length, threadLength, pitch, pointAngle;
  std::string recess;  // "", "counterbore", "countersink", "counterdrill"
  std::optional<double> recessDiameter, recessDepth, recessAngle;
};

Row::Row(const holes::HoleFacts& f)
    : cls(f.boundClass.empty() ? f.stored.className : f.boundClass) {
  if (!f.read) return;
  const holes::HoleSpec& h = f.spec;
  if (f.IsHole()) {
    diameter = Finite(h.diameter);
    drillDiameter = Finite(h.DrilledDiameter());
  }
  // The bore below the recess: a regenerated through hole's follows the part, a blind tapped
  // hole's was drilled on past its thread.
  length = Finite(h.boreLength);
  if (h.threaded) {
    threadLength = Finite(h.threadLength);
    pitch = Finite(h.pitch);
  }
  pointAngle = Finite(f.stored.pointAngle);
  if (f.kind && f.kind->HasRecess()) {
    recess = std::string(f.kind->recessWord);
    if (f.kind->Has(holes::kRecessDiameter)) recessDiameter = Finite(h.recessDiameter);
    if (f.kind->Has(holes::kRecessDepth)) recessDepth = Finite(h.recessDepth);
    if (f.kind->Has(holes::kRecessAngle)) recessAngle = Finite(h.recessAngle);
  }
}

std::string Triple(const std::array<double, 3>& v) {
  return Short(v[0]) + ", " + Short(v[1]) + ", " + Short(v[2]);
}

}  // namespace

void WriteHoleCsv(const std::vector<holes::HoleFacts>& list, std::ostream& os) {
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
  for (const holes::HoleFacts& f : list) {
    const Row r(f);
    const bool through = f.read && f.spec.through;
    line({std::to_string(f.id),
          OneLine(f.name),
          OneLine(r.cls),
          OneLine(f.stored.standard),
          OneLine(f.stored.sizeCode),
          Opt(r.diameter, true),
          Opt(r.drillDiameter, true),
          Opt(r.length, true),
          f.read && f.spec.threaded ? "yes" : "no",
          Opt(r.threadLength, true),
          Opt(r.pitch, true),
          r.recess,
          Opt(r.recessDiameter, true),
          Opt(r.recessDepth, true),
          Opt(r.recessAngle, true),
          through ? "yes" : "no",
          through ? std::string() : Opt(r.pointAngle, true),
          Num(f.position[0]),
          Num(f.position[1]),
          Num(f.position[2]),
          Num(f.axis[0]),
          Num(f.axis[1]),
          Num(f.axis[2]),
          OneLine(f.problem.empty() && f.breaksOut ? "it breaks out of the part" : f.problem)});
  }
}

namespace {

std::string Label(const holes::HoleFacts& f) {
  return "#" + std::to_string(f.id) + " " + OneLine(f.name);
}

// The cells that say what a hole is (not which one, nor where): holes with equal cells are alike.
std::vector<std::string> WhatCells(const holes::HoleFacts& f) {
  const Row r(f);
  std::string cls = r.cls;
  if (cls.rfind("Cavix.", 0) == 0) cls.erase(0, 6);
  std::string thread = "-";
  if (f.read && f.spec.threaded)
    thread = Opt(r.threadLength, false) + " \u00d7 P" + Opt(r.pitch, false);
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
  if (!f.IsHole()) {
    end = "not a hole";
  } else if (!f.spec.through) {
    const double a = r.pointAngle.value_or(0);
    end = a > 0 ? "blind " + Short(a) + "\u00b0" : "blind flat";
    if (f.breaksOut) end += ", breaks out";
  }
  return {OneLine(cls),           OneLine(f.stored.standard),
          OneLine(f.stored.sizeCode), Opt(r.diameter, false),
          Opt(r.drillDiameter, false), Opt(r.length, false),
          thread,                 recess,
          end,                    Triple(f.axis)};
}

}  // namespace

void WriteHoleTable(const std::vector<holes::HoleFacts>& list, std::ostream& os) {
  // Holes alike share a row, in the order their first one stands in the model; a hole that is
  // not one stays on its own.
  struct Kind {
    std::vector<std::string> what;
    std::vector<const holes::HoleFacts*> holes;
  };
  std::vector<Kind> kinds;
  std::map<std::vector<std::string>, size_t> index;
  for (const holes::HoleFacts& f : list) {
    std::vector<std::string> what = WhatCells(f);
    if (!f.IsHole()) {
      kinds.push_back({std::move(what), {&f}});
      continue;
    }
    const auto [it, added] = index.try_emplace(what, kinds.size());
    if (added) kinds.push_back({std::move(what), {}});
    kinds[it->second].holes.push_back(&f);
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
    for (const holes::HoleFacts* f : k.holes)
      os << "  #" << f->id << "  " << Triple(f->position) << "\n";
  }
}

void WriteHoleList(const std::vector<holes::HoleFacts>& list, std::ostream& os) {
  WriteHoleTable(list, os);
  os << list.size() << (list.size() == 1 ? " hole" : " holes")
     << "; lengths in mm, the bore's length below any recess, \u2300 the nominal and Drill \u2300 "
        "the drilled diameter\n";
  for (const holes::HoleFacts& f : list)
    if (!f.IsHole()) os << Label(f) << " is not a hole: " << OneLine(f.problem) << "\n";
}

}  // namespace cavix::actions
