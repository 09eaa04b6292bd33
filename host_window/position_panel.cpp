// The Position panel: the selected hole's place on its face, and typed places for it.
#include "host_window/position_panel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <cmath>

#include "host_window/window_text.h"
#include "runtime/regional.h"

namespace cavix::hostwindow {

namespace {

const char* const kAxis[] = {"x", "y", "z"};

double Coord(const gp_Pnt& p, int k) { return k == 0 ? p.X() : k == 1 ? p.Y() : p.Z(); }

// A line to measure from, as people name it: "x = 0 mm" for an edge along which one model
// coordinate (not the face's own) stays the same.
QString LineName(const FaceLine& line, const FaceFrame& face, const LengthUnit& unit) {
  const double inward[] = {face.Inward().X(), face.Inward().Y(), face.Inward().Z()};
  QString name;
  for (int k = 0; k < 3 && name.isEmpty(); ++k)
    if (std::fabs(inward[k]) < 0.5 && std::fabs(Coord(line.a, k) - Coord(line.b, k)) < 1e-9)
      name = QString("%1 = %2 %3")
                 .arg(kAxis[k], Length(Coord(line.a, k) / unit.mm), QString(unit.name));
  if (name.isEmpty()) {
    auto point = [&](const gp_Pnt& p) {
      return QString("(%1, %2, %3)")
          .arg(Length(p.X() / unit.mm), Length(p.Y() / unit.mm), Length(p.Z() / unit.mm));
    };
    name = QString("edge %1 to %2").arg(point(line.a), point(line.b));
  }
  return line.edge ? name : name + " (the face's extent)";
}

}  // namespace

PositionPanel::PositionPanel(QWidget* parent) : QWidget(parent) {
  auto* grid = new QGridLayout(this);
  what_ = new QLabel;
  what_->setWordWrap(true);
  grid->addWidget(what_, 0, 0, 1, 3);
  onFace_ = new QRadioButton(tr("On the face"));
  model_ = new QRadioButton(tr("Model"));
  onFace_->setToolTip(tr("X and Y measured from two edges of the face"));
  model_->setToolTip(tr("X, Y and Z in the part's own frame"));
  auto* mode = new QButtonGroup(this);
  mode->addButton(onFace_);
  mode->addButton(model_);
  onFace_->setChecked(true);
  grid->addWidget(onFace_, 1, 0, 1, 2);
  grid->addWidget(model_, 1, 2);
  xFrom_ = new QComboBox;
  yFrom_ = new QComboBox;
  xFrom_->setObjectName("positionXFrom");
  yFrom_->setObjectName("positionYFrom");
  xFrom_->setToolTip(tr("The edge X is measured from"));
  yFrom_->setToolTip(tr("The edge Y is measured from"));
  grid->addWidget(new QLabel(tr("X from")), 2, 0);
  grid->addWidget(xFrom_, 2, 1, 1, 2);
  grid->addWidget(new QLabel(tr("Y from")), 3, 0);
  grid->addWidget(yFrom_, 3, 1, 1, 2);
  for (int i = 0; i < 3; ++i) {
    names_[i] = new QLabel(QString(kAxis[i]).toUpper());
    fields_[i] = new QLineEdit;
    fields_[i]->setObjectName(QString("position%1").arg(QChar('X' + i)));
    fields_[i]->setToolTip(tr("Type a value and press Enter to move the hole"));
    units_[i] = new QLabel;
    grid->addWidget(names_[i], 4 + i, 0);
    grid->addWidget(fields_[i], 4 + i, 1);
    grid->addWidget(units_[i], 4 + i, 2);
    connect(fields_[i], &QLineEdit::editingFinished, this, [this] {
      if (!filling_) Typed();
    });
  }
  problem_ = new QLabel;
  problem_->setObjectName("positionProblem");
  problem_->setWordWrap(true);
  problem_->setStyleSheet("QLabel { color: #b00020; }");
  grid->addWidget(problem_, 7, 0, 1, 3);
  grid->setRowStretch(8, 1);
  connect(mode, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool on) {
    if (on && !filling_) Fill();
  });
  for (QComboBox* box : {xFrom_, yFrom_})
    connect(box, &QComboBox::currentIndexChanged, this, [this] {
      if (!filling_) Fill();
    });
  ShowNone(tr("Select a hole to place it exactly."));
}

bool PositionPanel::OnFace() const { return face_ && onFace_->isChecked(); }

void PositionPanel::ShowHole(const std::optional<FaceFrame>& face, const gp_Pnt& at, int count,
                             LengthUnit unit) {
  const bool sameFace = face && face_ && face->Face().IsSame(face_->Face());
  face_ = face;
  at_ = at;
  unit_ = unit;
  filling_ = true;
  if (!sameFace) {
    xFrom_->clear();
    yFrom_->clear();
    if (face_) {
      for (const FaceLine& line : face_->Lines()) {
        xFrom_->addItem(LineName(line, *face_, unit_));
        yFrom_->addItem(LineName(line, *face_, unit_));
      }
      xFrom_->setCurrentIndex(static_cast<int>(face_->LeftLine()));
      yFrom_->setCurrentIndex(static_cast<int>(face_->LowerLine()));
    }
  }
  onFace_->setEnabled(face_.has_value());
  if (!face_) model_->setChecked(true);
  filling_ = false;
  what_->setText(count > 1 ? tr("%1 holes move together; the first is at:").arg(count)
                 : face_   ? tr("The hole on its face:")
                           : tr("The hole (on no flat face of the part):"));
  Fill();
}

void PositionPanel::ShowNone(const QString& why) {
  face_.reset();
  filling_ = true;
  what_->setText(why);
  xFrom_->clear();
  yFrom_->clear();
  for (QLineEdit* f : fields_) f->clear();
  for (QWidget* w : {static_cast<QWidget*>(names_[2]), static_cast<QWidget*>(fields_[2]),
                     static_cast<QWidget*>(units_[2])})
    w->setVisible(model_->isChecked());
  problem_->clear();
  setEnabled(false);
  filling_ = false;
}

void PositionPanel::Refuse(const QString& why) { problem_->setText(why); }

QString PositionPanel::Problem() const { return problem_->text(); }

void PositionPanel::Fill() {
  filling_ = true;
  setEnabled(true);
  problem_->clear();
  const bool onFace = OnFace();
  xFrom_->setEnabled(onFace);
  yFrom_->setEnabled(onFace);
  names_[2]->setVisible(!onFace);
  fields_[2]->setVisible(!onFace);
  units_[2]->setVisible(!onFace);
  double values[3] = {at_.X(), at_.Y(), at_.Z()};
  if (onFace) {
    const gp_Pnt2d d =
        face_->Measure(face_->ToFace(at_), static_cast<size_t>(xFrom_->currentIndex()),
                       static_cast<size_t>(yFrom_->currentIndex()));
    values[0] = d.X(), values[1] = d.Y();
  }
  for (int i = 0; i < 3; ++i) {
    fields_[i]->setText(Length(values[i] / unit_.mm));
    units_[i]->setText(unit_.name);
  }
  filling_ = false;
}

void PositionPanel::Typed() {
  const bool onFace = OnFace();
  double v[3] = {};
  for (int i = 0; i < (onFace ? 2 : 3); ++i) {
    const std::string text = fields_[i]->text().toStdString();
    if (!rt::ParseRegionalNumber(text, v[i]) || !std::isfinite(v[i])) {
      Refuse(tr("\"%1\" is not a number.").arg(fields_[i]->text()));
      fields_[i]->setFocus();
      return;
    }
    v[i] *= unit_.mm;
  }
  gp_Pnt to(v[0], v[1], v[2]);
  if (onFace) {
    const std::optional<gp_Pnt2d> p =
        face_->Locate(v[0], v[1], static_cast<size_t>(xFrom_->currentIndex()),
                      static_cast<size_t>(yFrom_->currentIndex()));
    if (!p) {
      Refuse(tr("The two edges are parallel: measure X and Y from edges that cross."));
      return;
    }
    if (!face_->Contains(*p)) {
      Refuse(tr("X %1, Y %2 %3 is off the face: a hole stays within the face's edges.")
                 .arg(fields_[0]->text(), fields_[1]->text(), unit_.name));
      return;
    }
    to = face_->ToModel(*p);
  } else if (face_) {
    if (!face_->OnPlane(to)) {
      Refuse(tr("That point is not on the hole's face: the face's plane lies %1 %2 from it.")
                 .arg(Length(std::fabs(gp_Vec(to, at_).Dot(gp_Vec(face_->Inward()))) / unit_.mm),
                      unit_.name));
      return;
    }
    if (!face_->Contains(face_->ToFace(to))) {
      Refuse(tr("That point is off the face: a hole stays within the face's edges."));
      return;
    }
  }
  to = gp_Pnt(Exact(to.X()), Exact(to.Y()), Exact(to.Z()));
  problem_->clear();
  if (to.Distance(at_) < 1e-12 || !moved) return;
  moved(to);
}

}  // namespace cavix::hostwindow
