// The hole table of a model, as drawing hole tables give it: one row per hole shape, read from the
// parameters the hole stored on its shape; as aligned text or as CSV.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace cavix::actions {

// One hole shape as a hole table lists it. Values a shape does not store are left out, and so
// are the sizes of a hole whose stored values make no hole (`problem` says why).
struct HoleRow {
  int32_t id = 0;
  std::string name;
  std::string progId;     // of the bound class, "" when unbound or unknown
  std::string className;  // as stored with the parameters
  std::string standard, size;
  std::optional<double> diameter;       // nominal
  std::optional<double> drillDiameter;  // what the drill makes: D + allowance, or D - pitch
  std::optional<double> length, threadLength, pitch;
  bool threaded = false, through = false;
  std::optional<double> pointAngle;  // 0 or less is a flat bottom
  std::string recess;                // "", "counterbore", "countersink", "counterdrill"
  std::optional<double> recessDiameter, recessDepth, recessAngle;
  scene::Vec3 position, axis;
  std::string problem;  // "" for a hole; else why its stored values make none
};

// Every shape of the model with hole parameters, in model order.
std::vector<HoleRow> HoleTable(scene::Scene& model);
// RFC 4180: a header line, CR LF line ends, fields with commas or quotes quoted; control
// characters in texts are escaped as rt::Printable escapes them.
void WriteHoleCsv(const std::vector<HoleRow>& rows, std::ostream& os);
// An aligned text table with a header and a rule, one row per kind of hole with its count (holes
// alike in everything but name and position share a row); the positions of the holes of a row
// with more than one follow the table.
void WriteHoleTable(const std::vector<HoleRow>& rows, std::ostream& os);
// The text table with a closing line that counts the holes and says the units, and a line for
// each hole whose stored values make no hole.
void WriteHoleList(const std::vector<HoleRow>& rows, std::ostream& os);

}  // namespace cavix::actions
