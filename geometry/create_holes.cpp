// The hole builders and the writer that puts a profile into the host shape.
#include "geometry/create_holes.h"

#include "geometry/thread_texture.h"
#include "geometry/units.h"
#include "runtime/fp.h"
#include "runtime/variant.h"

namespace cavix::geo {

namespace {

using rt::Variant;

// Coordinates fixed at 0 go to the host as the integer 0, the others as doubles.
Variant Coordinate(double v, bool fixedZero) {
  return fixedZero ? Variant(int16_t{0}) : Variant(v);
}

host::IComponent& First(host::IComponentHolder& holder, int32_t type) {
  return holder.Components(type).Item(1);
}

}  // namespace

void SetShapeSize(host::IShape& shape, double x, double y, double z) {
  host::IComponent& size = First(shape, host::comp::kShapeSize);
  size.SetValue(1, x);
  size.SetValue(2, y);
  size.SetValue(3, z);
  size.SetValue(4, int16_t{1});
  size.SetValue(5, int16_t{1});
  size.SetValue(6, int16_t{1});
  size.SetValue(7, int32_t{1});
}

void SetProfileSize(host::IProfile& profile, double x, double y, double z) {
  host::IComponent& size = First(profile, host::comp::kProfileSize);
  size.SetValue(1, x);
  size.SetValue(2, y);
  size.SetValue(3, z);
}

void WriteProfile(host::IShape& shape, const Profile& points, double maxDiameter) {
  SetShapeSize(shape, maxDiameter, maxDiameter, 0.0);
  host::IProfile& profile = First(shape, host::comp::kRevolve).Profile();

  // The profile is never edited in place: every old chain goes, one new chain comes.
  host::IComponents& chains = profile.Components(host::comp::kChain);
  const int32_t old = chains.Count();
  for (int32_t i = 0; i < old; ++i) chains.Remove(chains.Item(1));

  const double radius = maxDiameter / 2;
  SetProfileSize(profile, radius, radius, 0.0);
  host::IComponent& chain = chains.Add();
  if (points.empty()) return;
  chain.SetStartPoint(Coordinate(points[0].x, points[0].onAxis),
                      Coordinate(points[0].y, points[0].onTop));
  for (size_t i = 1; i < points.size(); ++i)
    chain.AddLineTo(Coordinate(points[i].x, points[i].onAxis),
                    Coordinate(points[i].y, points[i].onTop));
}

void CreateHole(host::IShape& shape, const HoleParams& p) {
  const ProfileSizes sizes = ComputeSizes(p);
  const Profile points = BuildProfile(p, sizes);

  WriteProfile(shape, points, sizes.maxDiameter);

  if (p.threaded) {
    host::IPage& page = shape.Page();
    double x = sizes.boreRadius / 2;
    double middle = sizes.threadMiddle;
    x = PageToModel(page, x);
    double y = x;
    double z = PageToModel(page, middle);
    double diameter = rt::Checked(2 * sizes.boreRadius);
    ApplyThreadTexture(shape, x, y, z, diameter, p.pitch);
  }

  First(shape, host::comp::kRebuildFlags).SetValue(62, int32_t{1});
  shape.ResetSizeBox();
}

}  // namespace cavix::geo
