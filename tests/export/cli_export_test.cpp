// `cavix export` as users run it: holes dropped by the shipped dialog scripts, then STEP, STL and
// SVG written from the model file; bad output names fail with a message and change nothing.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <BRepCheck_Analyzer.hxx>
#include <STEPControl_Reader.hxx>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "export/occ_part.h"
#include "tests/support/shell.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

using cavix::test::Slurp;

using Result = cavix::test::ShellResult;

class CavixExport : public ::testing::Test {
 protected:
  Result Cavix(const std::vector<std::string>& args) {
    return cavix::test::RunShell(cavix::test::CommandLine(CAVIX_BINARY, args), dir_);
  }
  std::string File(const std::string& name) const { return dir_.File(name); }

  const cavix::test::TempDir dir_{"cavix-cli-export-"};
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

// A model with holes placed as a user places them exports to all three formats.
TEST_F(CavixExport, DroppedHolesReachStepStlAndSvg) {
  const std::string model = File("part.json");
  ASSERT_EQ(Cavix({"new", model}).status, 0);
  const std::string scripts = CAVIX_SCRIPTS_DIR;
  struct Drop {
    const char* script;
    const char* at;
  };
  const Drop drops[] = {{"cbore_through.txt", "20,20,20"},
                        {"cbore_threaded_blind.txt", "50,20,20"},
                        {"csink_through.txt", "80,20,20"},
                        {"plain_blind.txt", "20,45,20"}};
  for (const auto& d : drops) {
    const Result r = Cavix({"drop", model, "--at", d.at, "--script", scripts + "/" + d.script});
    ASSERT_EQ(r.status, 0) << d.script << ": " << r.err;
  }
  const size_t holes = std::size(drops);
  const std::string before = Slurp(model);

  const Result step = Cavix({"export", model, File("part.step")});
  ASSERT_EQ(step.status, 0) << step.err;
  EXPECT_NE(step.out.find(std::to_string(holes) + " hole"), std::string::npos) << step.out;
  STEPControl_Reader reader;
  ASSERT_EQ(reader.ReadFile(File("part.step").c_str()), IFSelect_RetDone);
  ASSERT_GT(reader.TransferRoots(), 0);
  const TopoDS_Shape solid = reader.OneShape();
  EXPECT_TRUE(BRepCheck_Analyzer(solid).IsValid());
  const double volume = cavix::exporter::SolidVolume(solid);
  EXPECT_LT(volume, 100.0 * 60 * 20 - 100);

  ASSERT_EQ(Cavix({"export", model, File("part.stl")}).status, 0);
  EXPECT_GT(fs::file_size(File("part.stl")), 84u);

  const Result svg = Cavix({"export", model, File("part.svg")});
  ASSERT_EQ(svg.status, 0) << svg.err;
  const std::string sheet = Slurp(File("part.svg"));
  EXPECT_EQ(Count(sheet, "class=\"hole\""), holes);
  EXPECT_EQ(Count(sheet, "class=\"callout\""), holes);
  EXPECT_NE(sheet.find("M8"), std::string::npos);  // the tapped hole's designation
  EXPECT_NE(sheet.find("THRU"), std::string::npos);
  EXPECT_EQ(Count(sheet, "class=\"thread\""), 1u);
  EXPECT_EQ(Slurp(model), before) << "export changed the model file";
}

// Output names the writers do not know, and folders that do not exist, fail in words.
TEST_F(CavixExport, BadOutputFailsAndWritesNothing) {
  const std::string model = File("part.json");
  ASSERT_EQ(Cavix({"new", model}).status, 0);
  const Result dxf = Cavix({"export", model, File("part.dxf")});
  EXPECT_EQ(dxf.status, 1);
  EXPECT_NE(dxf.err.find(".step, .stp, .stl or .svg"), std::string::npos) << dxf.err;
  EXPECT_FALSE(fs::exists(File("part.dxf")));

  const Result nodir = Cavix({"export", model, File("no/such/part.step")});
  EXPECT_EQ(nodir.status, 1);
  EXPECT_NE(nodir.err.find("no/such/part.step"), std::string::npos) << nodir.err;

  const Result nomodel = Cavix({"export", File("missing.json"), File("part.svg")});
  EXPECT_EQ(nomodel.status, 1);
  EXPECT_FALSE(fs::exists(File("part.svg")));

  const Result usage = Cavix({"export", model});
  EXPECT_EQ(usage.status, 2);
}
