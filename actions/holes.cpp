// Drops and edits through the host's events, each under a dialog player.
#include "actions/holes.h"

#include "dialog/drop_hole.h"
#include "hole_objects/hole_record.h"
#include "runtime/error.h"

namespace cavix::actions {

namespace {

// The stored parameters and class of a hole, for comparing holes.
std::optional<holes::HoleRecord> RecordOf(scene::Scene& model, scene::Shape& s) {
  const host::ClassInfo* info = model.FindClassByTag(s.BindingTag());
  const holes::HoleKind* kind = info ? holes::FindHoleKindByName(info->progId) : nullptr;
  if (!kind) return std::nullopt;
  try {
    return holes::StoredRecord(s, *kind);
  } catch (const rt::Error&) {
    return std::nullopt;  // a hole whose record cannot be read is like no other
  }
}

}  // namespace

DialogPlayer::DialogPlayer(forms::Script script, std::ostream& out, std::ostream& diag)
    : script_(std::move(script)), out_(&out), diag_(&diag) {}

bool DialogPlayer::Run(dialog::AddIn& addIn, const std::function<void()>& call) {
  const auto shownIn = [&](forms::Ui& ui) {
    const dialog::ShowingIn showing(addIn, ui);
    call();
  };
  return (script_ ? forms::PlayScript(*script_, *out_, *diag_, shownIn, &messages_)
                  : windows_(shownIn)) != 0;
}

DialogOutcome Drop(Workspace& w, const std::vector<Placement>& placements, DialogPlayer& player) {
  if (placements.empty()) rt::Raise(rt::err::kInvalidCall, "no place to drop the hole on", "Drop");
  scene::Scene& model = w.Model();
  std::vector<scene::Shape*> shapes;
  shapes.reserve(placements.size());
  DialogOutcome outcome;
  w.AddIn().lastDialog = dialog::DialogResult::None;
  outcome.shown = player.Run(w.AddIn(), [&] {
    for (const Placement& p : placements)
      shapes.push_back(&model.AddDroppedShape(p.normal, p.position));
    model.DropCatalogEntry(shapes);
  });
  outcome.result = w.AddIn().lastDialog;
  if (outcome.result == dialog::DialogResult::Applied) outcome.holes = shapes;
  return outcome;
}

std::vector<scene::Shape*> HolesLike(scene::Scene& model, scene::Shape& hole) {
  std::vector<scene::Shape*> alike{&hole};
  const std::optional<holes::HoleRecord> wanted = RecordOf(model, hole);
  if (!wanted) return alike;
  for (scene::Shape* s : model.BoundShapes()) {
    if (s == &hole || s->BindingTag() != hole.BindingTag()) continue;
    const std::optional<holes::HoleRecord> r = RecordOf(model, *s);
    if (r == wanted) alike.push_back(s);
  }
  return alike;
}

DialogOutcome Edit(Workspace& w, scene::Shape& hole, bool allLike, DialogPlayer& player) {
  std::vector<scene::Shape*> targets =
      allLike ? HolesLike(w.Model(), hole) : std::vector<scene::Shape*>{&hole};
  dialog::AddIn& addIn = w.AddIn();
  addIn.lastDialog = dialog::DialogResult::None;
  addIn.editAlike.assign(targets.begin() + 1, targets.end());
  struct Clear {
    dialog::AddIn& a;
    ~Clear() { a.editAlike.clear(); }
  } clear{addIn};
  DialogOutcome outcome;
  outcome.shown = player.Run(addIn, [&] { w.Model().DoubleClick(hole); });
  outcome.result = addIn.lastDialog;
  if (outcome.result == dialog::DialogResult::Applied) outcome.holes = targets;
  return outcome;
}

void AssignCatalogItem(Workspace& w, scene::Shape& shape, std::ostream& out) {
  scene::Scene& model = w.Model();
  // As an automation client would: select the item, create the handler, call it.
  scene::Page& page = model.ActivePage();
  page.ClearSelectedItems();
  page.Select(shape);
  const host::ClassInfo* info = model.FindClassByProgId(dialog::kDropHoleProgId);
  if (!info) rt::Raise(429, std::string("class ") + dialog::kDropHoleProgId + " is not registered");
  std::unique_ptr<host::IAutomationObject> object = info->create();
  auto* handler = dynamic_cast<host::IDropHandler*>(object.get());
  if (!handler) rt::Raise(rt::err::kNoSuchMember, "AssignEvent");

  forms::JsonLinesMessageService messages(out);
  forms::Ui ui(nullptr, &messages);
  const dialog::ShowingIn showing(w.AddIn(), ui);
  handler->AssignEvent(model.App());
}

}  // namespace cavix::actions
