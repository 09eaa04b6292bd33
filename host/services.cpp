// The default members of components.
#include "host/services.h"

#include "runtime/error.h"

namespace cavix::host {

// A component supports only the members of its kind; the others fail as a late-bound call would.
IProfile& IComponent::Profile() { rt::Raise(rt::err::kNoSuchMember); }
void IComponent::SetStartPoint(const Variant&, const Variant&) { rt::Raise(rt::err::kNoSuchMember); }
void IComponent::AddLineTo(const Variant&, const Variant&) { rt::Raise(rt::err::kNoSuchMember); }
ISurfaceFinish& IComponent::SurfaceFinish(double&, double&, double&, int16_t, int16_t, int16_t) {
  rt::Raise(rt::err::kNoSuchMember);
}
IShapes& IComponent::Shapes() { rt::Raise(rt::err::kNoSuchMember); }

}  // namespace cavix::host
