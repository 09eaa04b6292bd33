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
constexpr const char* kModel = "model.json";
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
// the block grows in z.
struct PlannedCircle {
  const char* script;
  scene::Vec3 centre, normal;
  int count;
  double radius, startDegrees;
  const char* progId;
  bool threaded, through;
};
constexpr PlannedCircle kCircle{"demo_10_bolt_circle.txt", {50, 60, 15}, {0, -1, 0}, 6, 9, 90,
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
  std::string registry, applDir, prefsFile;
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
    info.prefsFile = config::ReadFamilyPaths(registry, 0).prefsFile;
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
// user had, so that it changes none of the user's files outside DIR.
class PrefsKeeper {
 public:
  explicit PrefsKeeper(std::string builtPath) : native_(rt::NativePath(builtPath)) {
    std::error_code ec;
    had_ = fs::is_regular_file(native_, ec);
    if (had_) saved_ = ReadAll(native_, "preferences file");
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
    } catch (const rt::Error& e) {
      return e.Description();
    }
    return {};
  }

 private:
  std::string native_;
  bool had_ = false;
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

// Holes as `cavix drop` places them: the model read, the holes dropped at `placements` and made
// by the script, the model saved. Returns the placed holes as the summary names them; throws what
// the drop threw.
std::string DropAt(const Invocation& inv, const std::string& model,
                   const std::vector<actions::Placement>& placements, const fs::path& script,
                   std::vector<forms::Message>& messages) {
  auto workspace = OpenModel(inv, model);
  std::ostringstream out, diag;
  actions::DialogPlayer player(forms::LoadScript(script.string()), out, diag);
  const actions::DialogOutcome done = actions::Drop(*workspace, placements, player);
  messages = player.Messages();
  if (!done.shown)
    return "cavix drop: the drop was refused; " + model + " is unchanged";
  if (!workspace->Changed()) return "cavix drop: nothing placed; " + model + " is unchanged";
  workspace->Save();
  if (done.holes.empty()) return {};
  const scene::Shape& first = *done.holes.front();
  const host::ClassInfo* info = workspace->Model().FindClassByTag(first.BindingTag());
  std::string placed = first.Describe();
  if (done.holes.size() > 1)
    placed = std::to_string(done.holes.size()) + " holes #" + std::to_string(first.Id()) +
             " to #" + std::to_string(done.holes.back()->Id()) + " \"" + first.Name() + "\"";
  return placed + " (" + (info ? info->progId : std::string("no class")) + ")";
}

// Whether the hole `f` is the one placed at `p`, and made as planned.
bool Placed(const holes::HoleFacts& f, const actions::Placement& p) {
  return f.position == std::array<double, 3>{p.position.x, p.position.y, p.position.z} &&
         f.axis == std::array<double, 3>{p.normal.x, p.normal.y, p.normal.z};
}
bool Made(const holes::HoleFacts& f, const char* progId, bool threaded, bool through) {
  return f.boundClass == progId && f.spec.threaded == threaded && f.spec.through == through;
}

std::string Volume(const std::string& report) {
  const auto at = report.find("volume ");
  if (at == std::string::npos) return {};
  const auto end = report.find(" mm3", at);
  return end == std::string::npos ? std::string() : report.substr(at + 7, end - at - 7);
}

}  // namespace

int CmdDemo(Invocation& inv) {
  const auto started = std::chrono::steady_clock::now();
  const fs::path dir =
      fs::absolute(inv.args.empty() ? fs::path("cavix-demo") : fs::path(inv.args[0]));
  CheckDirectory(dir);
  const InstallInfo install = ReadInstall(inv);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec)
    rt::Raise(kPathNotFound, "cannot create \"" + dir.string() + "\": " + ec.message(),
              "cavix demo");

  const std::string model = (dir / kModel).string();
  std::ostringstream sum;  // the summary, printed and kept in DIR
  std::vector<std::string> failures;
  sum << kSummaryFirstLine << " in " << dir.string() << "\n";
  sum << "  registry " << install.registry << "\n  ApplDir  " << install.applDir << "\n  scripts  "
      << install.scripts.string() << "\n\n";

  // A previous demo's model is replaced: the demo starts from a new part every time. A model that
  // cannot be written ends the demo with the writer's own words, which name the file.
  scene::SaveModel(*scene::Scene::NewModel(kBlock), model);
  sum << "1. new model " << kModel << ": block " << Triple(kBlock, " x ") << " mm\n";

  // The holes, each dropped and placed by its dialog script.
  const PrefsKeeper prefs(install.prefsFile);
  bool prefsNotWritten = false;
  std::string prefsError;
  std::vector<std::string> otherMessages;
  std::vector<std::string> failedDrops;
  sum << "2. holes dropped and placed by dialog scripts (cavix drop --script):\n";
  for (const PlannedHole& h : kPlan) {
    std::vector<forms::Message> shown;
    std::string placed;
    bool failed = false;
    try {
      placed = DropAt(inv, model, {{h.at, h.normal}}, install.scripts / h.script, shown);
      failed = placed.rfind("cavix drop: the drop was refused", 0) == 0;
    } catch (const std::exception& e) {
      placed = ErrorLine(e);
      failed = true;
    }
    Messages(shown, prefsNotWritten, prefsError, otherMessages);
    if (failed) {
      failedDrops.push_back(h.script);
      failures.push_back(std::string(h.script) + ": " + placed);
      sum << "   " << h.script << " FAILED: " << placed << "\n";
    } else {
      sum << "   " << h.script << " at (" << Triple(h.at, ", ") << ") axis ("
          << Triple(h.normal, ", ") << "): " << placed << "\n";
    }
  }
  // One pattern: a bolt circle, placed by one drop and one dialog.
  const std::vector<actions::Placement> circle = actions::CirclePattern(
      {kCircle.centre, kCircle.normal}, kCircle.count, kCircle.radius, kCircle.startDegrees);
  {
    std::vector<forms::Message> shown;
    std::string placed;
    try {
      placed = DropAt(inv, model, circle, install.scripts / kCircle.script, shown);
    } catch (const std::exception& e) {
      placed = "FAILED: " + ErrorLine(e);
      failures.push_back(std::string(kCircle.script) + ": " + ErrorLine(e));
    }
    Messages(shown, prefsNotWritten, prefsError, otherMessages);
    sum << "   " << kCircle.script << ", a bolt circle of " << kCircle.count << " about ("
        << Triple(kCircle.centre, ", ") << ") radius " << Num(kCircle.radius) << " axis ("
        << Triple(kCircle.normal, ", ") << ") in one drop: " << placed << "\n";
  }
  const std::string prefsRestore = prefs.Restore();

  // Each hole as planned: class, thread and through flags, from the saved model.
  std::vector<holes::HoleFacts> rows = exporter::HolesOf(OpenModel(inv, model)->Model());
  size_t planned = 0;
  for (const PlannedHole& h : kPlan) {
    bool found = false;
    for (const holes::HoleFacts& row : rows)
      if (Placed(row, {h.at, h.normal})) {
        found = true;
        if (!Made(row, h.progId, h.threaded, h.through))
          failures.push_back(std::string(h.script) + ": came out as " + row.boundClass +
                             (row.spec.threaded ? " threaded" : " plain") +
                             (row.spec.through ? " through" : " blind"));
        else
          ++planned;
      }
    if (!found && std::find(failedDrops.begin(), failedDrops.end(), h.script) == failedDrops.end())
      failures.push_back(std::string(h.script) + ": no hole placed");
  }
  for (const actions::Placement& p : circle) {
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const holes::HoleFacts& r) { return Placed(r, p); });
    if (row != rows.end() && Made(*row, kCircle.progId, kCircle.threaded, kCircle.through))
      ++planned;
    else
      failures.push_back(std::string(kCircle.script) + ": no hole as planned at (" +
                         Triple(p.position, ", ") + ")");
  }
  for (const std::string& m : otherMessages) sum << "   message " << m << "\n";

  // The part grows; the host regenerates its holes and the through holes follow.
  size_t regenerated = 0;
  try {
    auto workspace = OpenModel(inv, model);
    regenerated = actions::ResizeBlock(workspace->Model(), kResized).size();
    workspace->Save();
  } catch (const std::exception& e) {
    failures.push_back("resize: " + ErrorLine(e));
  }
  sum << "3. part resized to " << Triple(kResized, " x ") << " mm (cavix resize): " << regenerated
      << " holes regenerated, the through holes now " << Num(kResized.z) << " deep\n";

  // What a drawing view asks each hole about its thread.
  nlohmann::ordered_json threads = nlohmann::ordered_json::array();
  int answered = 0;
  auto resized = OpenModel(inv, model);
  for (const holes::HoleFacts& row : rows) {
    nlohmann::ordered_json j;
    try {
      scene::Shape& shape = resized->Model().ResolveShape("#" + std::to_string(row.id));
      j["id"] = row.id;
      j["name"] = row.name;
      const nlohmann::ordered_json answer =
          actions::ThreadJson(actions::QueryThread(resized->Model(), shape));
      for (const auto& [k, v] : answer.items()) j[k] = v;
    } catch (const std::exception& e) {
      failures.push_back("threads #" + std::to_string(row.id) + ": " + ErrorLine(e));
      continue;
    }
    if (row.spec.threaded && j.value("result", false) && j.value("OuterDiameter", 0.0) > 0) ++answered;
    threads.push_back(std::move(j));
  }
  rt::WriteFileAtomically((dir / kThreads).string(), threads.dump(2) + "\n");
  const auto threadedCount = std::count_if(rows.begin(), rows.end(),
                                           [](const holes::HoleFacts& h) { return h.spec.threaded; });
  sum << "4. thread queries (cavix threads --json) of " << threads.size() << " holes: " << answered
      << " of the " << threadedCount << " threaded holes report their thread, in " << kThreads
      << "\n";

  // The exports, as far as this build has them.
  sum << "5. exports (cavix export):\n";
  std::string volume;
  for (const char* out : {kStep, kStl, kSvg}) {
    std::string what;
    bool ok = true;
    try {
      for (const std::string& line :
           exporter::ExportModel(resized->Model(), (dir / out).string(), kModel))
        if (line.rfind("warning: ", 0) != 0) what += (what.empty() ? "" : "\n") + line;
    } catch (const std::exception& e) {
      ok = false;
      what = ErrorLine(e);
    }
    if (!ok && what.find("no Open CASCADE") != std::string::npos) {
      sum << "   " << out << " skipped: this build has no Open CASCADE\n";
      continue;
    }
    if (!ok) failures.push_back(std::string("export ") + out + ": " + what);
    if (volume.empty()) volume = Volume(what);
    sum << "   " << (ok ? "" : "FAILED: ") << what << "\n";
  }

  // The hole table, as CSV and as text.
  rows = exporter::HolesOf(resized->Model());
  std::ostringstream csv, table;
  actions::WriteHoleCsv(rows, csv);
  if (rows.empty())
    table << "no holes in " << model << "\n";
  else
    actions::WriteHoleList(rows, table);
  rt::WriteFileAtomically((dir / kHolesCsv).string(), csv.str());
  rt::WriteFileAtomically((dir / kHolesTxt).string(), table.str());
  sum << "6. hole table (cavix holes): " << kHolesCsv << " and " << kHolesTxt << "\n\n"
      << table.str() << "\n";

  sum << rows.size() << " holes in the model, " << planned << " of "
      << std::size(kPlan) + circle.size() << " as planned";
  if (!volume.empty())
    sum << "; the part's volume with its holes cut is " << volume << " mm3 (block "
        << Num(kResized.x * kResized.y * kResized.z) << " mm3)";
  sum << ".\n";
  if (prefsNotWritten)
    sum << "Dialog preferences could not be written to " << install.prefsFile << " (" << prefsError
        << "); the holes were placed all the same.\n";
  else if (!prefsRestore.empty())
    sum << "Dialog preferences " << install.prefsFile
        << " could not be put back as they were: " << prefsRestore << "\n";
  else
    sum << "Dialog preferences " << install.prefsFile << " are as they were before the demo.\n";

  sum << "\nFiles in " << dir.string() << ":\n";
  const std::pair<const char*, const char*> files[] = {
      {kModel, "the model (cavix show, cavix edit)"},
      {kStep, "the part with its holes cut, for CAD tools"},
      {kStl, "the same part as a mesh, for viewers and printers"},
      {kSvg, "section drawing of every hole with its callout"},
      {kHolesCsv, "hole table, CSV"},
      {kHolesTxt, "hole table, text"},
      {kThreads, "what drawings are told about each thread"},
      {kSummary, "this summary"}};
  for (const auto& [name, what] : files) {
    std::string size = "(not written)";
    if (std::string(name) == kSummary)
      size = "";
    else if (fs::is_regular_file(dir / name, ec))
      size = std::to_string(fs::file_size(dir / name, ec)) + " bytes";
    std::string left = std::string("  ") + name;
    left.resize(16, ' ');
    std::string mid = size;
    mid.resize(16, ' ');
    sum << left << mid << what << "\n";
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  char took[32];
  std::snprintf(took, sizeof took, "%.1f", seconds);
  if (!failures.empty()) {
    sum << "\n" << failures.size() << (failures.size() == 1 ? " step" : " steps") << " failed:\n";
    for (const std::string& f : failures) sum << "  " << f << "\n";
  }
#if defined(CAVIX_WITH_OCCT) && defined(CAVIX_WITH_QT)
  // Where a user goes next: the same part, turned and drilled by hand.
  sum << "To see the part in 3D and drill it by hand: cavix open "
      << Printable(model) << "\n";
#endif
  sum << "Done in " << took << " s.\n";

  rt::WriteFileAtomically((dir / kSummary).string(), sum.str());
  inv.out << sum.str();
  return failures.empty() ? 0 : 1;
}

}  // namespace cavix::app
