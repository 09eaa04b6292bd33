// The Pattern panel: one hole, a grid or a bolt circle per drop.
#include "host_window/pattern_panel.h"

#include <QButtonGroup>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QRadioButton>
#include <QSpinBox>

#include "actions/placement.h"

namespace cavix::hostwindow {

PatternPanel::PatternPanel(QWidget* parent) : QWidget(parent) {
  auto* form = new QFormLayout(this);
  single_ = new QRadioButton(tr("One hole"));
  grid_ = new QRadioButton(tr("Grid"));
  circle_ = new QRadioButton(tr("Circle"));
  auto* kind = new QButtonGroup(this);
  for (QRadioButton* b : {single_, grid_, circle_}) kind->addButton(b);
  single_->setChecked(true);
  form->addRow(single_);
  form->addRow(grid_);
  const char* countNames[] = {"NX", "NY", "N"};
  const char* countTips[] = {"Holes along the face's first axis", "Rows along its second axis",
                             "Holes round the circle"};
  for (int i = 0; i < 3; ++i) {
    counts_[i] = new QSpinBox;
    counts_[i]->setRange(1, 1000);
    counts_[i]->setValue(i == 2 ? 6 : i == 0 ? 4 : 3);
    counts_[i]->setToolTip(tr(countTips[i]));
    counts_[i]->setObjectName(QString("pattern%1").arg(countNames[i]));
  }
  const char* sizeNames[] = {"DX", "DY", "R", "A"};
  const char* sizeTips[] = {"Distance between the holes of a row", "Distance between the rows",
                            "Radius of the circle",
                            "Angle of the first hole from the face's first axis"};
  for (int i = 0; i < 4; ++i) {
    sizes_[i] = new QDoubleSpinBox;
    sizes_[i]->setDecimals(3);
    sizes_[i]->setRange(i == 3 ? -360 : 0.001, i == 3 ? 360 : 100000);
    sizes_[i]->setValue(i == 3 ? 0 : i == 2 ? 20 : 15);
    sizes_[i]->setToolTip(tr(sizeTips[i]));
    sizes_[i]->setObjectName(QString("pattern%1").arg(sizeNames[i]));
  }
  sizes_[3]->setSuffix(QString::fromUtf8(" \u00b0"));
  form->addRow(tr("NX"), counts_[0]);
  form->addRow(tr("NY"), counts_[1]);
  form->addRow(tr("DX"), sizes_[0]);
  form->addRow(tr("DY"), sizes_[1]);
  form->addRow(circle_);
  form->addRow(tr("N"), counts_[2]);
  form->addRow(tr("R"), sizes_[2]);
  form->addRow(tr("Start"), sizes_[3]);
  connect(kind, &QButtonGroup::buttonToggled, this, [this] { Enable(); });
  SetUnit({});
  Enable();
}

void PatternPanel::SetUnit(LengthUnit unit) {
  unit_ = unit;
  for (int i = 0; i < 3; ++i) sizes_[i]->setSuffix(QString(" ") + unit.name);
}

void PatternPanel::Enable() {
  for (int i = 0; i < 2; ++i) {
    counts_[i]->setEnabled(grid_->isChecked());
    sizes_[i]->setEnabled(grid_->isChecked());
  }
  counts_[2]->setEnabled(circle_->isChecked());
  for (int i = 2; i < 4; ++i) sizes_[i]->setEnabled(circle_->isChecked());
}

std::vector<actions::Placement> PatternPanel::Around(const scene::Vec3& centre,
                                                     const scene::Vec3& axis) const {
  const actions::Placement at{centre, axis};
  const double mm = unit_.mm;
  if (grid_->isChecked())
    return actions::GridPattern(at, counts_[0]->value(), counts_[1]->value(),
                                sizes_[0]->value() * mm, sizes_[1]->value() * mm);
  if (circle_->isChecked())
    return actions::CirclePattern(at, counts_[2]->value(), sizes_[2]->value() * mm,
                                  sizes_[3]->value());
  return {at};
}

}  // namespace cavix::hostwindow
