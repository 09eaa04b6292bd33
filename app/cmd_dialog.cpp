// `cavix drop`, `cavix edit` and `cavix assign-event`: the hole dialog on a model file, driven by
// a dialog script or shown in a window, and the authoring of the catalog entry that opens it.
#include <cmath>
#include <ostream>
#include <set>
#include <stdexcept>

#include "actions/design_check.h"
#include "actions/holes.h"
#include "actions/placement.h"
#include "app/commands.h"
#include "forms/script.h"
#include "runtime/error.h"
#include "runtime/text_file.h"
#include "standards/config.h"

namespace cavix::app {

namespace {

// The script file to play, or "" for the dialog window (--gui); checked before anything is read.
std::string ScriptOption(const Invocation& inv) {
  if (inv.Has("--gui")) {
    if (!inv.windows)
      throw std::runtime_error(
          "the dialog window (--gui) is not built into this cavix; play a dialog script with "
          "--script FILE");
    return {};
  }
  auto script = inv.Value("--script");
  if (!script) throw UsageError("--script FILE is required (or --gui)");
  return *script;
}

actions::DialogPlayer Player(const Invocation& inv, const std::string& script) {
  if (script.empty()) return actions::DialogPlayer(inv.windows);
  return actions::DialogPlayer(forms::LoadScript(script), inv.out, inv.err);
}

// The box's words on one line, its runs of blanks and line breaks one blank.
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
    if (!blank)
      out += c;
    else if (!out.empty() && out.back() != ' ')
      out += ' ';
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The dialog's own boxes say only the error ("Error 75 Path/File access error in QData",
// "ERRORE 70 ..."); which file each was about is said here, on standard error, once a file.
void SayFileTrouble(actions::Workspace& w, const actions::DialogPlayer& player,
                    std::ostream& diag) {
  std::set<std::string> said;
  for (const forms::Message& m : player.Messages()) {
    if (!m.file.empty()) {
      if (said.insert(m.file).second)
        diag << "cavix: the standards file \"" << Printable(rt::NativePath(m.file))
             << "\" could not be read: " << Printable(OneLine(m.prompt)) << "\n";
      continue;
    }
    if (m.title != "Read Prefs" && m.title != "Write Prefs") continue;
    std::string file;
    try {
      const config::Registry registry(w.Model().App().Services());
      file = rt::NativePath(config::ReadFamilyPaths(registry, 0).prefsFile);
    } catch (const rt::Error&) {
      // The registry was readable when the dialog opened; if not now, the box's words stand.
    }
    diag << "cavix: the dialog's preferences"
         << (file.empty() || m.prompt.find(file) != std::string::npos
                 ? std::string()
                 : " file \"" + Printable(file) + "\"")
         << " could not be " << (m.title == "Read Prefs" ? "read" : "written") << ": "
         << Printable(m.prompt) << "\n";
  }
}

// Runs a drop or an edit, then says what its boxes left out, also when a script failed after them.
template <typename Call>
actions::DialogOutcome Said(actions::Workspace& w, const actions::DialogPlayer& player,
                            std::ostream& diag, Call call) {
  try {
    const actions::DialogOutcome done = call();
    SayFileTrouble(w, player, diag);
    return done;
  } catch (...) {
    SayFileTrouble(w, player, diag);
    throw;
  }
}

std::string ClassOf(const scene::Scene& model, const scene::Shape& s) {
  const host::ClassInfo* info = model.FindClassByTag(s.BindingTag());
  return info ? info->progId : std::string("no class");
}

int Count(double v, const std::string& option) {
  if (v != std::floor(v) || v < 1 || v > static_cast<double>(actions::kMaxPlacements))
    throw UsageError(option + " takes a whole number of holes from 1 to " +
                     std::to_string(actions::kMaxPlacements));
  return static_cast<int>(v);
}

// A pattern's holes, or their refusal naming its option.
template <typename Make>
std::vector<actions::Placement> Pattern(const std::string& option, Make make) {
  try {
    return make();
  } catch (const rt::Error& e) {
    throw UsageError(option + ": " + e.Description());
  }
}

// Every hole of the drop within the room around the part, or a refusal naming the option.
std::vector<actions::Placement> InRoom(std::vector<actions::Placement> placements,
                                       const actions::PlacementRoom& room,
                                       const std::string& option) {
  for (const actions::Placement& p : placements)
    if (!room.Holds(p.position))
      throw UsageError(option + " places a hole at (" + Num(p.position.x) + ", " +
                       Num(p.position.y) + ", " + Num(p.position.z) +
                       "), beyond the part: holes go " + room.Describe());
  return placements;
}

// Where the holes of this drop go, from --normal, --at (repeated), --at-file, --grid, --circle,
// each within `room`.
std::vector<actions::Placement> Placements(const Invocation& inv,
                                           const actions::PlacementRoom& room) {
  const scene::Vec3 normal =
      inv.Has("--normal") ? ParseTriple(*inv.Value("--normal"), "--normal") : scene::Vec3{0, 0, -1};
  if (normal.x == 0 && normal.y == 0 && normal.z == 0)
    throw UsageError("--normal must not be the zero vector");
  const std::vector<std::string> at = inv.Values("--at");
  const bool grid = inv.Has("--grid"), circle = inv.Has("--circle");
  if (grid && circle) throw UsageError("--grid and --circle cannot be combined");
  if (inv.Has("--at-file")) {
    if (!at.empty() || grid || circle)
      throw UsageError("--at-file cannot be combined with --at, --grid or --circle");
    return actions::ReadPlacementFile(*inv.Value("--at-file"), normal, room);
  }
  if ((grid || circle) && at.size() > 1)
    throw UsageError("a pattern goes round one --at point, not " + std::to_string(at.size()));
  std::vector<actions::Placement> out;
  for (const std::string& a : at) out.push_back({ParseTriple(a, "--at"), normal});
  if (out.empty()) out.push_back({scene::Vec3{}, normal});
  out = InRoom(std::move(out), room, "--at");
  if (grid) {
    const auto g = ParseNumbers(*inv.Value("--grid"), "--grid", "four numbers NX,NY,DX,DY");
    if (g.size() != 4) throw UsageError("--grid takes four numbers NX,NY,DX,DY");
    return InRoom(Pattern("--grid",
                          [&] {
                            return actions::GridPattern(out.front(), Count(g[0], "--grid"),
                                                        Count(g[1], "--grid"), g[2], g[3]);
                          }),
                  room, "--grid");
  }
  if (circle) {
    const auto c = ParseNumbers(*inv.Value("--circle"), "--circle", "numbers N,RADIUS[,ANGLE]");
    if (c.size() != 2 && c.size() != 3)
      throw UsageError("--circle takes numbers N,RADIUS[,ANGLE]");
    return InRoom(Pattern("--circle",
                          [&] {
                            return actions::CirclePattern(out.front(), Count(c[0], "--circle"),
                                                          c[1], c.size() > 2 ? c[2] : 0);
                          }),
                  room, "--circle");
  }
  return out;
}
// Says on standard error what the design check finds in the holes just made. With --strict an
// error finding refuses the change (true: the caller leaves the file as it was).
bool RefusedByCheck(Invocation& inv, const char* command, actions::Workspace& w,
                    const std::vector<scene::Shape*>& holes) {
  std::vector<int32_t> ids;
  for (const scene::Shape* s : holes) ids.push_back(s->Id());
  const std::vector<actions::Finding> findings = actions::CheckModel(w.Model(), &ids);
  const bool refuse = inv.Has("--strict") &&
                      std::any_of(findings.begin(), findings.end(),
                                  [](const actions::Finding& f) { return f.IsError(); });
  for (const actions::Finding& f : findings)
    inv.err << command << ": " << Printable(f.Line()) << "\n";
  if (refuse)
    inv.err << command << ": refused (--strict): the holes it makes have errors; "
            << Printable(w.Path()) << " is unchanged\n";
  return refuse;
}

}  // namespace

int CmdDrop(Invocation& inv) {
  const std::string& path = inv.args[0];
  const std::string script = ScriptOption(inv);
  RequireRegistryFile(inv, "cavix drop");

  auto workspace = OpenModelToChange(inv, path);
  // Where the holes go is checked against the part, so the model is read first.
  const std::vector<actions::Placement> placements =
      Placements(inv, actions::RoomAround(workspace->Model()));
  actions::DialogPlayer player = Player(inv, script);
  const actions::DialogOutcome done = Said(
      *workspace, player, inv.err, [&] { return actions::Drop(*workspace, placements, player); });
  if (!done.shown) {
    inv.err << "cavix drop: the drop was refused; " << Printable(path) << " is unchanged\n";
    return 1;
  }
  // Cancel discards the dropped shapes: the model is then as it was, and the file is left alone.
  // A dialog closed through its frame leaves the dropped shapes as they are.
  if (done.result != dialog::DialogResult::Applied && !workspace->Changed()) {
    inv.err << "cavix drop: nothing placed; " << Printable(path) << " is unchanged\n";
    return 0;
  }
  if (RefusedByCheck(inv, "cavix drop", *workspace, done.holes)) return 1;
  workspace->Save();
  for (const scene::Shape* s : done.holes)
    inv.err << "cavix drop: placed " << Printable(s->Describe()) << " (" << ClassOf(workspace->Model(), *s)
            << ")\n";
  return 0;
}

int CmdEdit(Invocation& inv) {
  const std::string& path = inv.args[0];
  const auto allLike = inv.Value("--all-like");
  if (allLike && inv.args.size() == 2)
    throw UsageError("give the hole either as SHAPE or as --all-like SHAPE, not both");
  if (!allLike && inv.args.size() < 2) throw UsageError("missing arguments");
  const std::string script = ScriptOption(inv);
  RequireRegistryFile(inv, "cavix edit");
  auto workspace = OpenModelToChange(inv, path);
  scene::Shape& shape = workspace->Model().ResolveShape(allLike ? *allLike : inv.args[1]);
  actions::DialogPlayer player = Player(inv, script);
  const actions::DialogOutcome done = Said(*workspace, player, inv.err, [&] {
    return actions::Edit(*workspace, shape, allLike.has_value(), player);
  });
  // A cancelled edit keeps the hole as it was, even when an OK that failed half-way had
  // already touched the shape.
  if (done.result == dialog::DialogResult::Cancelled) {
    inv.err << "cavix edit: cancelled; " << Printable(path) << " is unchanged\n";
    return 0;
  }
  if (done.result != dialog::DialogResult::Applied && !workspace->Changed()) {
    inv.err << "cavix edit: no change; " << Printable(path) << " is unchanged\n";
    return 0;
  }
  const std::vector<scene::Shape*> rebuilt =
      done.holes.empty() ? std::vector<scene::Shape*>{&shape} : done.holes;
  if (RefusedByCheck(inv, "cavix edit", *workspace, rebuilt)) return 1;
  workspace->Save();
  for (const scene::Shape* s : rebuilt)
    inv.err << "cavix edit: rebuilt " << Printable(s->Describe()) << " ("
            << ClassOf(workspace->Model(), *s) << ")\n";
  return 0;
}

int CmdAssignEvent(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto workspace = OpenModelToChange(inv, path);
  scene::Shape& shape = workspace->Model().ResolveShape(inv.args[1]);
  actions::AssignCatalogItem(*workspace, shape, inv.out);
  workspace->Save();
  return 0;
}

}  // namespace cavix::app
