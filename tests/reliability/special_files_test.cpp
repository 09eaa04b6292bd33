// A standards table that is not a regular file (a named pipe, a device such as /dev/zero, a folder)
// is refused at once with a message: read like a file, a pipe would block the dialog for ever
// waiting for a writer and /dev/zero would be read until memory ran out.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "standards/file_read_tab.h"
#include "tests/support/test_files.h"

namespace {

// QData on a family whose only entry names `table`.
cavix::FileReadTAB::SizeListing QDataOn(const cavix::test::TempDir& dir, const std::string& table) {
  std::string ini = dir.Write("Cavix.ini", "[1 0]\r\n\"" + table + "\" \"Odd\"\r\n[END]\r\n");
  return cavix::FileReadTAB::QData(ini, dir.File("Tab") + "/", 2);
}

TEST(SpecialFiles, TablesThatAreNotRegularFilesAreRefusedAtOnce) {
  const cavix::test::TempDir dir("cavix-special-");
  std::filesystem::create_directories(dir.path / "Tab" / "folder.tab");
  ASSERT_EQ(::mkfifo(dir.File("Tab/pipe.tab").c_str(), 0644), 0);
  std::filesystem::create_symlink("/dev/zero", dir.path / "Tab" / "zero.tab");

  for (const char* table : {"pipe.tab", "zero.tab", "folder.tab"}) {
    // In a child that an alarm ends, so that a hang fails the test instead of stopping the suite;
    // it exits with 0 when QData came back listing nothing after one message naming error 75.
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::alarm(10);
      const cavix::FileReadTAB::SizeListing sizes = QDataOn(dir, table);
      ::_exit(sizes.status != 62 || !sizes.entries.empty()           ? 2
              : !sizes.error                                         ? 3
              : sizes.error->text.find("75") == std::string::npos    ? 4
                                                                     : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status))
        << table << " hung or crashed (signal " << WTERMSIG(status) << ")";
    EXPECT_EQ(WEXITSTATUS(status), 0) << table << ": 2 wrong status or sizes, 3 not one message, "
                                      << "4 the message does not name error 75";
  }

  // A regular table beside them still reads.
  dir.Write("Tab/ok.tab", "  M3 | 3 | 6\r\n  M4 | 4 | 8\r\n");
  const cavix::FileReadTAB::SizeListing sizes = QDataOn(dir, "ok.tab");
  EXPECT_EQ(sizes.status, 0);
  EXPECT_EQ(sizes.entries.size(), 2u);
}

}  // namespace
