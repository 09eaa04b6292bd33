// A model open in the window: its workspace (the model, the add-in loaded into it, its file),
// every change of the session kept for undo and redo (as the model's text before and after), and
// whether it differs from its file or its file from what the window read.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "actions/workspace.h"

namespace cavix::hostwindow {

class Document {
 public:
  // Reads the model file and loads the add-in into it (errors as scene::LoadModel raises them).
  Document(std::string path, const scene::ServiceConfig& services);
  // The same for a workspace its file was just read into.
  explicit Document(std::unique_ptr<actions::Workspace> read);
  // A model not read from its file (a new one, or one made from a STEP part): `work`'s path may
  // be empty (no file yet: the first save needs one). Unless `kept`, it counts as changed until
  // saved.
  Document(std::unique_ptr<actions::Workspace> work, bool kept);

  actions::Workspace& Work() { return *work_; }
  scene::Scene& Model() { return work_->Model(); }
  // The model's file; empty for a model never saved.
  const std::string& Path() const { return work_->Path(); }
  // The model differs from what was last read from or written to its file.
  bool Modified() const { return text_ != savedText_; }
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }

  // Runs one change of the model; `change` says whether it made one to keep. A change kept can
  // be undone; one not kept, or one that raises (the error goes on), leaves the model exactly as
  // it was before, whatever `change` did to it half-way.
  bool Change(const std::function<bool(actions::Workspace&)>& change);
  void Undo();
  void Redo();

  // The file holds something else than the window read or last wrote (another program wrote it,
  // or it is gone).
  bool ChangedOnDisk() const;
  // Writes the model to `path` (atomically), which becomes the document's file; a new file is
  // made. An existing file's lock is held from the check to the rename, so a command changing
  // the file at the same time either ends before (and the save sees its change) or starts
  // after. Unless `replaceChanged`,
  // nothing is written and false returned when the file is the document's own and changed on
  // disk since the window read or wrote it.
  bool Save(const std::string& path, bool replaceChanged);

  // How many changes are kept for undo; older ones are forgotten.
  static constexpr size_t kUndoDepth = 200;

 private:
  void Restore(const std::string& text);

  std::unique_ptr<actions::Workspace> work_;
  std::string text_;       // the model's text now
  std::string savedText_;  // the model's text when last read or written
  std::string diskText_;   // what the file held then, byte for byte
  std::vector<std::string> undo_, redo_;
};

}  // namespace cavix::hostwindow
