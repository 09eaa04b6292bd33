// The hole builders: each computes its cross-section (profile.h) and writes it into the host
// shape: size variables, one new profile chain, the thread texture, the rebuild flag.
#pragma once

#include "geometry/profile.h"
#include "host/host_model.h"

namespace cavix::geo {

// Builds the hole `p` describes into `shape`. Sizes are computed first, so a floating-point
// fault (numbered error 6 or 11) leaves the shape untouched; a host error ends the build at the
// step that failed, with the steps before it done.
void CreateHole(host::IShape& shape, const HoleParams& p);

// The eight builders: D diameter, L bore length, A drill-point angle, T allowance, LT thread
// length, P pitch, Dc/Ds recess diameter, Lc counterbore depth, As/Ac recess cone angle (mm and
// included degrees). Each replaces the shape's profile completely.
void CreateHoleSimple(host::IShape& shape, double D, double L, double A, double T);
void CreateHoleSimpleThread(host::IShape& shape, double D, double L, double A, double LT, double P);
void CreateHoleCBore(host::IShape& shape, double D, double L, double A, double T, double Dc,
                     double Lc);
void CreateHoleCBoreThread(host::IShape& shape, double D, double L, double A, double LT, double P,
                           double Dc, double Lc);
void CreateHoleCSink(host::IShape& shape, double D, double L, double A, double T, double Ds,
                     double As);
void CreateHoleCSinkThread(host::IShape& shape, double D, double L, double A, double LT, double P,
                           double Ds, double As);
void CreateHoleCDrill(host::IShape& shape, double D, double L, double A, double T, double Dc,
                      double Lc, double Ac);
void CreateHoleCDrillThread(host::IShape& shape, double D, double L, double A, double LT, double P,
                            double Dc, double Lc, double Ac);

// Size variables of a shape: 1-3 the extents (doubles), 4-6 the short 1, 7 the long 1.
void SetShapeSize(host::IShape& shape, double x, double y, double z);
// Size variables 1-3 of a profile (doubles).
void SetProfileSize(host::IProfile& profile, double x, double y, double z);

// Replaces every chain of the shape's revolved profile with one chain through `points`
// (the first point is the start point), after setting the shape and profile sizes from
// `maxDiameter`.
void WriteProfile(host::IShape& shape, const Profile& points, double maxDiameter);

}  // namespace cavix::geo
