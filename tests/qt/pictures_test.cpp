// The hole-type pictures: one distinct picture per type and state, and what a reader of the
// section sees in it — a void through the plate or material under a blind hole, a recess, a
// threaded bore narrower than a plain one with its thread line in the material.
#include "forms/qt/pictures.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <cstdlib>
#include <set>
#include <string>

#include "forms/qt/hole_pictures.h"

namespace cavix::testing {
namespace {

using qtview::HoleSectionTransform;
using qtview::HoleTypePicture;

const QSize kSize(140, 128);
const char* const kTypes[] = {"plain", "cbore", "csink", "cdrill"};
const char* const kStates[] = {"point", "point-thread",   "through",
                               "flat",  "through-thread", "flat-thread"};

// True when the pixels within `radius` of the point (mm in the section plane) are all white.
bool WhiteAround(const QImage& img, double xmm, double ymm, int radius = 1) {
  const QPointF c = HoleSectionTransform(img.size()).map(QPointF(xmm, ymm));
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx) {
      const QColor px = img.pixelColor(int(c.x()) + dx, int(c.y()) + dy);
      if (px.lightness() < 200) return false;
    }
  return true;
}

// True when some pixel along the horizontal run between two x values (mm) at depth y is dark:
// hatching crosses any run longer than its spacing.
bool HatchedAlong(const QImage& img, double x0, double x1, double ymm) {
  const QTransform t = HoleSectionTransform(img.size());
  const QPointF a = t.map(QPointF(x0, ymm)), b = t.map(QPointF(x1, ymm));
  for (int x = int(std::min(a.x(), b.x())); x <= int(std::max(a.x(), b.x())); ++x)
    if (img.pixelColor(x, int(a.y())).lightness() < 160) return true;
  return false;
}

TEST(HoleTypePictures, EveryTypeAndStateHasItsOwnPictureShowingWhatTheHoleIs) {
  const double T = qtview::kPicturePlateThickness;
  std::set<QByteArray> seen;
  for (const char* type : kTypes) {
    const bool recess = std::string(type) != "plain";
    for (const char* state : kStates) {
      const std::string key = std::string(type) + "." + state;
      SCOPED_TRACE(key);
      const QImage img = qtview::LoadPicture("holetype:" + key, kSize);
      ASSERT_FALSE(img.isNull());
      // CAVIX_PICTURES_DIR=DIR keeps the pictures, for looking at them.
      if (const char* dir = std::getenv("CAVIX_PICTURES_DIR"))
        img.save(QString::fromStdString(std::string(dir) + "/" + key + ".png"));
      EXPECT_EQ(img.size(), kSize);
      const QByteArray bytes(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes());
      EXPECT_TRUE(seen.insert(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1)).second)
          << "looks like another picture";

      const bool through = key.find("through") != std::string::npos;
      const bool threaded = key.find("thread") != std::string::npos;
      const QImage section = HoleTypePicture(key, kSize);
      // Inside the bore, off the axis line: a void at mid depth; at the plate's bottom a void
      // only when the hole goes through (a blind hole leaves material there).
      EXPECT_TRUE(WhiteAround(section, 2.5, -10));
      EXPECT_EQ(WhiteAround(section, 2.5, -(T - 1)), through);
      EXPECT_TRUE(HatchedAlong(section, -14, -11, -12)) << "no material beside the hole";
      // Just below the top face between the bore (at most 5.25 mm) and the recess (9 or 10 mm).
      EXPECT_EQ(WhiteAround(section, 7.2, -1), recess);
      EXPECT_EQ(WhiteAround(section, -7.2, -1), recess);
      // The threaded bore is drilled at 10 - 1.5 = 8.5 mm, the plain one at 10.5 mm: a run from
      // near the axis out to 4.6 mm crosses the bore's wall only when threaded.
      EXPECT_EQ(HatchedAlong(section, 1.0, 4.6, -10), threaded);
    }
  }
  for (const char* bad : {"holetype:plain", "holetype:round.point", "holetype:plain.sideways",
                          "nosuch:plain.point", "/no/such/file.png"})
    EXPECT_TRUE(qtview::LoadPicture(bad, kSize).isNull()) << bad;
}

}  // namespace
}  // namespace cavix::testing
