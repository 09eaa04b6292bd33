// Renders hole section drawings to SVG: one cell per hole with the hatched section, centre line,
// cosmetic thread and callout, on a framed sheet with a title block. Units on the sheet are mm.

#include "export/svg_drawing.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/text_file.h"

namespace cavix::exporter {
namespace {

using Pt = std::array<double, 2>;

// Sheet layout, mm.
constexpr double kMargin = 10;  // sheet edge to frame
constexpr double kHeaderH = 18;  // title band inside the frame
constexpr double kTitleBlockH = 28;
constexpr double kSectionW = 70;  // room for a section at the chosen scale, at least
constexpr double kSectionH = 78;
constexpr double kCalloutW = 60;  // a cell: the section on the left, the callout on the right
constexpr double kCellExtraH = 37;  // above the section and below it, for the label
constexpr double kMostGrowth = 4;   // a cell grows to at most four times the standard section
constexpr double kThick = 0.5;  // ISO 128 line widths
constexpr double kThin = 0.25;
constexpr double kText = 3.5;  // lettering height

// A number that cannot be written as a plain decimal on the sheet: not finite, or so large that
// it means nothing at any drawing scale (and would not fit the formatter's buffer).
struct Unprintable {
  double value;
};

// Every number on the sheet is written here: fixed decimals, no trailing zeros, "." as separator
// whatever the locale; anything else raises Unprintable, never writes what the buffer held.
std::string Fixed(double v, int decimals) {
  if (!std::isfinite(v) || std::fabs(v) >= 1e15) throw Unprintable{v};
  if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0;
  char buf[64];
  const auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (ec != std::errc()) throw Unprintable{v};
  std::string s(buf, end);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

// Numbers people read on the drawing: at most two decimals.
std::string Dim(double v) { return Fixed(v, 2); }

// Coordinates in the SVG: three decimals are plenty at mm scale.
std::string C(double v) { return Fixed(v, 3); }

// The callout's lines (CalloutLines without its conversion of Unprintable).
std::vector<std::string> Callout(const HoleCallout& c);

std::string Shortest(double v) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

// Text for XML: markup characters escaped, control characters and invalid UTF-8 replaced, so
// that any hole name still gives a well-formed file.
std::string Xml(const std::string& in) {
  std::string out;
  size_t i = 0;
  while (i < in.size()) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\'':
          out += "&apos;";
          break;
        default:
          out += (c < 0x20 && c != '\t') ? '?' : static_cast<char>(c);
      }
      ++i;
      continue;
    }
    size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
    if (c >= 0xF5) len = 0;
    bool ok = len > 0 && i + len <= in.size();
    for (size_t k = 1; ok && k < len; ++k)
      ok = (static_cast<unsigned char>(in[i + k]) & 0xC0) == 0x80;
    if (ok && len == 3) {  // no overlongs, no surrogates, no U+FFFE or U+FFFF (not XML)
      const auto c1 = static_cast<unsigned char>(in[i + 1]);
      const auto c2 = static_cast<unsigned char>(in[i + 2]);
      ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0) &&
           !(c == 0xEF && c1 == 0xBF && c2 >= 0xBE);
    }
    if (ok && len == 4) {
      const auto c1 = static_cast<unsigned char>(in[i + 1]);
      ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
    }
    if (ok) {
      out.append(in, i, len);
      i += len;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

// Larger than any part (a thousand kilometres): such a value comes from a damaged model.
constexpr double kLargestValue = 1e9;

void RequireFinite(double v, const std::string& hole, const char* what) {
  if (!std::isfinite(v))
    throw ExportError("drawing of \"" + hole + "\": its " + what + " is not a finite number");
  if (std::fabs(v) > kLargestValue)
    throw ExportError("drawing of \"" + hole + "\": its " + what + " holds " + Shortest(v) +
                      ", too large to draw (no part is that large)");
}

void Validate(const HoleDrawing& h) {
  for (const auto& chain : h.chains)
    for (const auto& p : chain) {
      RequireFinite(p[0], h.name, "profile");
      RequireFinite(p[1], h.name, "profile");
      if (p[0] < -1e-9)
        throw ExportError("drawing of \"" + h.name +
                          "\": a profile point lies on the far side of "
                          "the axis (x = " +
                          Dim(p[0]) + ")");
    }
  const HoleCallout& c = h.callout;
  for (double v : {c.diameter, c.depth, c.cboreDiameter, c.cboreDepth, c.csinkDiameter,
                   c.csinkAngle, c.threadDepth})
    RequireFinite(v, h.name, "callout");
  for (double v : {h.thread.OuterDiameter, h.thread.InnerDiameter, h.thread.ThreadLength,
                   h.thread.OffsetDistance})
    RequireFinite(v, h.name, "thread data");
  RequireFinite(h.partThickness, h.name, "part thickness");
}

// Extents of a hole's profile in model units.
struct Extent {
  double radius = 0;     // largest x
  double topRadius = 0;  // largest x on the top face (the opening)
  double depth = 0;      // deepest point
  double boreDepth = 0;  // deepest point off the axis (where a drill point starts)
};

Extent Measure(const HoleDrawing& h) {
  Extent e;
  for (const auto& chain : h.chains)
    for (const auto& p : chain) {
      e.radius = std::max(e.radius, p[0]);
      e.depth = std::max(e.depth, -p[1]);
      if (std::fabs(p[1]) < 1e-9) e.topRadius = std::max(e.topRadius, p[0]);
      if (p[0] > 1e-9) e.boreDepth = std::max(e.boreDepth, -p[1]);
    }
  return e;
}

double MaterialDepth(const HoleDrawing& h, const Extent& e) {
  if (h.partThickness > 0) return h.partThickness;
  if (h.callout.through) return e.boreDepth > 0 ? e.boreDepth : e.depth;
  return e.depth + std::max(0.3 * e.depth, 2.0);
}

double MaterialHalfWidth(const Extent& e) { return e.radius + std::max(0.5 * e.radius, 2.0); }

// The standard drawing scales, largest first.
constexpr double kScales[] = {50,  20,   10,   5,    2,     1,     0.5,  0.2,
                              0.1, 0.05, 0.02, 0.01, 0.005, 0.002, 0.001};

// What a section needs on paper at scale 1: its width and its height.
std::array<double, 2> SectionNeeds(const HoleDrawing& h) {
  const Extent e = Measure(h);
  return {2 * MaterialHalfWidth(e), std::max(MaterialDepth(h, e), e.depth)};
}

// The room one section takes on the sheet at the sheet's scale.
struct Layout {
  double scale = 1;
  double sectionW = kSectionW, sectionH = kSectionH;
  double CellW() const { return sectionW + kCalloutW; }
  double CellH() const { return sectionH + kCellExtraH; }
};

Layout LayoutFor(const std::vector<HoleDrawing>& holes, double scale) {
  Layout l;
  l.scale = scale;
  for (const auto& h : holes) {
    const auto need = SectionNeeds(h);
    l.sectionW = std::max(l.sectionW, need[0] * scale);
    l.sectionH = std::max(l.sectionH, need[1] * scale);
  }
  return l;
}

std::string ScaleText(double s) { return s >= 1 ? Dim(s) + ":1" : "1:" + Dim(1 / s); }

// The counterbore and countersink signs are missing from many text fonts, so they are drawn as
// lines; the character stays in the text, transparent, for search and copy.
std::string SymbolPath(const std::string& line, double x, double baseline) {
  const bool cbore = line.rfind("\u2334 ", 0) == 0;
  const bool csink = line.rfind("\u2335 ", 0) == 0;
  if (!cbore && !csink) return {};
  const double l = x + 0.3, r = x + 2.9, top = baseline - 2.5, low = baseline - 0.1;
  const std::string d = cbore ? "M" + C(l) + " " + C(top) + "L" + C(l) + " " + C(low) + "L" + C(r) +
                                    " " + C(low) + "L" + C(r) + " " + C(top)
                              : "M" + C(l) + " " + C(top) + "L" + C((l + r) / 2) + " " + C(low) +
                                    "L" + C(r) + " " + C(top);
  return "<path class=\"symbol\" d=\"" + d + "\"/>\n";
}

class Svg {
 public:
  void Raw(const std::string& s) { out_ += s; }
  void Line(double x1, double y1, double x2, double y2, const char* cls) {
    out_ += "<line class=\"" + std::string(cls) + "\" x1=\"" + C(x1) + "\" y1=\"" + C(y1) +
            "\" x2=\"" + C(x2) + "\" y2=\"" + C(y2) + "\"/>\n";
  }
  void Text(double x, double y, const std::string& text, const char* cls) {
    out_ += "<text class=\"" + std::string(cls) + "\" x=\"" + C(x) + "\" y=\"" + C(y) + "\">" +
            Xml(text) + "</text>\n";
  }
  std::string& Str() { return out_; }

 private:
  std::string out_;
};

// The callout's lines at (tx, ty) on the sheet, on a leader whose arrow points at (px, py).
void DrawCallout(Svg& svg, const HoleCallout& c, double tx, double ty, double px, double py) {
  const std::vector<std::string> lines = Callout(c);
  const double lineH = kText * 1.5;
  svg.Raw("<text class=\"callout\" x=\"" + C(tx) + "\" y=\"" + C(ty) + "\">");
  std::string symbols;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string dy = "\" dy=\"" + (i ? C(lineH) : std::string("0")) + "\">";
    const std::string sym = SymbolPath(lines[i], tx, ty + static_cast<double>(i) * lineH);
    if (sym.empty()) {
      svg.Raw("<tspan x=\"" + C(tx) + dy + Xml(lines[i]) + "</tspan>");
      continue;
    }
    const size_t rest = lines[i].find(' ') + 1;  // the sign and its space
    svg.Raw("<tspan fill-opacity=\"0\" x=\"" + C(tx) + dy + Xml(lines[i].substr(0, rest)) +
            "</tspan><tspan x=\"" + C(tx + 4) + "\">" + Xml(lines[i].substr(rest)) + "</tspan>");
    symbols += sym;
  }
  svg.Raw("</text>\n" + symbols);
  const double refY = ty + 1.2;
  const double refLen = 38;
  svg.Line(tx - 1, refY, tx + refLen, refY, "thin");
  svg.Line(px, py, tx - 1, refY, "thin");
  // Arrowhead on the edge, pointing at it along the leader.
  const double dx = tx - 1 - px, dy = refY - py;
  const double len = std::max(std::hypot(dx, dy), 1e-9);
  const double ux = dx / len, uy = dy / len;
  const double al = 3, aw = 0.5;
  svg.Raw("<path class=\"arrow\" d=\"M" + C(px) + " " + C(py) + "L" + C(px + al * ux - aw * uy) +
          " " + C(py + al * uy + aw * ux) + "L" + C(px + al * ux + aw * uy) + " " +
          C(py + al * uy - aw * ux) + "Z\"/>\n");
}

// Draws one hole in the cell whose top-left corner is (x0, y0).
void DrawHole(Svg& svg, const HoleDrawing& h, int index, double x0, double y0, const Layout& l) {
  const double s = l.scale;
  const Extent e = Measure(h);
  const double halfW = MaterialHalfWidth(e);
  const double depthM = MaterialDepth(h, e);
  const double cx = x0 + 8 + l.sectionW / 2;
  const double top = y0 + 26;
  auto X = [&](double x) { return cx + x * s; };
  auto Y = [&](double y) { return top - y * s; };
  const std::string id = std::to_string(index + 1);

  svg.Raw("<g class=\"hole\" id=\"hole-" + id + "\" data-name=\"" + Xml(h.name) + "\">\n");
  svg.Raw("<clipPath id=\"material-" + id + "\"><rect x=\"" + C(X(-halfW)) + "\" y=\"" + C(top) +
          "\" width=\"" + C(2 * halfW * s) + "\" height=\"" + C(depthM * s) + "\"/></clipPath>\n");

  // Material: the block's slice minus the hole, both halves, hatched at 45 degrees.
  const double floor = top + depthM * s;
  std::string d = "M" + C(X(-halfW)) + " " + C(top) + "L" + C(X(halfW)) + " " + C(top) + "L" +
                  C(X(halfW)) + " " + C(floor) + "L" + C(X(-halfW)) + " " + C(floor) + "Z";
  for (const auto& chain : h.chains) {
    if (chain.size() < 3) continue;
    for (int side : {1, -1}) {
      d += "M";
      for (size_t i = 0; i < chain.size(); ++i)
        d += (i ? "L" : "") + C(X(side * chain[i][0])) + " " + C(Y(chain[i][1]));
      d += "Z";
    }
  }
  svg.Raw("<path class=\"material\" clip-path=\"url(#material-" + id + ")\" d=\"" + d + "\"/>\n");

  // Outline of the part's slice: top face thick except over the opening, the rest thin.
  svg.Raw("<g clip-path=\"url(#material-" + id + ")\">\n");
  svg.Line(X(-halfW), top, X(-e.topRadius), top, "visible");
  svg.Line(X(e.topRadius), top, X(halfW), top, "visible");
  svg.Line(X(-halfW), top + depthM * s, X(halfW), top + depthM * s,
           h.partThickness > 0 || h.callout.through ? "visible" : "thin");
  svg.Line(X(-halfW), top, X(-halfW), top + depthM * s, "thin");
  svg.Line(X(halfW), top, X(halfW), top + depthM * s, "thin");

  // The section's outline, both halves, and the circular edges seen behind the cutting plane.
  std::string outline;
  for (const auto& chain : h.chains) {
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
      const Pt& a = chain[i];
      const Pt& b = chain[i + 1];
      const bool onAxis = a[0] < 1e-9 && b[0] < 1e-9;
      const bool onTop = std::fabs(a[1]) < 1e-9 && std::fabs(b[1]) < 1e-9;
      if (onAxis || onTop) continue;
      for (int side : {1, -1})
        outline +=
            "M" + C(X(side * a[0])) + " " + C(Y(a[1])) + "L" + C(X(side * b[0])) + " " + C(Y(b[1]));
    }
    for (size_t i = 1; i + 1 < chain.size(); ++i) {
      const Pt& p = chain[i];
      const Pt& a = chain[i - 1];
      const Pt& b = chain[i + 1];
      const double turn = (p[0] - a[0]) * (b[1] - p[1]) - (p[1] - a[1]) * (b[0] - p[0]);
      if (p[0] > 1e-9 && std::fabs(p[1]) > 1e-9 && std::fabs(turn) > 1e-9)
        outline += "M" + C(X(-p[0])) + " " + C(Y(p[1])) + "L" + C(X(p[0])) + " " + C(Y(p[1]));
    }
  }
  if (!outline.empty()) svg.Raw("<path class=\"section\" d=\"" + outline + "\"/>\n");

  // Cosmetic thread: thin lines at the major diameter, thick thread-end line across.
  const ThreadDrawing& t = h.thread;
  if (t.threaded && t.OuterDiameter > 0 && t.ThreadLength > 0) {
    const double r = t.OuterDiameter / 2;
    const double from = t.OffsetDistance;
    const double to = t.OffsetDistance + t.ThreadLength;
    svg.Raw("<g class=\"thread\">\n");
    svg.Line(X(-r), Y(-from), X(-r), Y(-to), "thin");
    svg.Line(X(r), Y(-from), X(r), Y(-to), "thin");
    if (to < depthM - 1e-6) svg.Line(X(-r), Y(-to), X(r), Y(-to), "visible");
    svg.Raw("</g>\n");
  }
  svg.Raw("</g>\n");

  // Centre line, running a little past the section at both ends.
  const double bottom = top + std::max(depthM, e.depth) * s;
  svg.Line(cx, top - 4, cx, bottom + 4, "axis");

  // Callout on a leader from the edge of the opening.
  DrawCallout(svg, h.callout, x0 + l.sectionW + 20, y0 + 10, X(e.topRadius), top);

  if (h.chains.empty() || e.radius <= 0) svg.Text(cx - 12, top + 10, "(no profile)", "note");
  std::string label = "Section " + id + ": " + h.name;
  if (h.callout.count > 1)
    label += " and " + std::to_string(h.callout.count - 1) + " more made alike";
  svg.Text(x0 + 8, y0 + l.CellH() - 8, label, "label");
  svg.Raw("</g>\n");
}

}  // namespace

namespace {

std::vector<std::string> Callout(const HoleCallout& c) {
  static const std::string kDia = "\u2300";      // ⌀
  static const std::string kDepth = " \u21A7 ";  // ↧
  static const std::string kCbore = "\u2334 ";   // ⌴
  static const std::string kCsink = "\u2335 ";   // ⌵
  auto bore = [&](double dia, double depth) {
    std::string s = kDia + Dim(dia);
    if (c.through)
      s += " THRU";
    else if (depth > 0)
      s += kDepth + Dim(depth);
    return s;
  };
  std::vector<std::string> lines;
  if (!c.threadDesignation.empty()) {
    std::string s = c.threadDesignation;
    // A through bore may be threaded only part of the way: the thread says its own depth.
    if (c.threadDepth <= 0)
      s += " THRU";
    else
      s += kDepth + Dim(c.threadDepth);
    lines.push_back(s);
  }
  if (c.diameter > 0) lines.push_back(bore(c.diameter, c.depth) + (c.breaksOut ? " BREAKS OUT" : ""));
  if (c.cboreDiameter > 0) {
    std::string s = kCbore + kDia + Dim(c.cboreDiameter);
    if (c.cboreDepth > 0) s += kDepth + Dim(c.cboreDepth);
    lines.push_back(s);
  }
  if (c.csinkDiameter > 0 || c.csinkAngle > 0) {
    std::string s = kCsink;
    if (c.csinkDiameter > 0) s += kDia + Dim(c.csinkDiameter);
    if (c.csinkAngle > 0)
      s += (c.csinkDiameter > 0 ? " \u00D7 " : "") + Dim(c.csinkAngle) + "\u00B0";
    lines.push_back(s);
  }
  // The count leads the callout, as a drawing states a pattern of identical holes.
  if (c.count > 1 && !lines.empty()) lines.front() = std::to_string(c.count) + "\u00D7 " + lines.front();
  if (!c.size.empty()) lines.push_back("size " + c.size);
  return lines;
}

}  // namespace

double SheetScale(const std::vector<HoleDrawing>& holes) {
  double needW = 0, needH = 0, smallestBore = 0;
  for (const auto& h : holes) {
    const auto need = SectionNeeds(h);
    needW = std::max(needW, need[0]);
    needH = std::max(needH, need[1]);
    const double bore = h.callout.diameter > 0 ? h.callout.diameter : 2 * Measure(h).radius;
    if (bore > 0 && (smallestBore == 0 || bore < smallestBore)) smallestBore = bore;
  }
  // The largest scale at which every section fits a cell `grow` times the standard one.
  auto fitting = [&](double grow) {
    for (double s : kScales)
      if (needW * s <= grow * kSectionW && needH * s <= grow * kSectionH) return s;
    return kScales[std::size(kScales) - 1];
  };
  // The smallest scale at which the smallest bore is legible; the cells grow to hold the rest,
  // up to a sheet a plotter still takes.
  double legible = kScales[0];
  for (double s : kScales)
    if (smallestBore * s >= kLegibleBore) legible = s;
  const double fit = fitting(1);
  return smallestBore > 0 ? std::max(fit, std::min(legible, fitting(kMostGrowth))) : fit;
}

std::vector<std::string> CalloutLines(const HoleCallout& callout) {
  try {
    return Callout(callout);
  } catch (const Unprintable& u) {
    throw ExportError("a callout cannot show the number " + Shortest(u.value));
  }
}

namespace {

// Runs a step of one hole's drawing; a number it cannot print refuses the sheet, naming the hole.
template <class Step>
void ForHole(const HoleDrawing& h, Step step) {
  try {
    step();
  } catch (const Unprintable& u) {
    throw ExportError("drawing of \"" + h.name + "\": the value " + Shortest(u.value) +
                      " cannot be drawn (no part is that large)");
  }
}

std::string Render(const std::vector<HoleDrawing>& holes, const SheetInfo& sheet) {
  for (const auto& h : holes) ForHole(h, [&] { Validate(h); });
  const int n = static_cast<int>(holes.size());
  const int cols = std::clamp(n, 1, 3);
  const int rows = std::max(1, (n + cols - 1) / cols);
  const double scale = SheetScale(holes);
  const Layout layout = LayoutFor(holes, scale);
  const double width = std::max(420.0, 2 * kMargin + 10 + cols * layout.CellW());
  const double height =
      std::max(297.0, 2 * kMargin + kHeaderH + rows * layout.CellH() + kTitleBlockH + 6);
  int holeCount = 0;
  for (const auto& h : holes) holeCount += std::max(h.callout.count, 1);

  Svg svg;
  svg.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  svg.Raw("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + C(width) +
          "mm\" height=\"" + C(height) + "mm\" viewBox=\"0 0 " + C(width) + " " + C(height) +
          "\">\n");
  svg.Raw("<title>" + Xml(sheet.title) + "</title>\n");
  svg.Raw(
      "<defs>\n"
      "<pattern id=\"hatch\" patternUnits=\"userSpaceOnUse\" width=\"2\" height=\"2\" "
      "patternTransform=\"rotate(45)\"><line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"2\" "
      "stroke=\"#000\" stroke-width=\"0.18\"/></pattern>\n"
      "<style>\n"
      "line,path{fill:none;stroke:#000;stroke-linecap:round}\n"
      ".visible,.section{stroke-width:" +
      C(kThick) +
      "}\n"
      ".thin{stroke-width:" +
      C(kThin) +
      "}\n"
      ".axis{stroke-width:" +
      C(kThin) +
      ";stroke-dasharray:8 1.5 1 1.5}\n"
      ".material{fill:url(#hatch);fill-rule:evenodd;stroke:none}\n"
      ".arrow{fill:#000;stroke:none}\n"
      ".symbol{stroke-width:0.3;stroke-linejoin:miter}\n"
      ".frame{fill:none;stroke:#000;stroke-width:0.7}\n"
      "text{font-family:'DejaVu Sans',Arial,sans-serif;font-size:" +
      C(kText) +
      "px;fill:#000}\n"
      ".title{font-size:7px;font-weight:bold}\n"
      ".label{font-size:3.5px;font-style:italic}\n"
      "</style>\n</defs>\n");
  svg.Raw("<rect width=\"" + C(width) + "\" height=\"" + C(height) + "\" fill=\"#fff\"/>\n");
  svg.Raw("<rect class=\"frame\" x=\"" + C(kMargin) + "\" y=\"" + C(kMargin) + "\" width=\"" +
          C(width - 2 * kMargin) + "\" height=\"" + C(height - 2 * kMargin) + "\"/>\n");
  svg.Text(kMargin + 6, kMargin + 11, sheet.title, "title");

  for (int i = 0; i < n; ++i) {
    const double x0 = kMargin + 5 + (i % cols) * layout.CellW();
    const double y0 = kMargin + kHeaderH + (i / cols) * layout.CellH();
    const HoleDrawing& h = holes[static_cast<size_t>(i)];
    ForHole(h, [&] { DrawHole(svg, h, i, x0, y0, layout); });
  }
  if (n == 0) svg.Text(kMargin + 6, kMargin + kHeaderH + 10, "The part has no holes.", "note");

  // Title block, bottom right.
  const double bw = 180, bx = width - kMargin - bw, by = height - kMargin - kTitleBlockH;
  svg.Raw("<g class=\"titleblock\">\n<rect class=\"frame\" x=\"" + C(bx) + "\" y=\"" + C(by) +
          "\" width=\"" + C(bw) + "\" height=\"" + C(kTitleBlockH) + "\"/>\n");
  svg.Line(bx, by + 10, bx + bw, by + 10, "thin");
  svg.Line(bx + 90, by + 10, bx + 90, by + kTitleBlockH, "thin");
  svg.Text(bx + 3, by + 7, sheet.title, "");
  svg.Text(bx + 3, by + 16, "Model: " + (sheet.model.empty() ? "-" : sheet.model), "");
  svg.Text(bx + 3, by + 23,
           "Holes: " + std::to_string(holeCount) +
               (holeCount != n ? " in " + std::to_string(n) + " sections" : std::string()),
           "");
  svg.Text(bx + 93, by + 16, "Scale " + ScaleText(scale), "");
  svg.Text(bx + 93, by + 23, "Dimensions in mm", "");
  svg.Raw("</g>\n</svg>\n");
  return std::move(svg.Str());
}

}  // namespace

std::string RenderSectionSheet(const std::vector<HoleDrawing>& holes, const SheetInfo& sheet) {
  try {
    return Render(holes, sheet);
  } catch (const Unprintable& u) {  // the sheet's own numbers: only a hole's values make them so
    throw ExportError("the section sheet cannot show the number " + Shortest(u.value));
  }
}

void WriteSectionSheet(const std::vector<HoleDrawing>& holes, const SheetInfo& sheet,
                       const std::string& path) {
  if (path.empty()) throw ExportError("no output file name given");
  const std::string text = RenderSectionSheet(holes, sheet);
  try {
    rt::WriteFileAtomically(path, text);
  } catch (const rt::Error& e) {
    const std::string named = "\"" + path + "\"";
    throw ExportError(e.Description().find(named) != std::string::npos
                          ? e.Description()
                          : "cannot write " + named + ": " + e.Description());
  }
}

}  // namespace cavix::exporter
