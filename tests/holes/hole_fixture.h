// Shared set-up of the hole unit tests: a recording host with a part and a hole shape.
#pragma once

#include <gtest/gtest.h>

#include "hole_input.h"
#include "support/fake_host.h"

namespace holetest {

using cavix::rt::Variant;

class HoleTest : public ::testing::Test {
 protected:
  // Creates the hole on the world's hole shape as the dialog's apply path does.
  std::unique_ptr<holes::HoleObject> Create(const HoleInput& s) {
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
