// A hole as it is specified: the kind and the size it was chosen by, the values its outline is
// built from, and whether it goes through. The dialog's OK gives one, a hole shape is created and
// regenerated from one, and the record on the shape (hole_record.h) stores one.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/profile.h"
#include "hole_objects/hole_kinds.h"
#include "hole_objects/hole_record.h"

namespace cavix::holes {

// The builder's values (mm, included degrees) are the base: `boreLength` is the bore below the
// recess down to the start of the drill point, `threadLength` measured the same way. `recess`
// is always the kind's, and only the recess values the kind has are set.
struct HoleSpec : geo::HoleParams {
  const HoleKind* kind = &kHoleKinds[0];
  // The bore reaches the far face of the part; its lengths are the ones ThroughAt gives.
  bool through = false;
  std::string standard;      // as the dialog lists it ("ISO 262 coarse")
  std::string sizeCode;      // as the dialog lists it ("M10", " 8")
  std::string tableFile;     // the standards table the size is in
  int16_t standardsTab = 0;  // the standards family the dialog showed

  // The diameter the drill makes: D + allowance, or D - pitch for a tapped hole.
  double DrilledDiameter() const;
  // The depth below the face at which the thread starts: the bottom of the recess. Raises 6 or 11
  // when the recess's cone faults.
  double ThreadStart() const;
};

// A plain hole spec of `kind`, its recess set to the kind's.
HoleSpec SpecOfKind(const HoleKind& kind);

// `spec` as a through hole where the part is `throughDepth` thick along its axis: the bore runs
// from the bottom of the recess to the far face, a thread all the way, and it ends flat. The one
// rule for the lengths of a through hole. A recess deeper than the part leaves a negative bore,
// which CheckHole refuses. Raises 6 or 11 when the recess's cone faults.
HoleSpec ThroughAt(HoleSpec spec, double throughDepth);

// The same, refusing a recess deeper than the part: 5 naming the shape `shapeName`.
HoleSpec ThroughHoleAt(const HoleSpec& spec, double throughDepth, const std::string& shapeName);

// "" when `spec` makes a hole, else what is wrong with it in words (CheckHole's problem, or sizes
// that cannot be computed). Every command that shows, cuts, draws or rebuilds a hole asks this, so
// that they agree on what is none.
std::string ProblemOf(const HoleSpec& spec);

// What a hole's shape stores of `spec` (slots a kind does not have stay 0).
HoleRecord RecordOf(const HoleSpec& spec);

// The hole a stored record of `kind` describes: its bore, thread, point and recess as they stand
// in the record. A through hole's bore and thread both run the stored length (regeneration keeps
// that one current) and end flat.
HoleSpec SpecOf(const HoleRecord& r, const HoleKind& kind);

}  // namespace cavix::holes
