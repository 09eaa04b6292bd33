// Section drawings of holes as an SVG sheet: each hole's full section from its profile, hatched
// material, centre line, cosmetic thread and an ISO 129-1 style callout. Plain data in, text out.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "export/export.h"

namespace cavix::exporter {

// Thread data as a drawing view receives it from the hole (mm). The thread is drawn as a thin line
// at the major diameter from OffsetDistance below the top face over ThreadLength.
struct ThreadDrawing {
  bool threaded = false;
  double OuterDiameter = 0;  // major diameter
  double InnerDiameter = 0;  // minor (drilled) diameter
  double ThreadLength = 0;
  double OffsetDistance = 0;  // depth at which the thread starts
};

// The numbers a callout states (mm, degrees). A value of 0 leaves its item out.
struct HoleCallout {
  double diameter = 0;  // the drilled bore
  double depth = 0;     // bore depth, ignored when `through`
  bool through = false;
  bool breaksOut = false;  // blind, but its point goes through the part: the callout says so
  double cboreDiameter = 0;  // counterbore (also the counterdrill's recess)
  double cboreDepth = 0;
  double csinkDiameter = 0;  // countersink (or the counterdrill's cone, at cboreDiameter)
  double csinkAngle = 0;
  std::string threadDesignation;  // such as "M10x1.5"; empty when not threaded
  double threadDepth = 0;         // 0 with a designation: the thread runs through
  std::string size;               // the nominal size and its standard, "8, ISO 273 medium"
  int count = 1;                  // how many holes of the part are made like this one
};

// One section of the sheet: a hole, or every hole made alike (callout.count of them). Chains use
// the profile convention of the solid export: x from the axis,
// y the depth (0 at the top face, negative downwards).
struct HoleDrawing {
  std::string name;  // the first hole's; the label adds how many more are like it
  std::vector<std::vector<std::array<double, 2>>> chains;
  ThreadDrawing thread;
  HoleCallout callout;
  double partThickness = 0;  // material drawn around the hole; 0 picks a depth from the profile
};

struct SheetInfo {
  std::string title = "Hole sections";
  std::string model;  // shown in the title block, e.g. the model file name
};

// The callout of one hole as the lines a drawing prints, in reading order, such as
// {"4× M10x1.5 ↧ 15", "⌀8.5 ↧ 18", "size M10, ISO 262 coarse"} or {"⌀6.6 THRU", "⌴ ⌀11 ↧ 6.4"}:
// the count when more than one, the thread, the drilled bore, the recess, the nominal size.
// Numbers show up to two decimals.
std::vector<std::string> CalloutLines(const HoleCallout& callout);

// The standard drawing scale of a sheet of these sections (1:1, 2:1, 5:1, 1:2, ...): large enough
// that the smallest bore is drawn at least kLegibleBore wide, else the largest at which every
// section fits a standard cell. Cells grow to hold a section the legible scale makes larger.
double SheetScale(const std::vector<HoleDrawing>& holes);
inline constexpr double kLegibleBore = 4;  // mm on paper

// The whole sheet as SVG text (UTF-8), sized in millimetres. One group with class "hole" per
// section, in input order; the title block gives the scale and how many holes the sections show. Bad numbers (NaN, infinity, negative radii) in a hole raise ExportError, since a
// drawing of them would mislead.
std::string RenderSectionSheet(const std::vector<HoleDrawing>& holes, const SheetInfo& sheet);

// Renders the sheet and writes it atomically (temporary file beside `path`, then rename); throws
// ExportError naming the file when it cannot be written, leaving any old file as it was.
void WriteSectionSheet(const std::vector<HoleDrawing>& holes, const SheetInfo& sheet,
                       const std::string& path);

}  // namespace cavix::exporter
