// A hole's parameters in one short value, and the hole specification made of them, for the hole
// tests.
#pragma once

#include "hole_objects/hole_spec.h"

namespace holetest {

namespace holes = cavix::holes;

// Fields in order: type, thread, through, D, L, LT, P, A, T, Dr, Lc, Ar. L is the bore of a blind
// hole and the part's thickness for a through one; recess values the kind has not are dropped.
struct HoleInput {
  int16_t type = 1;
  bool thread = false, through = false;
  double D = 10, L = 20, LT = 0, P = 0, A = 0, T = 0;
  double Dr = 0, Lc = 0, Ar = 0;
};

inline holes::HoleSpec Spec(const HoleInput& s) {
  const holes::HoleKind& kind = *holes::FindHoleKind(s.type);
  holes::HoleSpec h = holes::SpecOfKind(kind);
  h.threaded = s.thread;
  h.diameter = s.D;
  h.boreLength = s.L;
  h.pointAngle = s.A;
  (s.thread ? h.pitch : h.allowance) = s.thread ? s.P : s.T;
  h.threadLength = s.thread ? s.LT : 0;
  if (kind.Has(holes::kRecessDiameter)) h.recessDiameter = s.Dr;
  if (kind.Has(holes::kRecessDepth)) h.recessDepth = s.Lc;
  if (kind.Has(holes::kRecessAngle)) h.recessAngle = s.Ar;
  h.standard = "ISO 262";
  h.sizeCode = s.thread ? "M10" : "10";
  h.tableFile = "Simple.tab";
  h.standardsTab = 1;
  return s.through ? holes::ThroughAt(h, s.L) : h;
}

}  // namespace holetest
