// The units service: converts lengths between the host's unit codes.
#include "runtime/error.h"
#include "runtime/fp.h"
#include "scene/services.h"

namespace cavix::scene {

double MillimetresPerUnit(int32_t code) {
  switch (code) {
    case 1:   // model lengths
    case 2:   // model lengths as the add-in hands them to the host
    case 7:   // page lengths
    case 11:  // drawing lengths
      return 1.0;
    case 4:  // inch
      return rt::kMmPerInch;
    default:
      rt::Raise(rt::err::kInvalidCall, "unknown unit code " + std::to_string(code), "Units");
  }
}

namespace {

class UnitsService final : public host::IUnitsService {
 public:
  double Convert(host::IPage*, double& value, int32_t& from, int32_t& to) override {
    double f = MillimetresPerUnit(from), t = MillimetresPerUnit(to);
    if (f == t) return value;  // no rounding when the units agree
    return rt::Checked(value * f / t);
  }
};

}  // namespace

std::unique_ptr<host::IUnitsService> MakeUnitsService() { return std::make_unique<UnitsService>(); }

}  // namespace cavix::scene
