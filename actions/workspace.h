// A model opened for work: the scene read from its file, the add-in loaded into it (its classes
// registered with the host, the host's services reading the registry and settings files), and the
// file it is saved to. A command opens one for its run; the host window keeps one open.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "dialog/session.h"
#include "runtime/file_lock.h"
#include "scene/scene.h"

namespace cavix::actions {

class Workspace {
 public:
  // Reads the model file (53 missing, 75 unreadable, 321 not a model) on `jobs` workers and loads
  // the add-in.
  static std::unique_ptr<Workspace> Open(const std::string& path,
                                         const scene::ServiceConfig& services, int jobs = 1);
  // The same for work that changes the model and saves it: the model's lock is taken before the
  // file is read and held until the workspace ends, so that commands changing one model at the
  // same time take turns and none loses what another saved (scene::LockModel).
  static std::unique_ptr<Workspace> OpenToChange(const std::string& path,
                                                 const scene::ServiceConfig& services,
                                                 int jobs = 1);
  // The same for a command that only reads the model: the model is not written out again to
  // tell later changes by (a large model's text takes as long as reading it), so Changed is not
  // to be asked until it is saved.
  static std::unique_ptr<Workspace> Read(const std::string& path,
                                         const scene::ServiceConfig& services, int jobs = 1);
  // A new model, saved to `path` when Save is called.
  static std::unique_ptr<Workspace> Adopt(std::unique_ptr<scene::Scene> model, std::string path,
                                          const scene::ServiceConfig& services);

  scene::Scene& Model() { return *model_; }
  const scene::Scene& Model() const { return *model_; }
  const std::string& Path() const { return path_; }
  // The add-in as this workspace's model has it loaded.
  dialog::AddIn& AddIn() { return *addIn_; }

  // The model as its file would hold it now, and whether that differs from what was read or last
  // saved.
  std::string Text() const;
  bool Changed() const;
  // Writes the model to its file: the file is the old one or the whole new one, never a part.
  void Save();
  // The same to `path`, which becomes the workspace's file.
  void SaveAs(std::string path);
  // Takes the model anew from `text` (a model file's text, as Text gives it; undo and redo): the
  // same add-in is loaded into it, so what the dialog remembers carries on. Raises
  // as the model file does for a text that is no model, and leaves the model as it was then.
  void Replace(const std::string& text);

 private:
  Workspace(std::unique_ptr<scene::Scene> model, std::string path,
            const scene::ServiceConfig& services);

  std::unique_ptr<scene::Scene> model_;
  std::string path_;
  scene::ServiceConfig services_;
  std::optional<std::string> saved_;  // none when only read
  std::shared_ptr<dialog::AddIn> addIn_;
  std::optional<rt::FileLock> lock_;
};

// Registers the add-in's classes (the four hole classes and the catalog drop handler) with a
// scene and gives it the host's services; the classes share `addIn`.
void LoadAddIn(scene::Scene& model, const scene::ServiceConfig& services,
               const std::shared_ptr<dialog::AddIn>& addIn);

}  // namespace cavix::actions
