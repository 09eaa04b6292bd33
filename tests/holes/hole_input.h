// A hole's parameters in one value, and a hole object filled from them, for the hole tests.
#pragma once

#include <memory>

#include "hole_objects/hole.h"

namespace holetest {

namespace holes = cavix::holes;

// Fields in order: type, thread, through, D, L, LT, P, A, T, Dr, Lc, Ar.
struct HoleInput {
  int16_t type = 1;
  bool thread = false, through = false;
  double D = 10, L = 20, LT = 0, P = 0, A = 0, T = 0;
  double Dr = 0, Lc = 0, Ar = 0;
};

inline std::unique_ptr<holes::HoleObject> Make(const HoleInput& s) {
  auto h = holes::MakeHole(s.type);
  h->SetDiametro(s.D);
  h->SetLunghezza(s.L);
  h->SetLungFiletto(s.LT);
  h->SetpassoFiletto(s.P);
  h->SetangPunta(s.A);
  h->SetHToll(s.T);
  h->SetisThread(s.thread);
  h->SetisThrough(s.through);
  h->SetRecess(s.Dr, s.Lc, s.Ar);
  h->SetNormativa("ISO 262");
  h->SetCodice(s.thread ? "M10" : "10");
  h->SetFileData("Simple.tab");
  h->SetStandardsTab(1);
  return h;
}

}  // namespace holetest
