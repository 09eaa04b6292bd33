// The window's File menu: a new block, a model opened or made from a STEP part, saving, exporting
// the part (STEP, STL, glTF), its section sheet (SVG) or hole table (CSV), and the files opened
// lately.
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <filesystem>
#include <sstream>

#include "actions/hole_table.h"
#include "export/scene_export.h"
#include "host_window/host_window.h"
#include "part_solid/part_solid.h"
#include "host_window/preview.h"
#include "host_window/window_text.h"
#include "runtime/text_file.h"

namespace cavix::hostwindow {

namespace {

constexpr int kRecentFiles = 8;

// Where the window keeps what it remembers of its user: $XDG_CONFIG_HOME/cavix/window.ini.
QSettings UserSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, "cavix", "window");
}

// The file dialog's own questions, with the kinds of file each takes.
QString AskInDialog(QWidget* parent, FileQuestion question, const QString& suggested) {
  switch (question) {
    case FileQuestion::Open:
      return QFileDialog::getOpenFileName(parent, QObject::tr("Open"), suggested,
                                          QObject::tr("Cavix models (*.cvx *.json);;All files (*)"));
    case FileQuestion::ImportStep:
      return QFileDialog::getOpenFileName(parent, QObject::tr("Import STEP"), suggested,
                                          QObject::tr("STEP parts (*.step *.stp);;All files (*)"));
    case FileQuestion::SaveAs:
      return QFileDialog::getSaveFileName(parent, QObject::tr("Save As"), suggested,
                                          QObject::tr("Cavix models (*.cvx *.json);;All files (*)"));
    case FileQuestion::Export: {
      const QStringList kinds = {
          QObject::tr("STEP part (*.step *.stp)"), QObject::tr("STL mesh (*.stl)"),
          QObject::tr("glTF binary (*.glb)"), QObject::tr("Section sheet (*.svg)"),
          QObject::tr("Hole table (*.csv)")};
      const char* suffixes[] = {".step", ".stl", ".glb", ".svg", ".csv"};
      QString kind;
      QString path = QFileDialog::getSaveFileName(parent, QObject::tr("Export"), suggested,
                                                  kinds.join(";;"), &kind);
      // A name typed without its ending gets the one of the kind chosen.
      if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && kinds.contains(kind))
        path += suffixes[kinds.indexOf(kind)];
      return path;
    }
  }
  return {};
}

}  // namespace

QString HostWindow::Ask(FileQuestion question, const QString& suggested) {
  return fileAsker_ ? fileAsker_(question, suggested) : AskInDialog(this, question, suggested);
}

bool HostWindow::KeepOrSaveChanges() {
  if (!doc_->Modified()) return true;
  const QString name =
      doc_->Path().empty() ? tr("the new model") : QFileInfo(Text(doc_->Path())).fileName();
  const auto answer = QMessageBox::question(
      this, tr("Cavix"), tr("Save the changes to %1 first?").arg(name),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  return answer == QMessageBox::Discard || (answer == QMessageBox::Save && Save());
}

bool HostWindow::Replace(std::unique_ptr<Document> doc) {
  if (!KeepOrSaveChanges()) return false;
  preview_.reset();
  doc_ = std::move(doc);
  // Another model: nothing of what the view cut or drew before stays.
  shown_ = partsolid::ShownPart();
  check_ = actions::LiveCheck();
  view_->Clear();
  base_.Nullify();
  selection_.clear();
  Refresh();
  return true;
}

void HostWindow::NewModel() {
  auto work = actions::Workspace::Adopt(scene::Scene::NewModel({100, 60, 20}), {}, services_);
  if (Replace(std::make_unique<Document>(std::move(work), /*kept=*/true)))
    statusBar()->showMessage(
        tr("A new 100 \u00d7 60 \u00d7 20 mm block: give it other extents in "
           "the Block panel."));
}

bool HostWindow::OpenModel(const QString& given) {
  const QString path = given.isEmpty() ? Ask(FileQuestion::Open, {}) : given;
  if (path.isEmpty()) return false;
  std::unique_ptr<Document> doc;
  try {
    doc = std::make_unique<Document>(path.toStdString(), services_);
  } catch (const std::exception& e) {
    Message(ErrorText(e));
    return false;
  }
  if (!Replace(std::move(doc))) return false;
  Remember(path.toStdString());
  return true;
}

bool HostWindow::ImportStep(const QString& given) {
  const QString path = given.isEmpty() ? Ask(FileQuestion::ImportStep, {}) : given;
  if (path.isEmpty()) return false;
  std::unique_ptr<actions::Workspace> work;
  try {
    work = actions::Workspace::Adopt(partsolid::NewModelFromStep(path.toStdString()), {}, services_);
  } catch (const std::exception& e) {
    Message(ErrorText(e));
    return false;
  }
  // Not saved anywhere yet: closing asks where to.
  return Replace(std::make_unique<Document>(std::move(work), /*kept=*/false));
}

bool HostWindow::Save() {
  if (doc_->Path().empty()) return SaveAs();
  const QString name = QFileInfo(Text(doc_->Path())).fileName();
  try {
    if (!doc_->Save(doc_->Path(), /*replaceChanged=*/false)) {
      if (QMessageBox::question(this, tr("Cavix"),
                                tr("%1 was changed by another program since this window read it. "
                                   "Replace it with the model shown here?")
                                    .arg(name),
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) != QMessageBox::Yes)
        return false;
      doc_->Save(doc_->Path(), /*replaceChanged=*/true);
    }
  } catch (const std::exception& e) {
    Message(ErrorText(e));
    return false;
  }
  setWindowModified(false);
  statusBar()->showMessage(tr("Saved %1").arg(name));
  Remember(doc_->Path());
  return true;
}

bool HostWindow::SaveAs() {
  scene::Scene& model = doc_->Model();
  const QString suggested = doc_->Path().empty()
                                ? Text(model.MainPart().ShapeItems().empty()
                                           ? std::string("part")
                                           : model.MainPart().ShapeItems().front()->Name()) +
                                      ".cvx"
                                : Text(doc_->Path());
  const QString path = Ask(FileQuestion::SaveAs, suggested);
  if (path.isEmpty()) return false;
  try {
    doc_->Save(path.toStdString(), /*replaceChanged=*/true);
  } catch (const std::exception& e) {
    Message(ErrorText(e));
    return false;
  }
  Remember(path.toStdString());
  Refresh();
  return true;
}

bool HostWindow::Export(const QString& given) {
  const std::filesystem::path model = doc_->Path().empty() ? "part.cvx" : doc_->Path();
  const QString path =
      given.isEmpty() ? Ask(FileQuestion::Export,
                            Text(std::filesystem::path(model).replace_extension(".step").string()))
                      : given;
  if (path.isEmpty()) return false;
  const std::string out = path.toStdString();
  exporter::ExportOptions options;
  for (;;) {
    try {
      std::string written;
      if (QFileInfo(path).suffix().compare("csv", Qt::CaseInsensitive) == 0) {
        std::ostringstream csv;
        const std::vector<holes::HoleFacts> holes = exporter::HolesOf(doc_->Model());
        actions::WriteHoleCsv(holes, csv);
        rt::WriteFileAtomically(out, csv.str());
        written = "wrote " + out + ": " + std::to_string(holes.size()) + " holes";
      } else {
        written = exporter::ExportModel(doc_->Model(), out, model.filename().string(), options)
                      .written;
      }
      statusBar()->showMessage(Text(written));
      return true;
    } catch (const exporter::MissError& e) {
      if (options.allowMisses ||
          QMessageBox::question(
              this, tr("Cavix"), tr("%1\n\nWrite the part all the same?").arg(Text(e.what())),
              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return false;
      options.allowMisses = true;
    } catch (const std::exception& e) {
      Message(ErrorText(e));
      return false;
    }
  }
}

// ---- files opened lately ----

void HostWindow::Remember(const std::string& path) {
  if (path.empty()) return;
  const QString full = QFileInfo(Text(path)).absoluteFilePath();
  QSettings settings = UserSettings();
  QStringList files = settings.value("recent").toStringList();
  files.removeAll(full);
  files.prepend(full);
  while (files.size() > kRecentFiles) files.removeLast();
  settings.setValue("recent", files);
}

QStringList HostWindow::RecentFiles() const {
  return UserSettings().value("recent").toStringList();
}

void HostWindow::FillRecent() {
  recent_->clear();
  const QStringList files = RecentFiles();
  for (const QString& file : files)
    recent_->addAction(QFileInfo(file).fileName(), this, [this, file] { OpenModel(file); })
        ->setToolTip(file);
  if (files.isEmpty()) recent_->addAction(tr("(none yet)"))->setEnabled(false);
}

}  // namespace cavix::hostwindow
