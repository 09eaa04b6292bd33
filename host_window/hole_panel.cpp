// The Hole panel: the selected hole's properties and findings.
#include "host_window/hole_panel.h"

#include <QFormLayout>
#include <QLabel>

#include "host_window/window_text.h"

namespace cavix::hostwindow {

namespace {

// The rows of the panel, in order.
const char* const kCaptions[] = {"Class",  "Standard", "Size", "Drilled \u2300", "Length",
                                 "Thread", "Recess",   "End",  "Position",       "Axis"};
constexpr int kRows = sizeof(kCaptions) / sizeof(kCaptions[0]);

QString Mm(const std::optional<double>& v) {
  return v ? Length(*v) + " mm" : QString::fromUtf8("\u2014");
}

QString Degrees(double v) { return Length(v) + QString::fromUtf8("\u00b0"); }

}  // namespace

HolePanel::HolePanel(QWidget* parent) : QWidget(parent) {
  auto* form = new QFormLayout(this);
  heading_ = new QLabel;
  heading_->setWordWrap(true);
  form->addRow(heading_);
  for (const char* caption : kCaptions) {
    auto* value = new QLabel;
    value->setWordWrap(true);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString::fromUtf8(caption), value);
    values_.push_back(value);
  }
  findings_ = new QLabel;
  findings_->setWordWrap(true);
  form->addRow(tr("Findings"), findings_);
  ShowNone(0);
}

void HolePanel::ShowHole(const actions::HoleRow& r, int selected,
                         const std::vector<Finding>& findings, LengthUnit unit) {
  heading_->setText(selected > 1 ? tr("#%1 of %2 holes selected").arg(r.id).arg(selected)
                                 : tr("#%1").arg(r.id));
  QString thread = tr("none");
  if (r.threaded)
    thread = tr("%1, pitch %2, %3 long")
                 .arg(QString::fromStdString(r.size), Mm(r.pitch), Mm(r.threadLength));
  QString recess = tr("none");
  if (!r.recess.empty()) {
    recess = QString::fromStdString(r.recess) + " \u2300" + Mm(r.recessDiameter);
    if (r.recessDepth) recess += tr(", %1 deep").arg(Mm(r.recessDepth));
    if (r.recessAngle) recess += ", " + Degrees(*r.recessAngle);
  }
  QString end = tr("through");
  if (!r.through)
    end = r.pointAngle && *r.pointAngle > 0 ? tr("drill point %1").arg(Degrees(*r.pointAngle))
                                            : tr("flat bottom");
  const QString u = unit.name;
  const QString values[kRows] = {
      QString::fromStdString(r.progId.empty() ? r.className : r.progId),
      QString::fromStdString(r.standard),
      QString::fromStdString(r.size),
      Mm(r.drillDiameter),
      Mm(r.length),
      thread,
      recess,
      end,
      QString("%1, %2, %3 %4")
          .arg(Length(r.position.x), Length(r.position.y), Length(r.position.z), u),
      QString("%1, %2, %3").arg(Length(r.axis.x), Length(r.axis.y), Length(r.axis.z))};
  for (int i = 0; i < kRows; ++i) values_[static_cast<size_t>(i)]->setText(values[i]);
  QStringList found;
  for (const Finding& f : findings)
    if (f.hole == r.id)
      found << (f.error ? tr("Error: ") : tr("Warning: ")) + QString::fromStdString(f.text);
  if (!r.problem.empty()) found << tr("Not a hole: ") + QString::fromStdString(r.problem);
  findings_->setText(found.isEmpty() ? tr("none") : found.join("\n"));
  findings_->setStyleSheet(found.isEmpty() ? QString() : "QLabel { color: #b06000; }");
}

void HolePanel::ShowNone(int selected) {
  heading_->setText(selected ? tr("No hole among the %1 shapes selected.").arg(selected)
                             : tr("Select a hole to see what it is."));
  for (QLabel* v : values_) v->clear();
  findings_->clear();
}

QString HolePanel::Text() const {
  QStringList lines{heading_->text()};
  for (int i = 0; i < kRows; ++i)
    lines << QString::fromUtf8(kCaptions[i]) + ": " + values_[static_cast<size_t>(i)]->text();
  lines << "Findings: " + findings_->text();
  return lines.join("\n");
}

}  // namespace cavix::hostwindow
