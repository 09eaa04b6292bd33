// Text files: line ends, encodings, error numbers of the file system, and atomic replacement.
#include "runtime/text_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "tests/support/test_files.h"

namespace cavix::rt {
namespace {

using Lines = std::vector<std::string>;
using Raised = std::pair<int, std::string>;  // error number (0: none) and source

Raised ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return {e.Number(), e.Source()};
  }
  return {0, {}};
}

class TextFileTest : public ::testing::Test {
 protected:
  size_t EntryCount() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_.path),
                                             std::filesystem::directory_iterator()));
  }
  static Lines AllLines(const std::string& path) {
    TextReader r(path);
    Lines lines;
    for (std::string line; r.ReadLine(line);) lines.push_back(line);
    return lines;
  }

  const test::TempDir dir_{"cavix-rt-"};
  const std::string root_ = dir_.path.string();
};

TEST_F(TextFileTest, LineEndsAndEncodings) {
  struct Row {
    const char* name;
    std::string bytes;
    Lines lines;
  } rows[] = {
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"lf, no final end, empty lines kept", "a\r\n\r\n\nb", {"a", "", "", "b"}},
      {"cr inside a line stays", "a\rb\r\n", {"a\rb"}},
      {"windows-1252", "L\xE4nge\r\n\x80 5\r\n", {"L\xC3\xA4nge", "\xE2\x82\xAC 5"}},
      {"each line on its own", "\xC3\xA4\r\n\xE4\r\n", {"\xC3\xA4", "\xC3\xA4"}},
      {"nul byte", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
      {"a long line whole", std::string(3000000, 'x') + "\r\nend",
       {std::string(3000000, 'x'), "end"}},
  };
  for (const Row& r : rows) EXPECT_EQ(AllLines(dir_.Write("f.txt", r.bytes)), r.lines) << r.name;
  // Only strict UTF-8 is taken as such; anything else is Windows-1252, byte by byte.
  EXPECT_EQ(DecodeLine("\xF0\x9F\x94\xA9"), "\xF0\x9F\x94\xA9");
  EXPECT_EQ(DecodeLine("\xC0\xAF"), "\xC3\x80\xC2\xAF");                  // overlong
  EXPECT_EQ(DecodeLine("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");  // surrogate
}

TEST_F(TextFileTest, ReadingPastTheEndAndOpeningErrorsNameThePathAsBuilt) {
  const std::string path = dir_.Write("t.txt", "one\r\ntwo\r\n");
  TextReader r(path);
  EXPECT_EQ(r.LineInput(), "one");
  EXPECT_EQ(r.LineInput(), "two");
  EXPECT_EQ(ErrorOf([&] { r.LineInput(); }), (Raised{err::kInputPastEnd, path}));
  EXPECT_EQ(r.LineNumber(), 2);

  dir_.Write("Tab/M.tab", "M6|1\r\n");
  const std::string built = root_ + "\\Tab\\M.tab";
  EXPECT_EQ(NativePath(built), dir_.File("Tab/M.tab"));
  EXPECT_EQ(AllLines(built), Lines{"M6|1"});
  EXPECT_TRUE(FileExists(built));
  EXPECT_FALSE(FileExists(root_ + "\\Tab"));  // a folder is no file
  const std::string missing = root_ + "\\Tab\\none.tab";
  EXPECT_EQ(ErrorOf([&] { TextReader x(missing); }), (Raised{err::kFileNotFound, missing}));
  const std::string noFolder = root_ + "\\Nope\\x.tab";
  EXPECT_EQ(ErrorOf([&] { TextReader x(noFolder); }), (Raised{err::kPathNotFound, noFolder}));
  EXPECT_EQ(ErrorOf([&] { TextReader x(root_ + "\\Tab"); }).first, err::kPathFileAccess);
  EXPECT_EQ(ErrorOf([&] { TextReader x(""); }).first, err::kBadFileName);
}

TEST_F(TextFileTest, AtomicWriteReplacesTheWholeFileOrLeavesTheOldOne) {
  const std::string path = dir_.Write("model.json", "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  WriteFileAtomically(path, "new content");
  EXPECT_EQ(test::Slurp(path), "new content");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(EntryCount(), 1u);

  // No room for the new content: a file-size limit makes every larger write fail, for root too.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1024;
  auto* oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const Raised full = ErrorOf([&] { WriteFileAtomically(path, std::string(4096, 'n')); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(full, (Raised{err::kDiskFull, path}));
  EXPECT_EQ(test::Slurp(path), "new content");
  EXPECT_EQ(EntryCount(), 1u);  // no temporary left behind

  // A folder in the way of the rename: the folder and its content stay.
  dir_.Write("taken/inside.txt", "keep");
  EXPECT_NE(ErrorOf([&] { WriteFileAtomically(dir_.File("taken"), "x"); }).first, 0);
  EXPECT_EQ(test::Slurp(dir_.File("taken/inside.txt")), "keep");
  EXPECT_EQ(EntryCount(), 2u);
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(dir_.File("nope/m.json"), "x"); }).first,
            err::kPathNotFound);
}

}  // namespace
}  // namespace cavix::rt
