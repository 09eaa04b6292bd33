// Hole-type pictures: the sample hole of each type and state, its profile from the profile
// builder, and the section drawing of it (hatched plate, visible edges, thread, centre line).
#include "forms/qt/hole_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace cavix::qtview {

namespace {

// type key, recess
struct TypeRow {
  const char* key;
  geo::Recess recess;
};
constexpr TypeRow kTypes[] = {{"plain", geo::Recess::None},
                              {"cbore", geo::Recess::Counterbore},
                              {"csink", geo::Recess::Countersink},
                              {"cdrill", geo::Recess::Counterdrill}};

// clang-format off
// state key           through  flat   threaded
struct StateRow {
  const char* key;
  HoleState state;
};
constexpr StateRow kStates[] = {
    {"point",          {false,  false, false}},
    {"point-thread",   {false,  false, true}},
    {"flat",           {false,  true,  false}},
    {"flat-thread",    {false,  true,  true}},
    {"through",        {true,   false, false}},
    {"through-thread", {true,   false, true}},
};
// clang-format on

// Sample sizes (mm, degrees): a 10 mm hole, blind ones 17 mm deep to the start of the point,
// threads ending 5 mm above the bottom of a blind bore.
constexpr double kDiameter = 10;
constexpr double kAllowance = 0.5;
constexpr double kPitch = 1.5;
constexpr double kPointAngle = 118;
constexpr double kBlindDepth = 17;
constexpr double kThreadRunOut = 5;
constexpr double kCenterLineOvershoot = 1.5;

}  // namespace

std::optional<HolePictureKey> ParseHolePictureKey(std::string_view key) {
  const size_t dot = key.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view type = key.substr(0, dot);
  const std::string_view state = key.substr(dot + 1);
  HolePictureKey out;
  bool typeFound = false, stateFound = false;
  for (const TypeRow& t : kTypes) {
    if (type == t.key) {
      out.recess = t.recess;
      typeFound = true;
    }
  }
  for (const StateRow& s : kStates) {
    if (state == s.key) {
      out.state = s.state;
      stateFound = true;
    }
  }
  if (!typeFound || !stateFound) return std::nullopt;
  return out;
}

geo::HoleParams SampleHole(const HolePictureKey& key) {
  geo::HoleParams p;
  p.recess = key.recess;
  p.threaded = key.state.threaded;
  p.diameter = kDiameter;
  p.allowance = kAllowance;
  p.pitch = kPitch;
  p.pointAngle = (key.state.flat || key.state.through) ? 0 : kPointAngle;
  switch (key.recess) {
    case geo::Recess::None:
      break;
    case geo::Recess::Counterbore:
      p.recessDiameter = 18;
      p.recessDepth = 6;
      break;
    case geo::Recess::Countersink:
      p.recessDiameter = 20;
      p.recessAngle = 90;
      break;
    case geo::Recess::Counterdrill:
      p.recessDiameter = 18;
      p.recessDepth = 4;
      p.recessAngle = 90;
      break;
  }
  const double base = geo::RecessBottom(p, geo::ComputeSizes(p));
  p.boreLength = (key.state.through ? kPicturePlateThickness : kBlindDepth) - base;
  p.threadLength = key.state.through ? p.boreLength : p.boreLength - kThreadRunOut;
  return p;
}

QTransform HoleSectionTransform(QSize size) {
  // The whole drawing (plate and centre line) centred, with a small margin.
  const double margin = std::max(2.0, size.height() / 24.0);
  const double spanX = 2 * kPicturePlateHalfWidth;
  const double spanY = kPicturePlateThickness + 2 * kCenterLineOvershoot;
  const double scale =
      std::min((size.width() - 2 * margin) / spanX, (size.height() - 2 * margin) / spanY);
  QTransform toPx;
  toPx.translate(size.width() / 2.0,
                 (size.height() - spanY * scale) / 2.0 + kCenterLineOvershoot * scale);
  toPx.scale(scale, -scale);
  return toPx;
}

QImage DrawHoleSection(const HolePictureKey& key, QSize size) {
  QImage img(size, QImage::Format_ARGB32_Premultiplied);
  if (img.isNull()) return img;
  img.fill(Qt::white);

  const geo::HoleParams p = SampleHole(key);
  const geo::ProfileSizes sizes = geo::ComputeSizes(p);
  const geo::Profile profile = geo::BuildProfile(p, sizes);
  const double base = geo::RecessBottom(p, sizes);
  const double T = kPicturePlateThickness;
  const double W = kPicturePlateHalfWidth;

  // The right-hand wall of the hole: the profile without its two axis ends.
  std::vector<QPointF> wall;
  for (size_t i = 1; i + 2 < profile.size(); ++i) wall.emplace_back(profile[i].x, profile[i].y);
  const std::vector<QPointF> edges = wall;  // vertices whose circles show as lines across
  double bottomY = profile[profile.size() - 2].y;
  if (key.state.through) {
    // Run the void past the plate so that no sliver of the bottom face stays.
    wall.emplace_back(wall.back().x(), -(T + 1));
    bottomY = -(T + 1);
  }
  QPolygonF hole;
  for (const QPointF& q : wall) hole << q;
  hole << QPointF(0, bottomY);
  for (auto it = wall.rbegin(); it != wall.rend(); ++it) hole << QPointF(-it->x(), it->y());

  QPainterPath plate;
  plate.addRect(QRectF(QPointF(-W, -T), QPointF(W, 0)));
  QPainterPath holePath;
  holePath.addPolygon(hole);
  holePath.closeSubpath();
  const QPainterPath material = plate.subtracted(holePath);

  const QTransform toPx = HoleSectionTransform(size);

  const double thick = std::max(1.2, size.height() / 44.0);
  const double thin = thick * 0.5;
  QPainter g(&img);
  g.setRenderHint(QPainter::Antialiasing);

  // Hatching: thin lines at 45 degrees over the cut material.
  const QPainterPath materialPx = toPx.map(material);
  {
    g.save();
    g.setClipPath(materialPx);
    g.setPen(QPen(QColor(70, 70, 70), thin));
    const double step = std::max(3.0, size.height() / 14.0);
    const QRectF r = materialPx.boundingRect();
    for (double x = r.left() - r.height(); x < r.right(); x += step)
      g.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height(), r.top()));
    g.restore();
  }

  // Visible edges: the cut outline, and the circles of the hole seen edge-on across the void.
  const QPen thickPen(Qt::black, thick, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
  g.setPen(thickPen);
  g.setBrush(Qt::NoBrush);
  g.drawPath(materialPx);
  for (const QPointF& e : edges) {
    if (e.y() < 0 && e.y() > -T) g.drawLine(toPx.map(QPointF(-e.x(), e.y())), toPx.map(e));
  }

  // Thread: major diameter as thin lines in the material, a thick line where a blind thread ends.
  if (p.threaded) {
    const double top = -base, end = -(base + p.threadLength);
    const double rMajor = p.diameter / 2;
    g.save();
    g.setClipPath(materialPx.united(toPx.map(holePath)));
    g.setPen(QPen(Qt::black, thin));
    for (double side : {-1.0, 1.0})
      g.drawLine(toPx.map(QPointF(side * rMajor, top)), toPx.map(QPointF(side * rMajor, end)));
    if (!key.state.through) {
      g.setPen(thickPen);
      g.drawLine(toPx.map(QPointF(-rMajor, end)), toPx.map(QPointF(rMajor, end)));
    }
    g.restore();
  }

  // The axis: a thin chain line past both faces.
  QPen axis(QColor(0, 0, 0), thin);
  const double u = std::max(1.0, size.height() / 60.0) / thin;  // pattern in pen widths
  axis.setDashPattern({8 * u, 2.5 * u, 1.5 * u, 2.5 * u});
  axis.setCapStyle(Qt::FlatCap);
  g.setPen(axis);
  g.drawLine(toPx.map(QPointF(0, kCenterLineOvershoot)),
             toPx.map(QPointF(0, -(T + kCenterLineOvershoot))));
  return img;
}

QImage HoleTypePicture(std::string_view key, QSize size) {
  const auto k = ParseHolePictureKey(key);
  if (!k) return {};
  return DrawHoleSection(*k, size);
}

}  // namespace cavix::qtview
