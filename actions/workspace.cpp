// Opening, loading the add-in into, and saving a model.
#include "actions/workspace.h"

#include "dialog/drop_hole.h"
#include "dialog/dialog.h"
#include "hole_objects/class_list.h"
#include "runtime/error.h"
#include "scene/model_file.h"
#ifdef CAVIX_WITH_OCCT
#include "part_solid/material.h"
#endif

namespace cavix::actions {

void LoadAddIn(scene::Scene& model, const scene::ServiceConfig& services,
               const std::shared_ptr<dialog::AddIn>& addIn) {
  model.RegisterClasses(HoleClasses([addIn](host::IShape& shape, int16_t holeType) {
    dialog::EditHole(shape, holeType, *addIn);
  }));
  model.RegisterClasses({dialog::DropHoleClassInfo(addIn)});
  model.InstallServices(services);
#ifdef CAVIX_WITH_OCCT
  // Through holes in a part's own solid go as far as its material; without the kernel, the
  // part's size along the axis is all there is to go by.
  partsolid::InstallMaterialProbe(model);
#endif
}

Workspace::Workspace(std::unique_ptr<scene::Scene> model, std::string path,
                     const scene::ServiceConfig& services)
    : model_(std::move(model)),
      path_(std::move(path)),
      services_(services),
      addIn_(std::make_shared<dialog::AddIn>()) {
  LoadAddIn(*model_, services, addIn_);
}

std::unique_ptr<Workspace> Workspace::Read(const std::string& path,
                                           const scene::ServiceConfig& services, int jobs) {
  return std::unique_ptr<Workspace>(new Workspace(scene::LoadModel(path, jobs), path, services));
}

std::unique_ptr<Workspace> Workspace::Open(const std::string& path,
                                           const scene::ServiceConfig& services, int jobs) {
  std::unique_ptr<Workspace> w = Read(path, services, jobs);
  w->saved_ = w->Text();
  return w;
}

std::unique_ptr<Workspace> Workspace::OpenToChange(const std::string& path,
                                                   const scene::ServiceConfig& services,
                                                   int jobs) {
  rt::FileLock lock = scene::LockModel(path);
  std::unique_ptr<Workspace> w = Open(path, services, jobs);
  w->lock_.emplace(std::move(lock));
  return w;
}

std::unique_ptr<Workspace> Workspace::Adopt(std::unique_ptr<scene::Scene> model, std::string path,
                                            const scene::ServiceConfig& services) {
  std::unique_ptr<Workspace> w(new Workspace(std::move(model), std::move(path), services));
  w->saved_ = std::string();  // never saved: changed
  return w;
}

std::string Workspace::Text() const { return scene::ModelText(*model_); }

bool Workspace::Changed() const {
  if (!saved_) throw rt::InternalError("a model opened only to read was asked whether it changed");
  return Text() != *saved_;
}

void Workspace::Save() { SaveAs(path_); }

void Workspace::SaveAs(std::string path) {
  std::string text = Text();
  scene::SaveModelText(text, path);
  path_ = std::move(path);
  saved_ = std::move(text);
}

void Workspace::Replace(const std::string& text) {
  std::unique_ptr<scene::Scene> model = scene::ModelFromText(text, path_);
  LoadAddIn(*model, services_, addIn_);
  model_ = std::move(model);
}

}  // namespace cavix::actions
