// The Hole panel: the selected hole's properties and findings.
#include "host_window/hole_panel.h"

#include <QFormLayout>
#include <QLabel>
#include <cmath>

#include "host_window/window_text.h"

namespace cavix::hostwindow {

namespace {

// The rows of the panel, in order.
const char* const kCaptions[] = {"Class",  "Standard", "Size", "Drilled \u2300", "Length",
                                 "Thread", "Recess",   "End",  "Position",       "Axis"};
constexpr int kRows = sizeof(kCaptions) / sizeof(kCaptions[0]);

// A length of the record, or a dash where it holds none.
QString Mm(double v, bool held = true) {
  return held && std::isfinite(v) ? Length(v) + " mm" : QString::fromUtf8("\u2014");
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

void HolePanel::ShowHole(const holes::HoleFacts& f, int selected,
                         const std::vector<Finding>& findings, LengthUnit unit) {
  heading_->setText(selected > 1 ? tr("#%1 of %2 holes selected").arg(f.id).arg(selected)
                                 : tr("#%1").arg(f.id));
  const holes::HoleSpec& h = f.spec;
  const QString size = QString::fromStdString(f.stored.sizeCode);
  QString thread = tr("none");
  if (h.threaded)
    thread = tr("%1, pitch %2, %3 long").arg(size, Mm(h.pitch), Mm(h.threadLength));
  QString recess = tr("none");
  if (f.kind && f.kind->HasRecess()) {
    recess = QString::fromUtf8(f.kind->recessWord.data(), f.kind->recessWord.size()) + " \u2300" +
             Mm(h.recessDiameter);
    if (f.kind->Has(holes::kRecessDepth)) recess += tr(", %1 deep").arg(Mm(h.recessDepth));
    if (f.kind->Has(holes::kRecessAngle)) recess += ", " + Degrees(h.recessAngle);
  }
  QString end = tr("through");
  if (!h.through)
    end = h.pointAngle > 0 ? tr("drill point %1").arg(Degrees(h.pointAngle)) : tr("flat bottom");
  if (!h.through && f.breaksOut) end += tr(", breaks out");  // as the hole table says it
  const QString u = unit.name;
  const QString values[kRows] = {
      QString::fromStdString(f.boundClass.empty() ? f.stored.className : f.boundClass),
      QString::fromStdString(f.stored.standard),
      size,
      Mm(h.DrilledDiameter(), f.IsHole()),
      Mm(h.boreLength, f.read),
      thread,
      recess,
      end,
      QString("%1, %2, %3 %4")
          .arg(Length(f.position[0]), Length(f.position[1]), Length(f.position[2]), u),
      QString("%1, %2, %3").arg(Length(f.axis[0]), Length(f.axis[1]), Length(f.axis[2]))};
  for (int i = 0; i < kRows; ++i) values_[static_cast<size_t>(i)]->setText(values[i]);
  QStringList found;
  for (const Finding& finding : findings)
    if (finding.hole == f.id)
      found << (finding.error ? tr("Error: ") : tr("Warning: ")) +
                   QString::fromStdString(finding.text);
  if (!f.IsHole()) found << tr("Not a hole: ") + QString::fromStdString(f.problem);
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
