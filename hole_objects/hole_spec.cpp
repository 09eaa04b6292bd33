// Hole specifications: the through-hole rule and the way to and from the stored record.
#include "hole_objects/hole_spec.h"

#include "runtime/error.h"
#include "runtime/fp.h"

namespace cavix::holes {

double HoleSpec::DrilledDiameter() const {
  return threaded ? diameter - pitch : diameter + allowance;
}

double HoleSpec::ThreadStart() const { return geo::RecessBottom(*this, geo::ComputeSizes(*this)); }

HoleSpec SpecOfKind(const HoleKind& kind) {
  HoleSpec spec;
  spec.kind = &kind;
  spec.recess = kind.recess;
  return spec;
}

HoleSpec ThroughAt(HoleSpec spec, double throughDepth) {
  spec.through = true;
  spec.pointAngle = 0;
  // Less the recess the builder draws above the bore, so that the bore ends at the far face.
  spec.boreLength = rt::Checked(throughDepth - spec.ThreadStart());
  if (spec.threaded) spec.threadLength = spec.boreLength;
  return spec;
}

HoleSpec ThroughHoleAt(const HoleSpec& spec, double throughDepth, const std::string& shapeName) {
  HoleSpec through = ThroughAt(spec, throughDepth);
  // No profile can show a bore of negative length: refuse it before the shape is touched.
  if (through.boreLength < 0)
    rt::Raise(rt::err::kInvalidCall,
              "The recess of through hole \"" + shapeName + "\" is deeper than the part is thick");
  return through;
}

HoleRecord RecordOf(const HoleSpec& spec) {
  HoleRecord r;
  r.holeType = spec.kind->type;
  r.standardsTab = spec.standardsTab;
  r.threadFlag = spec.threaded ? 1 : 0;
  r.throughFlag = spec.through ? 1 : 0;
  r.pointAngle = spec.pointAngle;
  r.drilledLength = spec.boreLength;
  r.diameter = spec.diameter;
  r.threadOrBoreLength = spec.threaded ? spec.threadLength : spec.boreLength;
  r.pitchOrAllowance = spec.threaded ? spec.pitch : spec.allowance;
  r.recessDiameter = spec.recessDiameter;
  r.counterboreDepth = spec.recessDepth;
  r.countersinkAngle = spec.recessAngle;
  r.className = std::string(spec.kind->className);
  r.standard = spec.standard;
  r.sizeCode = spec.sizeCode;
  r.tableFile = spec.tableFile;
  return r;
}

std::string ProblemOf(const HoleSpec& spec) {
  try {
    return geo::CheckHole(spec).problem;
  } catch (const rt::Error&) {
    return "its sizes cannot be computed (a number out of range)";
  }
}

HoleSpec SpecOf(const HoleRecord& r, const HoleKind& kind) {
  HoleSpec spec = SpecOfKind(kind);
  spec.threaded = r.Threaded();
  spec.through = r.Through();
  spec.diameter = r.diameter;
  if (spec.threaded) {
    spec.threadLength = r.threadOrBoreLength;
    spec.boreLength = spec.through ? r.threadOrBoreLength : r.drilledLength;
    spec.pitch = r.pitchOrAllowance;
  } else {
    spec.boreLength = r.threadOrBoreLength;
    spec.allowance = r.pitchOrAllowance;
  }
  spec.pointAngle = spec.through ? 0 : r.pointAngle;
  if (kind.Has(kRecessDiameter)) spec.recessDiameter = r.recessDiameter;
  if (kind.Has(kRecessDepth)) spec.recessDepth = r.counterboreDepth;
  if (kind.Has(kRecessAngle)) spec.recessAngle = r.countersinkAngle;
  spec.standard = r.standard;
  spec.sizeCode = r.sizeCode;
  spec.tableFile = r.tableFile;
  spec.standardsTab = r.standardsTab;
  return spec;
}

}  // namespace cavix::holes
