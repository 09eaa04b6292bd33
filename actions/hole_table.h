// The hole table of a model, as drawing hole tables give it: one row per hole shape, read from the
// parameters the hole stored on its shape; as aligned text or as CSV.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace cavix::actions {

// One hole shape as a hole table lists it. Values a shape does not store are left out.
struct HoleRow {
  int32_t id = 0;
  std::string name;
  std::string progId;     // of the bound class, "" when unbound or unknown
  std::string className;  // as stored with the parameters
  std::string standard, size;
  std::optional<double> diameter, length, threadLength, pitch;
  bool threaded = false, through = false;
  std::optional<double> pointAngle;  // 0 is a flat bottom
  std::string recess;                // "", "counterbore", "countersink", "counterdrill"
  std::optional<double> recessDiameter, recessDepth, recessAngle;
  scene::Vec3 position, axis;
};

// Every shape of the model with hole parameters, in model order.
std::vector<HoleRow> HoleTable(scene::Scene& model);
// RFC 4180: a header line, CR LF line ends, fields with commas, quotes or line breaks quoted.
void WriteHoleCsv(const std::vector<HoleRow>& rows, std::ostream& os);
// An aligned text table with a header and a rule.
void WriteHoleTable(const std::vector<HoleRow>& rows, std::ostream& os);
// The text table with a closing line that counts the holes and says the units.
void WriteHoleList(const std::vector<HoleRow>& rows, std::ostream& os);

}  // namespace cavix::actions
