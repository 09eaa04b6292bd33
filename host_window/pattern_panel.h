// The Pattern panel: what one drop of the catalog item places, centred on the point dropped on,
// as `cavix drop --grid` and `--circle` place it: one hole, a grid of NX x NY holes DX and DY
// apart, or N holes round a circle of radius R from a start angle. One dialog makes them all.
#pragma once

#include <QWidget>
#include <vector>

#include "actions/holes.h"
#include "host_window/model_actions.h"

class QDoubleSpinBox;
class QRadioButton;
class QSpinBox;

namespace cavix::hostwindow {

class PatternPanel : public QWidget {
 public:
  explicit PatternPanel(QWidget* parent = nullptr);

  // Distances are typed in `unit` (the page's).
  void SetUnit(LengthUnit unit);
  // Where the holes of a drop at `centre` (mm) along `axis` go (mm). Raises as
  // actions::GridPattern and actions::CirclePattern do.
  std::vector<actions::Placement> Around(const scene::Vec3& centre, const scene::Vec3& axis) const;

  // What a user works with, for tests.
  QRadioButton& Single() { return *single_; }
  QRadioButton& Grid() { return *grid_; }
  QRadioButton& Circle() { return *circle_; }
  QSpinBox& Count(int i) { return *counts_[i]; }      // NX, NY, N
  QDoubleSpinBox& Size(int i) { return *sizes_[i]; }  // DX, DY, R, start angle

 private:
  void Enable();
  LengthUnit unit_;
  QRadioButton *single_ = nullptr, *grid_ = nullptr, *circle_ = nullptr;
  QSpinBox* counts_[3] = {};
  QDoubleSpinBox* sizes_[4] = {};
};

}  // namespace cavix::hostwindow
