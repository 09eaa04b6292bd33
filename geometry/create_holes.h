// The hole builders: each computes its cross-section (profile.h) and writes it into the host
// shape: size variables, one new profile chain, the thread texture, the rebuild flag.
#pragma once

#include "geometry/profile.h"
#include "host/host_model.h"

namespace cavix::geo {

// Builds the hole `p` describes into `shape`, replacing its profile completely: the eight kinds
// of hole (four recesses, threaded or not) are the values of `p`. Sizes are computed first, so a
// floating-point fault (numbered error 6 or 11) leaves the shape untouched; a host error ends the
// build at the step that failed, with the steps before it done.
void CreateHole(host::IShape& shape, const HoleParams& p);

// Size variables of a shape: 1-3 the extents (doubles), 4-6 the short 1, 7 the long 1.
void SetShapeSize(host::IShape& shape, double x, double y, double z);
// Size variables 1-3 of a profile (doubles).
void SetProfileSize(host::IProfile& profile, double x, double y, double z);

// Replaces every chain of the shape's revolved profile with one chain through `points`
// (the first point is the start point), after setting the shape and profile sizes from
// `maxDiameter`.
void WriteProfile(host::IShape& shape, const Profile& points, double maxDiameter);

}  // namespace cavix::geo
