// The pictures of the hole-type buttons: each is the section of one hole type in one state, built
// by the same profile builder that shapes the holes and drawn as a technical drawing shows a hole
// in section (hatched material, centre line, thread as a thin line).
#pragma once

#include <QImage>
#include <QSize>
#include <QTransform>
#include <optional>
#include <string_view>

#include "geometry/profile.h"

namespace cavix::qtview {

struct HoleState {
  bool through = false;
  bool flat = false;  // flat bottom (a through hole has no bottom at all)
  bool threaded = false;
};

struct HolePictureKey {
  geo::Recess recess = geo::Recess::None;
  HoleState state;
};

// "<type>.<state>": type plain, cbore, csink or cdrill; state point, point-thread, flat,
// flat-thread, through or through-thread. Nothing for any other text.
std::optional<HolePictureKey> ParseHolePictureKey(std::string_view key);

// The hole a picture shows: a 10 mm hole in a 26 mm plate with the recess of its type.
geo::HoleParams SampleHole(const HolePictureKey& key);

// Thickness and half width (mm) of the plate the pictures cut the sample holes in.
inline constexpr double kPicturePlateThickness = 26;
inline constexpr double kPicturePlateHalfWidth = 15;

// Where the section drawings put a point of the section plane (mm, y up, 0 on the top face of the
// plate, the axis at x = 0) in a picture of `size` pixels.
QTransform HoleSectionTransform(QSize size);

// The section of `key` drawn at `size` device pixels on white.
QImage DrawHoleSection(const HolePictureKey& key, QSize size);

// DrawHoleSection for a key in text form; a null image when the key is unknown.
QImage HoleTypePicture(std::string_view key, QSize size);

}  // namespace cavix::qtview
