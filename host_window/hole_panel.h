// The Hole panel: what the selected hole is (class, standard, size, drilled diameter, length,
// thread, recess, end, position, axis) with the units of every length, and what the design
// check found about it.
#pragma once

#include <QWidget>
#include <vector>

#include "hole_objects/hole_facts.h"
#include "host_window/model_actions.h"

class QLabel;

namespace cavix::hostwindow {

class HolePanel : public QWidget {
 public:
  explicit HolePanel(QWidget* parent = nullptr);

  // Shows the hole of `facts`, one of `selected` holes, with the findings about it; positions in
  // `unit`, hole sizes in millimetres (the add-in's unit).
  void ShowHole(const holes::HoleFacts& facts, int selected, const std::vector<Finding>& findings,
                LengthUnit unit);
  // No hole selected (`selected` other shapes may be).
  void ShowNone(int selected);
  // Every caption and value as the panel shows them, one "Caption: value" a line.
  QString Text() const;

 private:
  QLabel* heading_ = nullptr;
  std::vector<QLabel*> values_;
  QLabel* findings_ = nullptr;
};

}  // namespace cavix::hostwindow
