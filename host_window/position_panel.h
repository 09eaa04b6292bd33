// The Position panel: where the selected hole is on its face, measured from two edges of the
// face the user picks (by default its left and lower edges) or in model coordinates, and where
// it goes: a position typed there moves the hole, one that is off the face is refused with the
// reason.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "host_window/face_frame.h"
#include "host_window/model_actions.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace cavix::hostwindow {

class PositionPanel : public QWidget {
 public:
  explicit PositionPanel(QWidget* parent = nullptr);

  // Shows the hole at `at` (mm) on `face` (nullopt: on no flat face of the part, and only model
  // coordinates apply); `count` holes move with it. Lengths are shown in `unit`. The edges picked
  // to measure from stay picked while the face is the same.
  void ShowHole(const std::optional<FaceFrame>& face, const gp_Pnt& at, int count, LengthUnit unit);
  // Nothing to place: the fields are cleared and off.
  void ShowNone(const QString& why);
  // Says why the position typed was not taken.
  void Refuse(const QString& why);

  // The user typed a position that lies on the face: the hole goes to `to` (mm, exact to 1e-9).
  std::function<void(const gp_Pnt& to)> moved;

  // What a user works with, for tests and the window.
  QLineEdit& Field(int i) { return *fields_[i]; }
  QComboBox& XFrom() { return *xFrom_; }
  QComboBox& YFrom() { return *yFrom_; }
  QRadioButton& ModelCoordinates() { return *model_; }
  QString Problem() const;

 private:
  void Fill();
  void Typed();
  bool OnFace() const;

  std::optional<FaceFrame> face_;
  gp_Pnt at_;
  LengthUnit unit_;
  bool filling_ = false;
  QLabel* what_ = nullptr;
  QRadioButton *onFace_ = nullptr, *model_ = nullptr;
  QComboBox *xFrom_ = nullptr, *yFrom_ = nullptr;
  QLabel* names_[3] = {};
  QLineEdit* fields_[3] = {};
  QLabel* units_[3] = {};
  QLabel* problem_ = nullptr;
};

}  // namespace cavix::hostwindow
