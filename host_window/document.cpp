// The open model's undo, redo and file state.
#include "host_window/document.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "runtime/file_lock.h"
#include "runtime/workers.h"
#include "scene/model_file.h"

namespace cavix::hostwindow {

namespace {

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return text;
}

}  // namespace

// Read on every core, as the part is then cut: a model of thousands of holes opens as fast as
// `cavix export` reads it.
Document::Document(std::string path, const scene::ServiceConfig& services)
    : Document(actions::Workspace::Open(path, services, rt::AllCores())) {}

Document::Document(std::unique_ptr<actions::Workspace> read) : work_(std::move(read)) {
  text_ = savedText_ = work_->Text();
  diskText_ = ReadFile(work_->Path()).value_or(std::string());
}

Document::Document(std::unique_ptr<actions::Workspace> work, bool kept) : work_(std::move(work)) {
  text_ = work_->Text();
  if (kept) savedText_ = text_;
}

bool Document::Change(const std::function<bool(actions::Workspace&)>& change) {
  const std::string before = text_;
  bool keep = false;
  try {
    keep = change(*work_);
  } catch (...) {
    Restore(before);
    throw;
  }
  const std::string after = work_->Text();
  if (after == before) return false;
  if (!keep) {
    Restore(before);
    return false;
  }
  undo_.push_back(before);
  if (undo_.size() > kUndoDepth) undo_.erase(undo_.begin());
  redo_.clear();
  text_ = after;
  return true;
}

void Document::Undo() {
  if (undo_.empty()) return;
  redo_.push_back(text_);
  const std::string previous = std::move(undo_.back());
  undo_.pop_back();
  Restore(previous);
}

void Document::Redo() {
  if (redo_.empty()) return;
  undo_.push_back(text_);
  const std::string next = std::move(redo_.back());
  redo_.pop_back();
  Restore(next);
}

void Document::Restore(const std::string& text) {
  work_->Replace(text);
  text_ = text;
}

bool Document::ChangedOnDisk() const { return ReadFile(Path()) != diskText_; }

bool Document::Save(const std::string& path, bool replaceChanged) {
  // A file that is there is replaced in turn with the commands changing it; a new one (Save As
  // to a new name) has nobody to take turns with.
  std::optional<rt::FileLock> lock;
  if (std::filesystem::exists(path)) lock.emplace(scene::LockModel(path));
  if (!replaceChanged && !Path().empty() && path == Path() && ChangedOnDisk()) return false;
  work_->SaveAs(path);
  savedText_ = text_;
  diskText_ = ReadFile(path).value_or(std::string());
  return true;
}

}  // namespace cavix::hostwindow
