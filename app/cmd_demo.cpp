// `cavix demo [DIR]`: the main job on the installed defaults. It does what the commands a user
// would run do (new, drop with the shipped dialog scripts, resize, threads, export, holes),
// through the same functions, and leaves every file it makes in DIR, with a summary of what was
// made and where.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "actions/hole_table.h"
#include "actions/workspace.h"
#include "actions/holes.h"
#include "actions/placement.h"
#include "actions/regen.h"
#include "actions/threads.h"
#include "app/commands.h"
#include "export/scene_export.h"
#include "forms/script.h"
#include "runtime/error.h"
#include "runtime/text_file.h"
#include "scene/model_file.h"
#include "standards/config.h"

namespace cavix::app {

namespace {

namespace fs = std::filesystem;

using rt::err::kFileAlreadyExists;
using rt::err::kFileNotFound;
using rt::err::kPathNotFound;

// The files the demo writes: it replaces these and nothing else.
constexpr const char* kModel = "model.cvx";
constexpr const char* kHolesCsv = "holes.csv";
constexpr const char* kHolesTxt = "holes.txt";
constexpr const char* kThreads = "threads.json";
constexpr const char* kStep = "part.step";
constexpr const char* kStl = "part.stl";
constexpr const char* kSvg = "sections.svg";
constexpr const char* kSummary = "summary.txt";
constexpr const char* kSummaryFirstLine = "Cavix demo";

// The part before and after the resize: the holes open on the face z = 0, which stays where it
// is when the block grows, so the through holes regenerate to the new thickness.
constexpr scene::Vec3 kBlock{100, 60, 30};
constexpr scene::Vec3 kResized{100, 60, 40};

struct PlannedHole {
  const char* script;
  scene::Vec3 at, normal;
  const char* progId;
  bool threaded, through;
};

// One hole of each type, threaded and plain, blind and through, far enough apart not to touch,
// and a tapped hole in a side face.
// clang-format off
constexpr PlannedHole kPlan[] = {
    {"demo_1_plain_blind.txt",             {13, 17, 0}, {0, 0, 1}, "Cavix.HoleSimple", false, false},
    {"demo_2_plain_threaded_through.txt",  {13, 43, 0}, {0, 0, 1}, "Cavix.HoleSimple", true,  true},
    {"demo_3_cbore_threaded_blind.txt",    {37, 17, 0}, {0, 0, 1}, "Cavix.HoleCBore",  true,  false},
    {"demo_4_cbore_through.txt",           {37, 43, 0}, {0, 0, 1}, "Cavix.HoleCBore",  false, true},
    {"demo_5_csink_threaded_blind.txt",    {63, 17, 0}, {0, 0, 1}, "Cavix.HoleCSink",  true,  false},
    {"demo_6_csink_through.txt",           {63, 43, 0}, {0, 0, 1}, "Cavix.HoleCSink",  false, true},
    {"demo_7_cdrill_blind.txt",            {87, 17, 0}, {0, 0, 1}, "Cavix.HoleCDrill", false, false},
    {"demo_8_cdrill_threaded_through.txt", {87, 43, 0}, {0, 0, 1}, "Cavix.HoleCDrill", true,  true},
    {"demo_9_side_threaded_blind.txt",     {0, 30, 10}, {1, 0, 0}, "Cavix.HoleSimple", true,  false},
};
// clang-format on

// A bolt circle on the back face y = 60, placed by one drop: the holes stay where they are when
// the block grows in z. Its lowest holes pass over the counterbore of the through hole at
// (37, 43) (10.6 deep) with 1.25 mm to spare.
struct PlannedCircle {
  const char* script;
  scene::Vec3 centre, normal;
  int count;
  double radius, startDegrees;
  const char* progId;
  bool threaded, through;
};
constexpr PlannedCircle kCircle{"demo_10_bolt_circle.txt", {50, 60, 18}, {0, -1, 0}, 6, 9, 90,
                                "Cavix.HoleSimple", true, false};

std::string Triple(const scene::Vec3& v, const char* sep = ",") {
  return Num(v.x) + sep + Num(v.y) + sep + Num(v.z);
}

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

// The demo's own summary or the preferences file: small files; anything else by those names (a
// pipe, a device, a huge file) is refused rather than read without end.
std::string ReadAll(const fs::path& p, const char* what) {
  std::string text;
  rt::ReadWholeFile(p.string(), size_t{1} << 20, what, text);
  return text;
}

// DIR may be new, or hold a previous demo; a folder that holds files of these names that some
// earlier demo did not write is left alone.
void CheckDirectory(const fs::path& dir) {
  std::error_code ec;
  if (!fs::exists(dir, ec)) return;
  if (!fs::is_directory(dir, ec))
    rt::Raise(kFileAlreadyExists, "\"" + dir.string() + "\" exists and is not a folder",
              "cavix demo");
  if (fs::is_regular_file(dir / kSummary) &&
      FirstLine(ReadAll(dir / kSummary, "demo summary")).rfind(kSummaryFirstLine, 0) == 0)
    return;
  std::string clash;
  for (const char* name : {kModel, kHolesCsv, kHolesTxt, kThreads, kStep, kStl, kSvg, kSummary})
    if (fs::exists(dir / name, ec)) clash += std::string(clash.empty() ? "" : ", ") + name;
  if (!clash.empty())
    rt::Raise(kFileAlreadyExists,
              "\"" + dir.string() + "\" already holds " + clash +
                  " not written by a demo; give another folder",
              "cavix demo");
}

// What the registry in force says about the install: its application directory and the
// preferences file the dialog writes.
struct InstallInfo {
  std::string registry, applDir, prefsFile, prefsFolder;
  fs::path scripts;
};

InstallInfo ReadInstall(const Invocation& inv) {
  InstallInfo info;
  info.registry = inv.Services().registryFile;
  RequireRegistryFile(inv, "cavix demo");
  std::error_code ec;
  {
    scene::Scene probe;
    probe.InstallServices(inv.Services());
    const config::Registry registry(probe.App().Services());
    info.applDir = registry.ApplDir();
    if (info.applDir.empty())
      rt::Raise(kPathNotFound, "the registry file \"" + info.registry + "\" names no \"ApplDir\"",
                "cavix demo");
    const config::FamilyPaths paths = config::ReadFamilyPaths(registry, 0);
    info.prefsFile = rt::NativePath(paths.prefsFile);
    info.prefsFolder = paths.prefsFolder;
  }
  // The shipped scripts live in the application directory; an install whose registry points
  // elsewhere still has them beside its registry file.
  const fs::path inAppl = rt::NativePath(info.applDir + "\\scripts\\");
  const fs::path besideRegistry = fs::path(info.registry).parent_path() / "scripts";
  info.scripts = fs::is_directory(inAppl, ec) ? inAppl : besideRegistry;
  std::vector<const char*> scripts;
  for (const PlannedHole& h : kPlan) scripts.push_back(h.script);
  scripts.push_back(kCircle.script);
  for (const char* script : scripts)
    if (!fs::is_regular_file(info.scripts / script, ec))
      rt::Raise(kFileNotFound,
                "dialog script \"" + (info.scripts / script).string() +
                    "\" not found (looked in " + inAppl.string() + " and " +
                    besideRegistry.string() + ")",
                "cavix demo");
  return info;
}

// The dialog remembers its last choices in the preferences file; the demo puts back what the
// user had, so that it changes none of the user's files outside DIR (nor leaves the user's
// configuration folder behind when the dialog made it).
class PrefsKeeper {
 public:
  PrefsKeeper(std::string builtPath, std::string builtFolder)
      : native_(rt::NativePath(builtPath)),
        folder_(builtFolder.empty() ? std::string() : rt::NativePath(builtFolder)) {
    std::error_code ec;
    had_ = fs::is_regular_file(native_, ec);
    if (had_) saved_ = ReadAll(native_, "preferences file");
    hadFolder_ = folder_.empty() || fs::exists(folder_, ec);
  }
  // "" when the file is as it was, else what went wrong.
  std::string Restore() const {
    try {
      std::error_code ec;
      if (had_) {
        if (ReadAll(native_, "preferences file") != saved_)
          rt::WriteFileAtomically(native_, saved_);
      } else if (fs::exists(native_, ec) && fs::is_regular_file(native_, ec)) {
        if (!fs::remove(native_, ec)) return ec.message();
      }
      if (!hadFolder_ && fs::is_empty(folder_, ec)) fs::remove(folder_, ec);
    } catch (const rt::Error& e) {
      return e.Description();
    }
    return {};
  }

 private:
  std::string native_, folder_;
  bool had_ = false, hadFolder_ = true;
  std::string saved_;
};

// The messages of a drop: "Write Prefs" is noted once, others are kept to report.
void Messages(const std::vector<forms::Message>& shown, bool& prefsNotWritten,
              std::string& prefsError, std::vector<std::string>& other) {
  for (const forms::Message& m : shown) {
    if (m.title == "Write Prefs") {
      prefsNotWritten = true;
      prefsError = m.prompt;
    } else {
      other.push_back(m.title + ": " + m.prompt);
    }
  }
}

// What a drop placed, as the summary names it; `refused` when the add-in refused the drop.
struct Dropped {
  bool refused = false;
  std::string said;
};

// Holes as `cavix drop` places them: the model read, the holes dropped at `placements` and made
// by the script, the model saved. Throws what the drop threw.
Dropped DropAt(const Invocation& inv, const std::string& model,
               const std::vector<actions::Placement>& placements, const fs::path& script,
               std::vector<forms::Message>& messages) {
  auto workspace = OpenModel(inv, model);
  std::ostringstream out, diag;
  actions::DialogPlayer player(forms::LoadScript(script.string()), out, diag);
  const actions::DialogOutcome done = actions::Drop(*workspace, placements, player);
  messages = player.Messages();
  if (!done.shown) return {true, "cavix drop: the drop was refused; " + model + " is unchanged"};
  if (!workspace->Changed())
    return {false, "cavix drop: nothing placed; " + model + " is unchanged"};
  workspace->Save();
  if (done.holes.empty()) return {};
  const scene::Shape& first = *done.holes.front();
  const host::ClassInfo* info = workspace->Model().FindClassByTag(first.BindingTag());
  std::string placed = first.Describe();
  if (done.holes.size() > 1)
    placed = std::to_string(done.holes.size()) + " holes #" + std::to_string(first.Id()) +
             " to #" + std::to_string(done.holes.back()->Id()) + " \"" + first.Name() + "\"";
  return {false, placed + " (" + (info ? info->progId : std::string("no class")) + ")"};
}

// Whether the hole `f` is the one placed at `p`, and made as planned.
bool Placed(const holes::HoleFacts& f, const actions::Placement& p) {
  return f.position == std::array<double, 3>{p.position.x, p.position.y, p.position.z} &&
         f.axis == std::array<double, 3>{p.normal.x, p.normal.y, p.normal.z};
}
bool Made(const holes::HoleFacts& f, const char* progId, bool threaded, bool through) {
  return f.boundClass == progId && f.spec.threaded == threaded && f.spec.through == through;
}

// A volume as the export's own line gives it.
std::string Volume(double mm3) {
  std::ostringstream os;
  os.precision(10);
  os << mm3;
  return os.str();
}

// One run of the demo: the steps a user's commands would take, in order, each adding its lines
// to the summary and its failures to the list; a failed step does not stop the ones after it.
class Demo {
 public:
  Demo(Invocation& inv, fs::path dir, InstallInfo install)
      : inv_(inv), dir_(std::move(dir)), install_(std::move(install)),
        model_((dir_ / kModel).string()) {}

  void NewModel();
  void DropHoles();
  void CheckPlan();
  void Resize();
  void QueryThreads();
  void Export();
  void Table();
  // The closing lines: counts, preferences, files, failures. Returns the exit status.
  int Finish(std::chrono::steady_clock::time_point started);

 private:
  void Drop(const char* script, const std::vector<actions::Placement>& placements,
            const std::string& where);
  void Failed(const std::string& what) { failures_.push_back(what); }

  Invocation& inv_;
  const fs::path dir_;
  const InstallInfo install_;
  const std::string model_;
  std::ostringstream sum_;  // the summary, printed and kept in DIR
  std::vector<std::string> failures_;
  std::vector<std::string> failedDrops_, otherMessages_;
  bool prefsNotWritten_ = false;
  std::string prefsError_, prefsRestore_;
  std::vector<actions::Placement> circle_;
  std::vector<holes::HoleFacts> holes_;
  std::unique_ptr<actions::Workspace> resized_;
  size_t planned_ = 0;
  std::string volume_;
};

void Demo::NewModel() {
  sum_ << kSummaryFirstLine << " in " << dir_.string() << "\n";
  sum_ << "  registry " << install_.registry << "\n  ApplDir  " << install_.applDir
       << "\n  scripts  " << install_.scripts.string() << "\n\n";
  // A previous demo's model is replaced: the demo starts from a new part every time. A model that
  // cannot be written ends the demo with the writer's own words, which name the file.
  scene::SaveModel(*scene::Scene::NewModel(kBlock), model_);
  sum_ << "1. new model " << kModel << ": block " << Triple(kBlock, " x ") << " mm\n";
}

void Demo::Drop(const char* script, const std::vector<actions::Placement>& placements,
                const std::string& where) {
  std::vector<forms::Message> shown;
  Dropped placed;
  bool failed = false;
  try {
    placed = DropAt(inv_, model_, placements, install_.scripts / script, shown);
    failed = placed.refused;
  } catch (const std::exception& e) {
    placed.said = ErrorLine(e);
    failed = true;
  }
  Messages(shown, prefsNotWritten_, prefsError_, otherMessages_);
  if (failed) {
    failedDrops_.push_back(script);
    Failed(std::string(script) + ": " + placed.said);
    sum_ << "   " << script << " FAILED: " << placed.said << "\n";
  } else {
    sum_ << "   " << script << where << placed.said << "\n";
  }
}

void Demo::DropHoles() {
  const PrefsKeeper prefs(install_.prefsFile, install_.prefsFolder);
  sum_ << "2. holes dropped and placed by dialog scripts (cavix drop --script):\n";
  for (const PlannedHole& h : kPlan)
    Drop(h.script, {{h.at, h.normal}},
         " at (" + Triple(h.at, ", ") + ") axis (" + Triple(h.normal, ", ") + "): ");
  // One pattern: a bolt circle, placed by one drop and one dialog.
  circle_ = actions::CirclePattern({kCircle.centre, kCircle.normal}, kCircle.count,
                                   kCircle.radius, kCircle.startDegrees);
  Drop(kCircle.script, circle_,
       ", a bolt circle of " + std::to_string(kCircle.count) + " about (" +
           Triple(kCircle.centre, ", ") + ") radius " + Num(kCircle.radius) + " axis (" +
           Triple(kCircle.normal, ", ") + ") in one drop: ");
  prefsRestore_ = prefs.Restore();
}

void Demo::CheckPlan() {
  // Each hole as planned: class, thread and through flags, from the saved model.
  holes_ = exporter::HolesOf(ReadModel(inv_, model_)->Model());
  for (const PlannedHole& h : kPlan) {
    bool found = false;
    for (const holes::HoleFacts& f : holes_) {
      if (!Placed(f, {h.at, h.normal})) continue;
      found = true;
      if (Made(f, h.progId, h.threaded, h.through))
        ++planned_;
      else
        Failed(std::string(h.script) + ": came out as " + f.boundClass +
               (f.spec.threaded ? " threaded" : " plain") +
               (f.spec.through ? " through" : " blind"));
    }
    if (!found &&
        std::find(failedDrops_.begin(), failedDrops_.end(), h.script) == failedDrops_.end())
      Failed(std::string(h.script) + ": no hole placed");
  }
  for (const actions::Placement& p : circle_) {
    const auto f = std::find_if(holes_.begin(), holes_.end(),
                                [&](const holes::HoleFacts& r) { return Placed(r, p); });
    if (f != holes_.end() && Made(*f, kCircle.progId, kCircle.threaded, kCircle.through))
      ++planned_;
    else
      Failed(std::string(kCircle.script) + ": no hole as planned at (" +
             Triple(p.position, ", ") + ")");
  }
  for (const std::string& m : otherMessages_) sum_ << "   message " << m << "\n";
}

void Demo::Resize() {
  // The part grows; the host regenerates its holes and the through holes follow.
  size_t regenerated = 0;
  try {
    auto workspace = OpenModel(inv_, model_);
    regenerated = actions::ResizeBlock(workspace->Model(), kResized).size();
    workspace->Save();
  } catch (const std::exception& e) {
    Failed("resize: " + ErrorLine(e));
  }
  sum_ << "3. part resized to " << Triple(kResized, " x ") << " mm (cavix resize): "
       << regenerated << " holes regenerated, the through holes now " << Num(kResized.z)
       << " deep\n";
  resized_ = OpenModel(inv_, model_);
}

void Demo::QueryThreads() {
  // What a drawing view asks each hole about its thread.
  nlohmann::ordered_json threads = nlohmann::ordered_json::array();
  int answered = 0;
  for (const holes::HoleFacts& f : holes_) {
    nlohmann::ordered_json j;
    actions::ThreadAnswer a;
    try {
      scene::Shape& shape = resized_->Model().ResolveShape("#" + std::to_string(f.id));
      a = actions::QueryThread(resized_->Model(), shape);
    } catch (const std::exception& e) {
      Failed("threads #" + std::to_string(f.id) + ": " + ErrorLine(e));
      continue;
    }
    j["id"] = f.id;
    j["name"] = f.name;
    const nlohmann::ordered_json answer = actions::ThreadJson(a);
    for (const auto& [k, v] : answer.items()) j[k] = v;
    if (f.spec.threaded && a.result && a.OuterDiameter > 0) ++answered;
    threads.push_back(std::move(j));
  }
  rt::WriteFileAtomically((dir_ / kThreads).string(), threads.dump(2) + "\n");
  const auto threaded = std::count_if(holes_.begin(), holes_.end(),
                                      [](const holes::HoleFacts& f) { return f.spec.threaded; });
  sum_ << "4. thread queries (cavix threads --json) of " << threads.size() << " holes: "
       << answered << " of the " << threaded << " threaded holes report their thread, in "
       << kThreads << "\n";
}

void Demo::Export() {
  // The exports, as far as this build has them.
  sum_ << "5. exports (cavix export):\n";
  for (const char* out : {kStep, kStl, kSvg}) {
    if (!exporter::kWritesSolids && out != kSvg) {
      sum_ << "   " << out << " skipped: this build has no Open CASCADE\n";
      continue;
    }
    try {
      const exporter::ExportReport report =
          exporter::ExportModel(resized_->Model(), (dir_ / out).string(), kModel);
      if (volume_.empty() && report.solid.volume > 0) volume_ = Volume(report.solid.volume);
      sum_ << "   " << report.written << "\n";
    } catch (const std::exception& e) {
      Failed(std::string("export ") + out + ": " + ErrorLine(e));
      sum_ << "   FAILED: " << ErrorLine(e) << "\n";
    }
  }
}

void Demo::Table() {
  // The hole table, as CSV and as text.
  holes_ = exporter::HolesOf(resized_->Model());
  std::ostringstream csv, table;
  actions::WriteHoleCsv(holes_, csv);
  if (holes_.empty())
    table << "no holes in " << model_ << "\n";
  else
    actions::WriteHoleList(holes_, table);
  rt::WriteFileAtomically((dir_ / kHolesCsv).string(), csv.str());
  rt::WriteFileAtomically((dir_ / kHolesTxt).string(), table.str());
  sum_ << "6. hole table (cavix holes): " << kHolesCsv << " and " << kHolesTxt << "\n\n"
       << table.str() << "\n";
}

int Demo::Finish(std::chrono::steady_clock::time_point started) {
  sum_ << holes_.size() << " holes in the model, " << planned_ << " of "
       << std::size(kPlan) + circle_.size() << " as planned";
  if (!volume_.empty())
    sum_ << "; the part's volume with its holes cut is " << volume_ << " mm3 (block "
         << Num(kResized.x * kResized.y * kResized.z) << " mm3)";
  sum_ << ".\n";
  if (prefsNotWritten_)
    sum_ << "Dialog preferences could not be written to " << install_.prefsFile << " ("
         << prefsError_ << "); the holes were placed all the same.\n";
  else if (!prefsRestore_.empty())
    sum_ << "Dialog preferences " << install_.prefsFile
         << " could not be put back as they were: " << prefsRestore_ << "\n";
  else
    sum_ << "Dialog preferences " << install_.prefsFile << " are as they were before the demo.\n";

  sum_ << "\nFiles in " << dir_.string() << ":\n";
  const std::pair<const char*, const char*> files[] = {
      {kModel, "the model (cavix show, cavix edit)"},
      {kStep, "the part with its holes cut, for CAD tools"},
      {kStl, "the same part as a mesh, for viewers and printers"},
      {kSvg, "section drawing of every hole with its callout"},
      {kHolesCsv, "hole table, CSV"},
      {kHolesTxt, "hole table, text"},
      {kThreads, "what drawings are told about each thread"},
      {kSummary, "this summary"}};
  std::error_code ec;
  for (const auto& [name, what] : files) {
    std::string size = "(not written)";
    if (std::string(name) == kSummary)
      size = "";
    else if (fs::is_regular_file(dir_ / name, ec))
      size = std::to_string(fs::file_size(dir_ / name, ec)) + " bytes";
    std::string left = std::string("  ") + name;
    left.resize(16, ' ');
    size.resize(16, ' ');
    sum_ << left << size << what << "\n";
  }
  if (!failures_.empty()) {
    sum_ << "\n"
         << failures_.size() << (failures_.size() == 1 ? " step" : " steps") << " failed:\n";
    for (const std::string& f : failures_) sum_ << "  " << f << "\n";
  }
#if defined(CAVIX_WITH_OCCT) && defined(CAVIX_WITH_QT)
  // Where a user goes next: the same part, turned and drilled by hand.
  sum_ << "To see the part in 3D and drill it by hand: cavix open " << Printable(model_) << "\n";
#endif
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  char took[32];
  std::snprintf(took, sizeof took, "%.1f", seconds);
  sum_ << "Done in " << took << " s.\n";

  rt::WriteFileAtomically((dir_ / kSummary).string(), sum_.str());
  inv_.out << sum_.str();
  return failures_.empty() ? 0 : 1;
}

}  // namespace

int CmdDemo(Invocation& inv) {
  const auto started = std::chrono::steady_clock::now();
  const fs::path dir =
      fs::absolute(inv.args.empty() ? fs::path("cavix-demo") : fs::path(inv.args[0]));
  CheckDirectory(dir);
  InstallInfo install = ReadInstall(inv);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec)
    rt::Raise(kPathNotFound, "cannot create \"" + dir.string() + "\": " + ec.message(),
              "cavix demo");
  Demo demo(inv, dir, std::move(install));
  demo.NewModel();
  demo.DropHoles();
  demo.CheckPlan();
  demo.Resize();
  demo.QueryThreads();
  demo.Export();
  demo.Table();
  return demo.Finish(started);
}

}  // namespace cavix::app
