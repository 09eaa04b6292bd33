// Shared set-up of the hole tests: a recording host with a part and a hole shape, the dialog
// state a drop leaves behind, and a quick way to fill a hole object.
#pragma once

#include <gtest/gtest.h>

#include "dialog/globals.h"
#include "hole_objects/hole.h"
#include "support/fake_host.h"

namespace holetest {

namespace holes = cavix::holes;
using cavix::rt::Variant;

struct Spec {
  int16_t type = 1;
  bool thread = false, through = false;
  double D = 10, L = 20, LT = 0, P = 0, A = 0, T = 0;
  double Dr = 0, Lc = 0, Ar = 0;
};

inline std::unique_ptr<holes::HoleObject> Make(const Spec& s) {
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
  return h;
}

class HoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cavix::ResetGlobals();
    cavix::Globals().CurrentPage = &w.page;
    cavix::Globals().StandardsTab = 1;
  }
  void TearDown() override { cavix::ResetGlobals(); }

  // Creates the hole on the world's hole shape as the dialog's apply path does.
  std::unique_ptr<holes::HoleObject> Create(const Spec& s) {
    cavix::Globals().HoleType = s.type;
    auto h = Make(s);
    h->Create(w.hole);
    return h;
  }
  double Deepest() {
    double d = 0;
    for (auto& [x, y] : w.hole.Chain()) d = std::min(d, cavix::rt::CDbl(y));
    return d;
  }
  Variant Slot(int16_t group, int16_t slot) { return w.hole.HoleData().Value(group, slot); }

  fake::World w;
};

}  // namespace holetest
