// `cavix demo` and `cavix holes` run as users run them: the demo on the build tree's install and on
// private installs (preferences that cannot be written, folders it must not touch, a broken
// install), and the hole table on small models in text and CSV.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

#ifdef CAVIX_TEST_HAVE_QT
#include <QString>
#include <QXmlStreamReader>
#endif

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Result {
  int status = -1;
  std::string out, err;
};

using cavix::test::Slurp;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the built cavix in `cwd` with the given registry and settings (none: the environment's).
Result Cavix(const std::string& args, const fs::path& cwd, const std::string& registry = {},
             const std::string& settings = {}) {
  static int counter = 0;
  const fs::path out = fs::temp_directory_path() / ("cavix-demo-out-" + std::to_string(::getpid()) +
                                                    "-" + std::to_string(++counter));
  // The build tree's install unless a registry is named; Open CASCADE's exit-time leaks are
  // not ours (a sanitizer build reports them otherwise).
  std::string cmd = "cd " + Quote(cwd.string()) +
                    " && CAVIX_LOCALE=en_US CAVIX_REGISTRY=" + Quote(CAVIX_TEST_REGISTRY) +
                    " CAVIX_SETTINGS=" + Quote(CAVIX_TEST_SETTINGS) +
                    " LSAN_OPTIONS=suppressions=" + Quote(CAVIX_LSAN_SUPPRESSIONS) + " " +
                    Quote(CAVIX_EXE) + " " + args;
  if (!registry.empty()) cmd += " --registry " + Quote(registry);
  if (!settings.empty()) cmd += " --settings " + Quote(settings);
  cmd += " >" + Quote(out.string() + ".o") + " 2>" + Quote(out.string() + ".e");
  Result r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = Slurp(out.string() + ".o");
  r.err = Slurp(out.string() + ".e");
  fs::remove(out.string() + ".o");
  fs::remove(out.string() + ".e");
  return r;
}

fs::path FreshDir(const std::string& what) {
  const fs::path d =
      fs::temp_directory_path() / ("cavix-demo-test-" + std::to_string(::getpid()) + "-" + what);
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

// RFC 4180 records: quoted fields may hold commas, doubled quotes and line breaks. A malformed
// quote fails the test.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  size_t i = 0;
  bool fieldStarted = false;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' && field.empty() && !fieldStarted) {
      ++i;
      for (;;) {
        if (i >= text.size()) {
          ADD_FAILURE() << "unterminated quoted field";
          return rows;
        }
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
      fieldStarted = true;
      if (i < text.size() && text[i] != ',' && text[i] != '\r') {
        ADD_FAILURE() << "text after a closing quote at " << i;
        return rows;
      }
      continue;
    }
    if (c == ',') {
      row.push_back(field);
      field.clear();
      fieldStarted = false;
      ++i;
    } else if (c == '\r') {
      EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "CR without LF at " << i;
      row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
      fieldStarted = false;
      i += 2;
    } else {
      EXPECT_NE(c, '\n') << "bare LF line end at " << i;
      field += c;
      fieldStarted = true;
      ++i;
    }
  }
  EXPECT_TRUE(row.empty() && field.empty()) << "last record without CR LF";
  return rows;
}

// CSV rows as maps from the header's names.
std::vector<std::map<std::string, std::string>> CsvRecords(const std::string& text) {
  const auto rows = ParseCsv(text);
  std::vector<std::map<std::string, std::string>> out;
  if (rows.empty()) return out;
  for (size_t r = 1; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].size(), rows[0].size()) << "record " << r;
    std::map<std::string, std::string> m;
    for (size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c) m[rows[0][c]] = rows[r][c];
    out.push_back(m);
  }
  return out;
}

double Var(const json& shape, const std::string& key) {
  return shape.at("components").at("34").at(0).at("vars").at(key).at("v").get<double>();
}
std::string Text(const json& shape, const std::string& key) {
  return shape.at("components").at("34").at(0).at("vars").at(key).at("v").get<std::string>();
}
double Lowest(const json& shape) {
  double lowest = 0;
  for (const auto& chain : shape.at("profile"))
    for (const auto& p : chain) lowest = std::min(lowest, p.at(1).get<double>());
  return lowest;
}

std::vector<json> HoleShapes(const fs::path& model, const fs::path& cwd) {
  const Result r = Cavix("show " + Quote(model.string()) + " --json", cwd);
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<json> holes;
  for (const json& s : json::parse(r.out))
    if (s.at("components").contains("34")) holes.push_back(s);
  return holes;
}

const char* const kDemoFiles[] = {"model.json", "part.step", "part.stl",     "sections.svg",
                                  "holes.csv",  "holes.txt", "threads.json", "summary.txt"};

// A private install: a copy of the build tree's application folder with its own registry file
// and settings, so that what the dialog writes there stays there.
struct PrivateInstall {
  fs::path dir;
  explicit PrivateInstall(const std::string& name) : dir(FreshDir(name)) {
    const fs::path appl = dir / "appl";
    fs::create_directories(appl);
    for (const char* sub : {"Standards", "Images", "scripts"})
      fs::copy(fs::path(CAVIX_TEST_DATA_DIR) / sub, appl / sub, fs::copy_options::recursive);
    std::ofstream(Registry())
        << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\r\n"
        << "\"ApplDir\"=\"" << appl.string() << "\"\r\n\"Language\"=\"English\"\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox\\Cavix]\r\n"
        << "\"Norme#0\"=\"ISO\"\r\n\"Norme Dir#0\"=\"\\\\Standards\\\\ISO\\\\\"\r\n"
        << "\"Norme#1\"=\"UNC/UNF\"\r\n\"Norme Dir#1\"=\"\\\\Standards\\\\UNC\\\\\"\r\n"
        << "\"Data#0\"=\"Tab\\\\\"\r\n\"File INI#0\"=\"Cavix.ini\"\r\n"
        << "\"File Prefs\"=\"\\\\Cavix.prf\"\r\n";
    std::ofstream(Settings()) << "[Directories]\r\nThreadFile=" << appl.string()
                              << "\\Images\\\r\n";
  }
  ~PrivateInstall() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string Registry() const { return (dir / "appl" / "cavix.reg").string(); }
  std::string Settings() const { return (dir / "appl" / "settings.ini").string(); }
  fs::path Prefs() const { return dir / "appl" / "Cavix.prf"; }
  Result Run(const std::string& args) const { return Cavix(args, dir, Registry(), Settings()); }
};

// ---- The demo on the build tree's install, run once for the whole suite ----

class DemoRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new fs::path(FreshDir("run"));
    const fs::path prefs = fs::path(CAVIX_TEST_DATA_DIR) / "Cavix.prf";
    prefsBefore_ = new std::string(fs::exists(prefs) ? Slurp(prefs) : std::string("(none)"));
    // The default folder, from the working directory, with the registry of the environment.
    first_ = new Result(Cavix("demo", *work_));
    prefsAfter_ = new std::string(fs::exists(prefs) ? Slurp(prefs) : std::string("(none)"));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*work_);
    delete work_;
    delete first_;
    delete prefsBefore_;
    delete prefsAfter_;
  }
  static fs::path Dir() { return *work_ / "cavix-demo"; }

  static fs::path* work_;
  static Result* first_;
  static std::string* prefsBefore_;
  static std::string* prefsAfter_;
};
fs::path* DemoRun::work_ = nullptr;
Result* DemoRun::first_ = nullptr;
std::string* DemoRun::prefsBefore_ = nullptr;
std::string* DemoRun::prefsAfter_ = nullptr;

TEST_F(DemoRun, MakesEveryFileAndSaysWhatAndWhere) {
  ASSERT_EQ(first_->status, 0) << first_->out << first_->err;
  for (const char* name : kDemoFiles) {
    ASSERT_TRUE(fs::is_regular_file(Dir() / name)) << name;
    EXPECT_GT(fs::file_size(Dir() / name), 0u) << name;
    if (std::string(name) != "summary.txt") {
      EXPECT_NE(first_->out.find(name), std::string::npos) << "summary does not name " << name;
    }
  }
  EXPECT_EQ(Slurp(Dir() / "summary.txt"), first_->out);
  EXPECT_NE(first_->out.find(Dir().string()), std::string::npos);
  EXPECT_NE(first_->out.find("9 holes in the model, 9 of 9 as planned"), std::string::npos)
      << first_->out;
  EXPECT_NE(first_->out.find("volume"), std::string::npos);
  EXPECT_EQ(first_->out.find("FAILED"), std::string::npos) << first_->out;
  // The user's dialog preferences are as they were.
  EXPECT_EQ(*prefsBefore_, *prefsAfter_);
  EXPECT_NE(first_->out.find("as they were before the demo"), std::string::npos);
}

TEST_F(DemoRun, ModelHasOneHoleOfEachKindThreadedAndPlainBlindAndThrough) {
  const std::vector<json> holes = HoleShapes(Dir() / "model.json", Dir());
  ASSERT_EQ(holes.size(), 9u);
  std::set<std::string> kinds;
  for (const json& h : holes) {
    const std::string cls = h.at("class");
    const bool threaded = Var(h, "1:6") == 1, through = Var(h, "1:7") == 1;
    kinds.insert(cls + (threaded ? " threaded" : " plain"));
    kinds.insert(cls + (through ? " through" : " blind"));
    EXPECT_EQ(Text(h, "2:1"), cls.substr(6)) << h.at("name");
    if (through) {
      // Regenerated after the resize: through the new thickness, and nothing deeper.
      EXPECT_NEAR(Lowest(h), -40, 1e-9) << h.at("name");
    } else {
      // Blind holes stay inside the part, before the resize too.
      EXPECT_GT(Lowest(h), -30) << h.at("name");
    }
  }
  for (const char* cls :
       {"Cavix.HoleSimple", "Cavix.HoleCBore", "Cavix.HoleCSink", "Cavix.HoleCDrill"})
    for (const char* state : {" threaded", " plain", " through", " blind"})
      EXPECT_TRUE(kinds.count(std::string(cls) + state)) << cls << state;
  // One hole goes into a side face.
  EXPECT_EQ(std::count_if(holes.begin(), holes.end(),
                          [](const json& h) { return h.at("normal")[0].get<double>() == 1; }),
            1);
  // The block was resized.
  const Result shown = Cavix("show model.json", Dir());
  EXPECT_NE(shown.out.find("size 100 x 60 x 40"), std::string::npos) << shown.out;
}

TEST_F(DemoRun, CsvParsesAndMatchesTheModel) {
  const auto records = CsvRecords(Slurp(Dir() / "holes.csv"));
  const std::vector<json> holes = HoleShapes(Dir() / "model.json", Dir());
  ASSERT_EQ(records.size(), holes.size());
  for (size_t i = 0; i < holes.size(); ++i) {
    const auto& rec = records[i];
    const json& h = holes[i];
    SCOPED_TRACE(h.at("name").get<std::string>());
    EXPECT_EQ(rec.at("id"), std::to_string(h.at("id").get<int>()));
    EXPECT_EQ(rec.at("name"), h.at("name"));
    EXPECT_EQ(rec.at("class"), h.at("class"));
    EXPECT_EQ(rec.at("standard"), Text(h, "2:13"));
    EXPECT_EQ(rec.at("size"), Text(h, "2:14"));
    EXPECT_DOUBLE_EQ(std::stod(rec.at("diameter")), Var(h, "1:10"));
    EXPECT_EQ(rec.at("threaded"), Var(h, "1:6") == 1 ? "yes" : "no");
    EXPECT_EQ(rec.at("through"), Var(h, "1:7") == 1 ? "yes" : "no");
    for (int k = 0; k < 3; ++k) {
      EXPECT_DOUBLE_EQ(std::stod(rec.at(std::string(1, "xyz"[k]))),
                       h.at("position")[k].get<double>());
      EXPECT_DOUBLE_EQ(std::stod(rec.at(std::string("n") + "xyz"[k])),
                       h.at("normal")[k].get<double>());
    }
    if (rec.at("threaded") == "yes") {
      EXPECT_DOUBLE_EQ(std::stod(rec.at("thread_length")), Var(h, "1:11"));
      EXPECT_DOUBLE_EQ(std::stod(rec.at("pitch")), Var(h, "1:12"));
    } else {
      EXPECT_EQ(rec.at("thread_length"), "");
      EXPECT_DOUBLE_EQ(std::stod(rec.at("length")), Var(h, "1:11"));
    }
    // The bore's length: what is left of the part's thickness under the recess of a through hole.
    if (rec.at("through") == "yes" && rec.at("recess") == "counterbore") {
      EXPECT_NEAR(std::stod(rec.at("length")) + std::stod(rec.at("recess_depth")), 40, 1e-9);
    }
    const std::string cls = rec.at("class");
    const std::string recess = cls == "Cavix.HoleCBore"    ? "counterbore"
                               : cls == "Cavix.HoleCSink"  ? "countersink"
                               : cls == "Cavix.HoleCDrill" ? "counterdrill"
                                                           : "";
    EXPECT_EQ(rec.at("recess"), recess);
    if (!recess.empty()) {
      EXPECT_DOUBLE_EQ(std::stod(rec.at("recess_diameter")), Var(h, "1:16"));
    }
  }
  // The text table lists the same holes.
  const std::string text = Slurp(Dir() / "holes.txt");
  for (const json& h : holes)
    EXPECT_NE(text.find("#" + std::to_string(h.at("id").get<int>()) + " " +
                        h.at("name").get<std::string>()),
              std::string::npos);
}

TEST_F(DemoRun, ThreadsAndSectionSheetDescribeEveryHole) {
  const json threads = json::parse(Slurp(Dir() / "threads.json"));
  ASSERT_EQ(threads.size(), 9u);
  int reported = 0;
  for (const json& t : threads) {
    ASSERT_TRUE(t.contains("OuterDiameter") && t.contains("ProjectionFlags")) << t.dump();
    if (t.at("result").get<bool>() && t.at("OuterDiameter").get<double>() > 0) ++reported;
  }
  EXPECT_EQ(reported, 5);  // the five threaded holes

  const std::string svg = Slurp(Dir() / "sections.svg");
#ifdef CAVIX_TEST_HAVE_QT
  QXmlStreamReader xml(QString::fromStdString(svg));
  int elements = 0;
  std::string root;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && elements++ == 0) root = xml.name().toString().toStdString();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(root, "svg");
  EXPECT_GT(elements, 50);
#endif
  for (const json& t : threads)
    EXPECT_NE(svg.find(t.at("name").get<std::string>().substr(0, 6)), std::string::npos);
}

TEST_F(DemoRun, RunsAgainIntoItsOwnFolderWithTheSameResult) {
  const std::string csv = Slurp(Dir() / "holes.csv"), model = Slurp(Dir() / "model.json");
  std::ofstream(Dir() / "notes.txt") << "mine";
  const Result again = Cavix("demo " + Quote(Dir().string()), *work_);
  ASSERT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_EQ(Slurp(Dir() / "holes.csv"), csv);
  EXPECT_EQ(Slurp(Dir() / "model.json"), model);
  EXPECT_EQ(Slurp(Dir() / "notes.txt"), "mine");
}

// ---- The demo on private installs ----

TEST(DemoInstall, PreferencesThatCannotBeWrittenAreReportedAndTheDemoCompletes) {
  const PrivateInstall install("readonly");
  // A folder where the preferences file should be: no write can replace it, even as root.
  fs::create_directories(install.Prefs());
  const Result r = install.Run("demo out");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Dialog preferences could not be written to"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("9 of 9 as planned"), std::string::npos) << r.out;
  for (const char* name : kDemoFiles) EXPECT_TRUE(fs::is_regular_file(install.dir / "out" / name));
  EXPECT_TRUE(fs::is_directory(install.Prefs()));
}

TEST(DemoInstall, RemembersNothingAndRestoresTheUsersPreferences) {
  const PrivateInstall install("prefs");
  // Preferences of a user who last used the inch family: the demo's holes are metric all the same.
  const Result first = install.Run("new m.json");
  ASSERT_EQ(first.status, 0) << first.err;
  std::ofstream(install.dir / "unc.txt") << "click TabNorme(1)\nclick OKButton\n";
  ASSERT_EQ(install.Run("drop m.json --script unc.txt").status, 0);
  ASSERT_TRUE(fs::is_regular_file(install.Prefs()));
  const std::string before = Slurp(install.Prefs());

  const Result r = install.Run("demo out");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("9 of 9 as planned"), std::string::npos) << r.out;
  EXPECT_EQ(Slurp(install.Prefs()), before);

  // Without preferences before, none after.
  fs::remove(install.Prefs());
  ASSERT_EQ(install.Run("demo out").status, 0);
  EXPECT_FALSE(fs::exists(install.Prefs()));
}

TEST(DemoInstall, LeavesAFolderWithSomeoneElsesFilesAlone) {
  const PrivateInstall install("clash");
  fs::create_directories(install.dir / "work");
  std::ofstream(install.dir / "work" / "model.json") << "my model";
  const Result r = install.Run("demo work");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("model.json"), std::string::npos) << r.err;
  EXPECT_EQ(Slurp(install.dir / "work" / "model.json"), "my model");
  EXPECT_FALSE(fs::exists(install.dir / "work" / "part.step"));

  std::ofstream(install.dir / "afile") << "x";
  EXPECT_EQ(install.Run("demo afile").status, 1);
  EXPECT_EQ(Slurp(install.dir / "afile"), "x");
}

TEST(DemoInstall, ABrokenInstallIsNamedInTheError) {
  const PrivateInstall install("broken");
  const fs::path dir = install.dir;
  Result r = Cavix("demo out", dir, (dir / "nowhere.reg").string(), install.Settings());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nowhere.reg"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "out"));

  fs::remove(dir / "appl" / "scripts" / "demo_4_cbore_through.txt");
  r = install.Run("demo out");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("demo_4_cbore_through.txt"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "out" / "model.json"));
}

// ---- The README's examples, as written ----

struct ReadmeBlock {
  std::string text;
};

// The fenced code blocks of the README, in order.
std::vector<ReadmeBlock> CodeBlocks(const std::string& readme) {
  std::vector<ReadmeBlock> blocks;
  std::istringstream in(readme);
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("```", 0) == 0) {
      if (!inside) blocks.push_back({});
      inside = !inside;
    } else if (inside) {
      blocks.back().text += line + "\n";
    }
  }
  return blocks;
}

// A command line of the README, run in a private install: "cavix" is the built program and the
// installed application folder is the private one.
Result RunReadmeLine(std::string line, const PrivateInstall& install) {
  const std::string appl = (install.dir / "appl").string();
  for (size_t at; (at = line.find("/usr/local/share/cavix")) != std::string::npos;)
    line.replace(at, 22, appl);
  const size_t cavix = line.find("cavix ");
  line.replace(cavix, 5, Quote(CAVIX_EXE));
  const std::string out = (install.dir / "readme.out").string();
  const std::string cmd =
      "cd " + Quote(install.dir.string()) +
      " && export CAVIX_LOCALE=en_US CAVIX_REGISTRY=" + Quote(install.Registry()) +
      " CAVIX_SETTINGS=" + Quote(install.Settings()) +
      " LSAN_OPTIONS=suppressions=" + Quote(CAVIX_LSAN_SUPPRESSIONS) + " && " + line + " 2>" +
      Quote(out);
  Result r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.err = Slurp(out);
  return r;
}

TEST(Readme, EveryCommandExampleWorksAsWritten) {
  const std::string readme = Slurp(fs::path(CAVIX_SOURCE_DIR) / "README.md");
  ASSERT_FALSE(readme.empty());
  const PrivateInstall install("readme");
  const auto blocks = CodeBlocks(readme);
  // The files the examples name.
  for (const ReadmeBlock& b : blocks) {
    if (b.text.rfind("check TogglePassante 0", 0) == 0)
      std::ofstream(install.dir / "to-blind.txt") << b.text;
    if (b.text.rfind("# M8 tapped blind hole", 0) == 0)
      std::ofstream(install.dir / "my-hole.txt") << b.text;
  }
  ASSERT_TRUE(fs::exists(install.dir / "to-blind.txt"));
  ASSERT_TRUE(fs::exists(install.dir / "my-hole.txt"));

  // The command table, row by row, in order: each example's last backquoted cell.
  std::istringstream in(readme);
  int run = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("| `", 0) != 0) continue;
    const size_t close = line.rfind('`');
    const size_t open = line.rfind('`', close - 1);
    const std::string example = line.substr(open + 1, close - open - 1);
    if (example.rfind("cavix ", 0) != 0) continue;
    const Result r = RunReadmeLine(example, install);
    EXPECT_EQ(r.status, 0) << example << "\n" << r.err;
    ++run;
  }
  EXPECT_EQ(run, 12);
  EXPECT_TRUE(fs::is_regular_file(install.dir / "holes.csv"));
  EXPECT_TRUE(fs::is_regular_file(install.dir / "part.step"));
  EXPECT_TRUE(fs::is_regular_file(install.dir / "cavix-demo" / "summary.txt"));

  // The regional example drops the script of the dialog script section.
  for (const ReadmeBlock& b : blocks)
    if (b.text.rfind("CAVIX_LOCALE=de_DE cavix drop", 0) == 0) {
      const std::string cmd = b.text.substr(0, b.text.find("  #"));
      const Result r = RunReadmeLine(cmd, install);
      EXPECT_EQ(r.status, 0) << cmd << "\n" << r.err;
      EXPECT_NE(r.err.find("placed"), std::string::npos) << r.err;
    }

  // The model file example is a model.
  for (const ReadmeBlock& b : blocks)
    if (b.text.find("\"cavix-model\"") != std::string::npos) {
      std::ofstream(install.dir / "small.json") << b.text;
      const Result r = install.Run("show small.json");
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_NE(r.out.find("size 80 x 50 x 15"), std::string::npos) << r.out;
    }
}

// ---- cavix holes on small models ----

// A tapped blind counterbore on the top face and a tapped through hole in a side face.
TEST(HolesCommand, TextAndCsvTablesOfASmallModel) {
  const PrivateInstall install("holes");
  const fs::path scripts = install.dir / "appl" / "scripts";
  ASSERT_EQ(install.Run("new m.json").status, 0);
  ASSERT_EQ(install
                .Run("drop m.json --at 20,30,20 --script " +
                     Quote((scripts / "demo_3_cbore_threaded_blind.txt").string()))
                .status,
            0);
  ASSERT_EQ(install
                .Run("drop m.json --normal 0,1,0 --at 70,0,10 --script " +
                     Quote((scripts / "demo_2_plain_threaded_through.txt").string()))
                .status,
            0);

  const Result text = install.Run("holes m.json");
  ASSERT_EQ(text.status, 0) << text.err;
  std::vector<std::string> lines;
  std::istringstream in(text.out);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 5u) << text.out;  // header, rule, two holes, note
  EXPECT_NE(lines[2].find("HoleCBore"), std::string::npos);
  EXPECT_NE(lines[2].find("10 \u00d7 P1.25"), std::string::npos) << lines[2];
  EXPECT_NE(lines[2].find("\u2334 \u2300"), std::string::npos) << lines[2];
  EXPECT_NE(lines[2].find("blind 118\u00b0"), std::string::npos) << lines[2];
  // Through a side face: the part's depth along its axis, 60.
  EXPECT_NE(lines[3].find("THRU"), std::string::npos) << lines[3];
  EXPECT_NE(lines[3].find("60 \u00d7 P1"), std::string::npos) << lines[3];
  EXPECT_NE(lines[3].find(" 70, 0, 10 "), std::string::npos) << lines[3];
  EXPECT_TRUE(lines[3].ends_with(" 0, 1, 0")) << lines[3];

  const Result csv = install.Run("holes m.json --csv");
  ASSERT_EQ(csv.status, 0) << csv.err;
  const auto records = CsvRecords(csv.out);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].at("recess"), "counterbore");
  EXPECT_EQ(records[0].at("point_angle"), "118");
  EXPECT_EQ(records[1].at("through"), "yes");
  EXPECT_EQ(records[1].at("point_angle"), "");
  EXPECT_EQ(records[1].at("length"), "60");
  EXPECT_EQ(records[1].at("ny"), "1");

  ASSERT_EQ(install.Run("new e.json").status, 0);
  EXPECT_EQ(ParseCsv(install.Run("holes e.json --csv").out).size(), 1u);
  EXPECT_NE(install.Run("holes e.json").out.find("no holes"), std::string::npos);
  const Result missing = install.Run("holes nothere.json");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothere.json"), std::string::npos) << missing.err;
}

}  // namespace
