// Text files: line ends, encodings, error numbers of the file system, and atomic replacement.
#include "runtime/text_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "tests/support/test_files.h"

namespace cavix::rt {
namespace {

class TextFileTest : public ::testing::Test {
 protected:
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path))
      names.push_back(e.path().filename().string());
    return names;
  }
  static std::vector<std::string> AllLines(const std::string& path) {
    TextReader r(path);
    std::vector<std::string> lines;
    std::string line;
    while (r.ReadLine(line)) lines.push_back(line);
    return lines;
  }
  // The number of the error `f` raises (0 for none) and its source.
  template <typename F>
  static std::pair<int, std::string> ErrorOf(F&& f) {
    try {
      f();
    } catch (const Error& e) {
      return {e.Number(), e.Source()};
    }
    return {0, {}};
  }

  const test::TempDir dir_{"cavix-rt-"};
  const std::string root_ = dir_.path.string();
};

using Lines = std::vector<std::string>;

TEST_F(TextFileTest, LineEndsAndEncodings) {
  struct Row {
    const char* name;
    std::string bytes;
    Lines lines;
  } rows[] = {
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"lf", "a\nb\n", {"a", "b"}},
      {"no final end", "a\r\nb", {"a", "b"}},
      {"empty lines kept", "a\r\n\r\n\nb\r\n", {"a", "", "", "b"}},
      {"empty file", "", {}},
      {"one line end", "\r\n", {""}},
      {"cr inside a line stays", "a\rb\r\n", {"a\rb"}},
      {"windows-1252", "L\xE4nge\r\n\x80 5\r\n", {"L\xC3\xA4nge", "\xE2\x82\xAC 5"}},
      {"utf-8", "L\xC3\xA4nge \xE2\x82\xAC\r\n", {"L\xC3\xA4nge \xE2\x82\xAC"}},
      {"each line on its own", "\xC3\xA4\r\n\xE4\r\n", {"\xC3\xA4", "\xC3\xA4"}},
      {"nul byte", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
      {"a long line whole",
       std::string(3000000, 'x') + "\r\nend",
       {std::string(3000000, 'x'), "end"}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(AllLines(dir_.Write("f.txt", r.bytes)), r.lines) << r.name;
  }
}

TEST_F(TextFileTest, DecodeLineTakesOnlyStrictUtf8) {
  EXPECT_EQ(DecodeLine("plain"), "plain");
  EXPECT_EQ(DecodeLine("\xF0\x9F\x94\xA9"), "\xF0\x9F\x94\xA9");          // 4-byte UTF-8
  EXPECT_EQ(DecodeLine("\xC0\xAF"), "\xC3\x80\xC2\xAF");                  // overlong: read as 1252
  EXPECT_EQ(DecodeLine("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");  // surrogate
  EXPECT_EQ(DecodeLine("\xC3"), "\xC3\x83");                              // cut short
  EXPECT_EQ(DecodeLine("\x81\x9F\xFF"), "\xC2\x81\xC5\xB8\xC3\xBF");
  EXPECT_EQ(DecodeLine("\x93x\x94"), "\xE2\x80\x9Cx\xE2\x80\x9D");
}

TEST_F(TextFileTest, LineInputAndEnd) {
  const std::string path = dir_.Write("t.txt", "one\r\ntwo\r\n");
  TextReader r(path);
  EXPECT_FALSE(r.AtEnd());
  EXPECT_EQ(r.LineInput(), "one");
  EXPECT_EQ(r.LineNumber(), 1);
  EXPECT_EQ(r.LineInput(), "two");
  EXPECT_TRUE(r.AtEnd());
  const auto [number, source] = ErrorOf([&] { r.LineInput(); });
  EXPECT_EQ(number, err::kInputPastEnd);
  EXPECT_EQ(source, path);
  EXPECT_EQ(r.LineNumber(), 2);
  r.Close();
  r.Close();
  EXPECT_EQ(ErrorOf([&] { r.LineInput(); }).first, err::kBadFileName);
}

TEST_F(TextFileTest, BuiltPathsUseBackslashesAndErrorsNameThemAsBuilt) {
  dir_.Write("Tab/M.tab", "M6|1\r\n");
  const std::string built = root_ + "\\Tab\\M.tab";
  EXPECT_EQ(NativePath(built), dir_.File("Tab/M.tab"));
  EXPECT_TRUE(FileExists(built));
  EXPECT_FALSE(FileExists(root_ + "\\Tab"));  // a folder is no file
  EXPECT_FALSE(FileExists(root_ + "\\Tab\\none.tab"));
  EXPECT_EQ(AllLines(built), Lines{"M6|1"});

  // Opening errors name the path as built.
  const std::string missing = root_ + "\\Tab\\none.tab";
  EXPECT_EQ(ErrorOf([&] { TextReader r(missing); }),
            (std::pair<int, std::string>{err::kFileNotFound, missing}));
  const std::string noFolder = root_ + "\\Nope\\x.tab";
  EXPECT_EQ(ErrorOf([&] { TextReader r(noFolder); }),
            (std::pair<int, std::string>{err::kPathNotFound, noFolder}));
  EXPECT_EQ(ErrorOf([&] { TextReader r(root_ + "\\Tab"); }).first, err::kPathFileAccess);
  const std::string file = dir_.Write("plain.txt", "x");
  EXPECT_EQ(ErrorOf([&] { TextReader r(file + "\\below"); }).first, err::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { TextReader r(""); }).first, err::kBadFileName);
}

TEST_F(TextFileTest, WriterEndsLinesWithCrLfAndReplaces) {
  const std::string path = dir_.Write("out.txt", "old content that is longer\r\n");
  {
    TextWriter w(path);
    w.WriteLine("first");
    w.WriteLine("");
    w.WriteLine("L\xC3\xA4nge");
    w.Close();
  }
  EXPECT_EQ(test::Slurp(path), "first\r\n\r\nL\xC3\xA4nge\r\n");
  EXPECT_EQ(AllLines(path), (Lines{"first", "", "L\xC3\xA4nge"}));
}

TEST_F(TextFileTest, WriterReportsFileSystemFailures) {
  EXPECT_EQ(ErrorOf([&] { TextWriter w(root_ + "\\Nope\\out.txt"); }).first, err::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { TextWriter w(root_); }).first, err::kPathFileAccess);
  // /dev/full accepts the open and fails every write with "no space", even for root.
  if (::access("/dev/full", W_OK) == 0) {
    const auto [number, source] = ErrorOf([] {
      TextWriter w("\\dev\\full");
      w.WriteLine("x");
      w.Close();
    });
    EXPECT_EQ(number, err::kDiskFull);
    EXPECT_EQ(source, "\\dev\\full");
  }
}

TEST_F(TextFileTest, AtomicWriteReplacesWholeFileAndKeepsItsMode) {
  const std::string path = dir_.Write("model.json", "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  WriteFileAtomically(path, "new content");
  EXPECT_EQ(test::Slurp(path), "new content");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"model.json"});
  WriteFileAtomically(dir_.File("fresh.json"), "");
  EXPECT_TRUE(FileExists(dir_.File("fresh.json")));
}

TEST_F(TextFileTest, AtomicWriteFailureLeavesTheOldFile) {
  // No room for the new content: a file-size limit makes every larger write fail, for root too.
  const std::string path = dir_.Write("model.json", "old");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1024;
  auto* oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto [number, source] = ErrorOf([&] { WriteFileAtomically(path, std::string(4096, 'n')); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(number, err::kDiskFull);
  EXPECT_EQ(source, path);
  EXPECT_EQ(test::Slurp(path), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"model.json"});  // no temporary left behind

  // A folder in the way of the rename: the folder and its content stay.
  ASSERT_EQ(::mkdir(dir_.File("taken").c_str(), 0755), 0);
  dir_.Write("taken/inside.txt", "keep");
  EXPECT_NE(ErrorOf([&] { WriteFileAtomically(dir_.File("taken"), "x"); }).first, 0);
  EXPECT_EQ(test::Slurp(dir_.File("taken/inside.txt")), "keep");
  EXPECT_EQ(Entries().size(), 2u);

  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(dir_.File("nope/m.json"), "x"); }).first,
            err::kPathNotFound);
}

}  // namespace
}  // namespace cavix::rt
