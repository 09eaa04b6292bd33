// The service factory in force and the default members of components.
#include "host/services.h"

#include "runtime/error.h"

namespace cavix::host {

namespace {
IServiceFactory* g_factory = nullptr;
}

IServiceFactory& Services() {
  if (!g_factory) rt::Raise(429, "ActiveX component can't create object");
  return *g_factory;
}

void SetServiceFactory(IServiceFactory* factory) { g_factory = factory; }

// A component supports only the members of its kind; the others fail as a late-bound call would.
IProfile& IComponent::Profile() { rt::Raise(rt::err::kNoSuchMember); }
void IComponent::SetStartPoint(const Variant&, const Variant&) { rt::Raise(rt::err::kNoSuchMember); }
void IComponent::AddLineTo(const Variant&, const Variant&) { rt::Raise(rt::err::kNoSuchMember); }
ISurfaceFinish& IComponent::SurfaceFinish(double&, double&, double&, int16_t, int16_t, int16_t) {
  rt::Raise(rt::err::kNoSuchMember);
}
IShapes& IComponent::Shapes() { rt::Raise(rt::err::kNoSuchMember); }

}  // namespace cavix::host
