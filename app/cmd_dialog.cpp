// `cavix drop`, `cavix edit` and `cavix assign-event`: the hole dialog on a model file, driven by
// a dialog script, and the authoring of the catalog entry that opens it.
#include "app/cmd_dialog.h"

#include <ostream>
#include <stdexcept>

#include "app/commands.h"
#include "dialog/dialog.h"
#include "dialog/globals.h"
#include "dialog/initialize.h"
#include "forms/form.h"
#include "forms/message_box.h"
#include "forms/script.h"
#include "forms/window_hook.h"
#include "host/drop_hole.h"
#include "runtime/error.h"
#include "runtime/text_file.h"
#include "scene/model_file.h"

namespace cavix::app {

namespace {

[[noreturn]] void NoWindow() {
  throw std::runtime_error(
      "the dialog window (--gui) is not built into this cavix; play a dialog script with "
      "--script FILE");
}

// Counts the forms a host call shows and hands each to the script.
class CountingDriver : public forms::IModalDriver {
 public:
  explicit CountingDriver(forms::ScriptRunner& runner) : runner_(runner) {}
  void Run(forms::Form& form) override {
    ++shown_;
    runner_.Run(form);
  }
  int Shown() const { return shown_; }

 private:
  forms::ScriptRunner& runner_;
  int shown_ = 0;
};

// Runs `call` with the script as the modal driver and the messages printed as JSON lines.
// An empty script file name means the dialog window (--gui).
template <class Call>
DialogOutcome PlayScript(const std::string& scriptFile, std::ostream& out, std::ostream& diag,
                         Call call) {
  if (scriptFile.empty()) {
    const forms::WindowRunner window = forms::WindowRunnerSlot();
    if (!window) NoWindow();
    return window(call) == 0 ? DialogOutcome::Refused : DialogOutcome::Shown;
  }
  forms::ScriptRunner runner(forms::LoadScript(scriptFile), out, diag);
  CountingDriver driver(runner);
  forms::JsonLinesMessageService messages(out);
  forms::SetModalDriver(&driver);
  forms::SetMessageService(&messages);
  struct Restore {
    ~Restore() {
      forms::SetModalDriver(nullptr);
      forms::SetMessageService(nullptr);
    }
  } restore;
  call();
  // The dialog's own box says only the error; which file it was about is said here.
  for (const forms::Message& m : messages.Shown()) {
    if (m.title != "Read Prefs" && m.title != "Write Prefs") continue;
    const std::string file = rt::NativePath(Globals().PrefsFile);
    diag << "cavix: the dialog's preferences"
         << (m.prompt.find(file) == std::string::npos ? " file \"" + Printable(file) + "\"" : "")
         << " could not be " << (m.title == "Read Prefs" ? "read" : "written") << ": "
         << Printable(m.prompt) << "\n";
  }
  if (driver.Shown() == 0) return DialogOutcome::Refused;
  runner.Finish();
  return DialogOutcome::Shown;
}

// The script file, or "" for the dialog window.
std::string ScriptOption(const Invocation& inv) {
  if (inv.Has("--gui")) {
    if (!forms::WindowRunnerSlot()) NoWindow();
    return {};
  }
  auto script = inv.Value("--script");
  if (!script) throw UsageError("--script FILE is required (or --gui)");
  return *script;
}

std::string ClassOf(const scene::Scene& model, const scene::Shape& s) {
  const host::ClassInfo* info = model.FindClassByTag(s.BindingTag());
  return info ? info->progId : std::string("no class");
}

}  // namespace

DialogOutcome DropWithScript(scene::Scene& model, scene::Vec3 normal, scene::Vec3 at,
                             const std::string& scriptFile, std::ostream& out, std::ostream& diag,
                             scene::Shape** dropped) {
  return PlayScript(scriptFile, out, diag, [&] {
    scene::Shape& shape = model.AddDroppedShape(normal, at);
    if (dropped) *dropped = &shape;
    model.DropCatalogEntry(shape);
  });
}

DialogOutcome EditWithScript(scene::Scene& model, scene::Shape& shape,
                             const std::string& scriptFile, std::ostream& out, std::ostream& diag) {
  dialog::RegisterEditHandler();
  return PlayScript(scriptFile, out, diag, [&] { model.DoubleClick(shape); });
}

int CmdDrop(Invocation& inv) {
  const std::string& path = inv.args[0];
  const std::string script = ScriptOption(inv);
  const scene::Vec3 normal =
      inv.Has("--normal") ? ParseTriple(*inv.Value("--normal"), "--normal") : scene::Vec3{0, 0, -1};
  const scene::Vec3 at = inv.Has("--at") ? ParseTriple(*inv.Value("--at"), "--at") : scene::Vec3{};
  if (normal.x == 0 && normal.y == 0 && normal.z == 0)
    throw UsageError("--normal must not be the zero vector");
  RequireRegistryFile(inv, "cavix drop");

  auto model = OpenModelToChange(inv, path);
  const std::string before = scene::ModelText(*model);
  scene::Shape* shape = nullptr;
  if (DropWithScript(*model, normal, at, script, inv.out, inv.err, &shape) ==
      DialogOutcome::Refused) {
    inv.err << "cavix drop: the drop was refused; " << path << " is unchanged\n";
    return 1;
  }
  // Cancel discards the dropped shape: the model is then as it was, and the file is left alone.
  if (scene::ModelText(*model) == before) {
    inv.err << "cavix drop: nothing placed; " << path << " is unchanged\n";
    return 0;
  }
  SaveModelFile(*model, path);
  if (shape && !shape->BindingTag().empty()) {
    inv.err << "cavix drop: placed " << Printable(shape->Describe()) << " ("
            << ClassOf(*model, *shape) << ")\n";
  }
  return 0;
}

int CmdEdit(Invocation& inv) {
  const std::string& path = inv.args[0];
  const std::string script = ScriptOption(inv);
  RequireRegistryFile(inv, "cavix edit");
  auto model = OpenModelToChange(inv, path);
  scene::Shape& shape = model->ResolveShape(inv.args[1]);
  const std::string before = scene::ModelText(*model);
  EditWithScript(*model, shape, script, inv.out, inv.err);
  // A cancelled edit keeps the hole as it was, even when an OK that failed half-way had
  // already touched the shape.
  if (dialog::LastDialogResult() == dialog::DialogResult::Cancelled) {
    inv.err << "cavix edit: cancelled; " << path << " is unchanged\n";
    return 0;
  }
  if (scene::ModelText(*model) == before) {
    inv.err << "cavix edit: no change; " << path << " is unchanged\n";
    return 0;
  }
  SaveModelFile(*model, path);
  inv.err << "cavix edit: rebuilt " << Printable(shape.Describe()) << " (" << ClassOf(*model, shape)
          << ")\n";
  return 0;
}

int CmdAssignEvent(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto model = OpenModelToChange(inv, path);
  scene::Shape& shape = model->ResolveShape(inv.args[1]);
  // As an automation client would: select the item, create the handler, call it.
  scene::Page& page = model->ActivePage();
  page.ClearSelectedItems();
  page.Select(shape);
  const host::ClassInfo* info = model->FindClassByProgId(host::kDropHoleProgId);
  if (!info) rt::Raise(429, std::string("class ") + host::kDropHoleProgId + " is not registered");
  std::unique_ptr<host::IAutomationObject> object = info->create();
  auto* handler = dynamic_cast<host::IDropHandler*>(object.get());
  if (!handler) rt::Raise(rt::err::kNoSuchMember, "AssignEvent");

  forms::JsonLinesMessageService messages(inv.out);
  forms::SetMessageService(&messages);
  struct Restore {
    ~Restore() { forms::SetMessageService(nullptr); }
  } restore;
  handler->AssignEvent(model->App());
  SaveModelFile(*model, path);
  return 0;
}

}  // namespace cavix::app
