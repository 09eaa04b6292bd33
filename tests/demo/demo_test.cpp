// `cavix demo` and `cavix holes` run as users run them: the demo on the build tree's install and on
// private installs (preferences that cannot be written, folders it must not touch, a broken
// install), the README's examples as written, and the hole table of a small model and an empty one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/install.h"
#include "tests/support/shell.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;
using cavix::test::Slurp;
using cavix::test::TempDir;
using nlohmann::json;

using Result = cavix::test::ShellResult;
const auto Quote = cavix::test::ShellQuote;

// Runs a shell command line in `cwd` where "cavix " is the built program, with the registry and
// settings in the environment (default: the build tree's install). Open CASCADE's exit-time leaks
// are not ours (a sanitizer build reports them otherwise).
Result Shell(std::string line, const fs::path& cwd,
             const std::string& registry = CAVIX_TEST_REGISTRY,
             const std::string& settings = CAVIX_TEST_SETTINGS) {
  line.replace(line.find("cavix "), 5, Quote(CAVIX_EXE));
  const cavix::test::TempDir streams("cavix-demo-out-");
  return cavix::test::RunShell("cd " + Quote(cwd.string()) +
                                   " && export CAVIX_LOCALE=en_US CAVIX_REGISTRY=" +
                                   Quote(registry) + " CAVIX_SETTINGS=" + Quote(settings) +
                                   " LSAN_OPTIONS=suppressions=" +
                                   Quote(CAVIX_LSAN_SUPPRESSIONS) + " && " + line,
                               streams);
}

// CSV records as maps from the header's names. The demo's names need no quoting (quoting is the
// hole table's own test); every record must end in CR LF.
std::vector<std::map<std::string, std::string>> CsvRecords(const std::string& text) {
  EXPECT_TRUE(text.ends_with("\r\n")) << "last record without CR LF";
  std::vector<std::vector<std::string>> rows;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    rows.emplace_back(1);
    for (char c : text.substr(at, end - at)) {
      EXPECT_NE(c, '\n') << "bare LF line end";
      if (c == ',') rows.back().emplace_back();
      else rows.back().back().push_back(c);
    }
  }
  std::vector<std::map<std::string, std::string>> records;
  for (size_t r = 1; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].size(), rows[0].size()) << "record " << r;
    records.emplace_back();
    for (size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c)
      records.back()[rows[0][c]] = rows[r][c];
  }
  return records;
}

// What the demo leaves; the solids need Open CASCADE, and a build without it makes the rest.
const char* const kDemoFiles[] = {"model.cvx",  "sections.svg", "holes.csv",   "holes.txt",
                                  "threads.json", "summary.txt",
#ifdef CAVIX_WITH_OCCT
                                  "part.step",  "part.stl"
#endif
};

// A private install with its own registry file and settings, so that what the dialog writes there
// stays there.
struct PrivateInstall : TempDir {
  explicit PrivateInstall(const std::string& name) : TempDir("cavix-demo-" + name + "-") {
    cavix::testing::WriteInstall(path / "appl");
  }
  std::string Registry() const { return File("appl/cavix.reg"); }
  std::string Settings() const { return File("appl/settings.ini"); }
  // The user's own folders are the install's too.
  fs::path Prefs() const { return cavix::testing::UserPrefs(path); }
  Result Run(const std::string& args) const {
    return Shell(cavix::testing::UserFoldersEnv(path) + "cavix " + args, path, Registry(),
                 Settings());
  }
};

// ---- One whole demo on the build tree's install ----

// The default folder, from the working directory, with the registry of the environment: every
// file is made, each describes the same fifteen holes, and a second run into the same folder gives
// the same files and leaves the user's own alone. (That the demo leaves the user's preferences as
// they were is checked on a private install, below; how a resize regenerates holes is the hole
// commands' test.)
TEST(DemoRun, MakesEveryFileAndEachDescribesTheSameHoles) {
  const TempDir work("cavix-demo-run-");
  const fs::path dir = work.path / "cavix-demo";
  const Result run = Shell("cavix demo", work.path);
  ASSERT_EQ(run.status, 0) << run.out << run.err;

  for (const char* name : kDemoFiles) {
    ASSERT_TRUE(fs::is_regular_file(dir / name)) << name;
    EXPECT_GT(fs::file_size(dir / name), 0u) << name;
  }
  EXPECT_EQ(Slurp(dir / "summary.txt"), run.out);
  EXPECT_NE(run.out.find("15 holes in the model, 15 of 15 as planned"), std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find("FAILED"), std::string::npos) << run.out;

  EXPECT_NE(Shell("cavix show model.cvx", dir).out.find("size 100 x 60 x 40"), std::string::npos);
  // Its holes fit the part and keep clear of each other.
  const Result check = Shell("cavix check model.cvx", dir);
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_EQ(check.out, "no findings in model.cvx\n");

  // The CSV and text tables list the same holes (each on its own line of the text table, or among
  // the places of the holes alike).
  const auto records = CsvRecords(Slurp(dir / "holes.csv"));
  ASSERT_EQ(records.size(), 15u);
  const std::string table = Slurp(dir / "holes.txt");
  for (const auto& rec : records)
    EXPECT_NE(table.find("#" + rec.at("id") + " "), std::string::npos) << rec.at("name");

  // The eleven threaded holes report their thread; the section sheet is SVG naming every hole,
  // the bolt circle's six drawn once with their count.
  const json threads = json::parse(Slurp(dir / "threads.json"));
  ASSERT_EQ(threads.size(), 15u);
  const std::string svg = Slurp(dir / "sections.svg");
  int reported = 0;
  for (const json& t : threads) {
    if (t.at("result").get<bool>() && t.at("OuterDiameter").get<double>() > 0) ++reported;
    EXPECT_NE(svg.find(t.at("name").get<std::string>().substr(0, 6)), std::string::npos);
  }
  EXPECT_EQ(reported, 11);
  EXPECT_NE(svg.find("6× M4x0.7"), std::string::npos);
  EXPECT_NE(svg.find("Holes: 15 in 10 sections"), std::string::npos);

  // Again into its own folder: the same files, and a file of the user's own is left alone.
  const std::string csv = Slurp(dir / "holes.csv"), model = Slurp(dir / "model.cvx");
  std::ofstream(dir / "notes.txt") << "mine";
  const Result again = Shell("cavix demo " + Quote(dir.string()), work.path);
  ASSERT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_EQ(Slurp(dir / "holes.csv"), csv);
  EXPECT_EQ(Slurp(dir / "model.cvx"), model);
  EXPECT_EQ(Slurp(dir / "notes.txt"), "mine");
}

// ---- The demo on private installs ----

// The demo remembers nothing: a user's preferences (last used with the inch family) are put back,
// none are left when there were none, and preferences that cannot be written are reported while
// the demo completes.
TEST(DemoInstall, PreferencesAreRestoredOrReportedAndTheDemoCompletes) {
  const PrivateInstall install("prefs");
  ASSERT_EQ(install.Run("new m.json").status, 0);
  install.Write("unc.txt", "click TabNorme(1)\nclick OKButton\n");
  ASSERT_EQ(install.Run("drop m.json --script unc.txt").status, 0);
  ASSERT_TRUE(fs::is_regular_file(install.Prefs()));
  const std::string before = Slurp(install.Prefs());
  Result r = install.Run("demo out");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(Slurp(install.Prefs()), before);

  fs::remove_all(install.Prefs().parent_path());
  ASSERT_EQ(install.Run("demo out").status, 0);
  EXPECT_FALSE(fs::exists(install.Prefs().parent_path())) << "the folder the dialog made stays";

  // A folder where the preferences file should be: no write can replace it, even as root.
  fs::create_directories(install.Prefs());
  r = install.Run("demo out2");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Dialog preferences could not be written to"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("15 of 15 as planned"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::is_directory(install.Prefs()));
}

// A folder holding someone else's model, a file in place of the folder, a registry that is not
// there and a missing dialog script: each is named in the error and nothing is written.
TEST(DemoInstall, RefusesToStartWhereItWouldSpoilSomethingAndNamesWhy) {
  const PrivateInstall install("refuse");
  install.Write("work/model.cvx", "my model");
  install.Write("afile", "x");
  Result r = install.Run("demo work");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("model.cvx"), std::string::npos) << r.err;
  EXPECT_EQ(Slurp(install.path / "work" / "model.cvx"), "my model");
  EXPECT_FALSE(fs::exists(install.path / "work" / "part.step"));
  EXPECT_EQ(install.Run("demo afile").status, 1);
  EXPECT_EQ(Slurp(install.path / "afile"), "x");

  r = Shell("cavix demo out", install.path, install.File("nowhere.reg"), install.Settings());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nowhere.reg"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(install.path / "out"));

  fs::remove(install.path / "appl" / "scripts" / "demo_4_cbore_through.txt");
  r = install.Run("demo out");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("demo_4_cbore_through.txt"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(install.path / "out" / "model.cvx"));
}

// ---- The README's examples, as written ----

// A command line of the README, run in a private install whose application folder stands for the
// installed one.
Result RunReadmeLine(std::string line, const PrivateInstall& install) {
  for (size_t at; (at = line.find("/usr/local/share/cavix")) != std::string::npos;)
    line.replace(at, 22, install.File("appl"));
  return Shell(cavix::testing::UserFoldersEnv(install.path) + line, install.path,
               install.Registry(), install.Settings());
}

TEST(Readme, EveryCommandExampleWorksAsWritten) {
  const std::string readme = Slurp(fs::path(CAVIX_SOURCE_DIR) / "README.md");
  ASSERT_FALSE(readme.empty());
  const PrivateInstall install("readme");
  // The fenced code blocks, in order; the scripts the examples name are two of them.
  std::vector<std::string> blocks;
  std::istringstream in(readme);
  bool inside = false;
  int run = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("```", 0) == 0) {
      if (!inside) blocks.emplace_back();
      inside = !inside;
    } else if (inside) {
      blocks.back() += line + "\n";
    }
  }
  for (const std::string& b : blocks) {
    if (b.rfind("check TogglePassante 0", 0) == 0) install.Write("to-blind.txt", b);
    if (b.rfind("# M8 tapped blind hole", 0) == 0) install.Write("my-hole.txt", b);
  }
  ASSERT_TRUE(fs::exists(install.path / "to-blind.txt"));
  ASSERT_TRUE(fs::exists(install.path / "my-hole.txt"));

  // The command table, row by row, in order: each example's last backquoted cell.
  std::istringstream table(readme);
  for (std::string line; std::getline(table, line);) {
    if (line.rfind("| `", 0) != 0) continue;
    const size_t close = line.rfind('`');
    const size_t open = line.rfind('`', close - 1);
    const std::string example = line.substr(open + 1, close - open - 1);
    if (example.rfind("cavix ", 0) != 0) continue;
    if (example.rfind("cavix open ", 0) == 0) continue;  // the window waits for its user
    const Result r = RunReadmeLine(example, install);
#ifndef CAVIX_WITH_OCCT
    // Without Open CASCADE the solid exports refuse, saying why; everything else works.
    if (example.find(".step") != std::string::npos) {
      EXPECT_NE(r.err.find("no Open CASCADE"), std::string::npos) << example << "\n" << r.err;
      ++run;
      continue;
    }
#endif
    EXPECT_EQ(r.status, 0) << example << "\n" << r.err;
    ++run;
  }
  EXPECT_EQ(run, 16);
  for (const char* made : {"holes.csv", "cavix-demo/summary.txt"})
    EXPECT_TRUE(fs::is_regular_file(install.path / made)) << made;
#ifdef CAVIX_WITH_OCCT
  EXPECT_TRUE(fs::is_regular_file(install.path / "part.step"));
#endif

  for (const std::string& b : blocks) {
    // The regional example drops the script of the dialog script section.
    if (b.rfind("CAVIX_LOCALE=de_DE cavix drop", 0) == 0) {
      const std::string cmd = b.substr(0, b.find("  #"));
      const Result r = RunReadmeLine(cmd, install);
      EXPECT_EQ(r.status, 0) << cmd << "\n" << r.err;
      EXPECT_NE(r.err.find("placed"), std::string::npos) << r.err;
    }
    // The model file example is a model.
    if (b.find("\"cavix-model\"") != std::string::npos) {
      install.Write("small.json", b);
      const Result r = install.Run("show small.json");
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_NE(r.out.find("size 80 x 50 x 15"), std::string::npos) << r.out;
    }
  }
}

// ---- cavix holes on a small model ----

// A tapped blind counterbore on the top face and a tapped through hole in a side face, in the text
// table (the CSV's cells are the hole table's test), and the tables of an empty model.
TEST(HolesCommand, TablesOfASmallModelAndOfAnEmptyOne) {
  const PrivateInstall install("holes");
  ASSERT_EQ(install.Run("new m.json").status, 0);
  // The last: four plain holes alike, in one drop.
  for (const auto& [where, script] : std::vector<std::pair<std::string, std::string>>{
           {"--at 20,30,20", "demo_3_cbore_threaded_blind"},
           {"--normal 0,1,0 --at 70,0,10", "demo_2_plain_threaded_through"},
           {"--at 50,30,20 --grid 2,2,10,10", "demo_1_plain_blind"}})
    ASSERT_EQ(install.Run("drop m.json " + where + " --script " +
                          Quote(install.File("appl/scripts/" + script + ".txt")))
                  .status,
              0)
        << script;

  const Result text = install.Run("holes m.json");
  ASSERT_EQ(text.status, 0) << text.err;
  std::vector<std::string> lines;
  std::istringstream in(text.out);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  // Header, rule, three kinds of hole, then the four places of the grid's kind, and the note.
  ASSERT_EQ(lines.size(), 5u + 2 + 4 + 1) << text.out;
  // Through a side face: the part's depth along its axis, 60. A tapped hole is drilled at D - P.
  for (const auto& [line, part] : std::vector<std::pair<int, std::string>>{
           {2, "HoleCBore"}, {2, " 1\u00d7 "}, {2, " 6.75 "}, {2, "10 \u00d7 P1.25"},
           {2, "\u2334 \u2300"}, {2, "blind 118\u00b0"}, {3, "THRU"}, {3, "60 \u00d7 P1"},
           {3, " 0, 1, 0 "}, {4, " 4\u00d7 "}, {4, "4 places"}, {7, "  45, 25, 20"},
           {10, "  55, 35, 20"}})
    EXPECT_NE(lines[line].find(part), std::string::npos) << part << " in " << lines[line];
  EXPECT_TRUE(lines[3].ends_with(" 70, 0, 10")) << lines[3];
  EXPECT_NE(lines[2].find(" 0, 0, -1 "), std::string::npos) << "no --normal: down, " << lines[2];
  ASSERT_EQ(install.Run("new e.json").status, 0);
  const Result empty = install.Run("holes e.json --csv");
  EXPECT_EQ(empty.out.find("\r\n"), empty.out.size() - 2) << "a header alone: " << empty.out;
  EXPECT_NE(install.Run("holes e.json").out.find("no holes"), std::string::npos);
}

}  // namespace
