// A standards table that is not a regular file (a named pipe, a device such as /dev/zero) is
// refused at once with a message; before, a pipe blocked the dialog for ever waiting for a writer
// and /dev/zero was read until memory ran out.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "forms/list_control.h"
#include "forms/message_box.h"
#include "standards/file_read_tab.h"

namespace {

namespace fs = std::filesystem;

// Runs QData on a family whose only entry names `table` in a child process that an alarm ends
// after a few seconds; returns what the child said: 0 when QData came back listing nothing after
// one message naming error 75, otherwise a code saying what went wrong.
int QDataOnTableIn(const fs::path& dir, const std::string& table) {
  std::ofstream(dir / "Cavix.ini") << "[1 0]\r\n\"" << table << "\" \"Odd\"\r\n[END]\r\n";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(10);
    using namespace cavix;
    forms::ListModel sizes;
    std::string ini = (dir / "Cavix.ini").string();
    const int status = FileReadTAB::QData(ini, (dir / "Tab").string() + "/", 2, sizes);
    const auto& shown = forms::RecordedMessages();
    if (status != 62 || sizes.ListCount() != 0) ::_exit(2);
    if (shown.size() != 1) ::_exit(3);
    if (shown[0].prompt.find("75") == std::string::npos) ::_exit(4);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGALRM ? 100 : 101;
  return WEXITSTATUS(status);
}

TEST(SpecialFilesIssue8, TablesThatAreNotRegularFilesAreRefusedAtOnce) {
  const fs::path dir = fs::temp_directory_path() / ("cavix-special-" + std::to_string(::getpid()));
  fs::create_directories(dir / "Tab");
  ASSERT_EQ(::mkfifo((dir / "Tab" / "pipe.tab").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir / "Tab" / "zero.tab");
  fs::create_directories(dir / "Tab" / "folder.tab");

  EXPECT_EQ(QDataOnTableIn(dir, "pipe.tab"), 0) << "100 means it hung";
  EXPECT_EQ(QDataOnTableIn(dir, "zero.tab"), 0) << "100 means it hung";
  EXPECT_EQ(QDataOnTableIn(dir, "folder.tab"), 0);

  // A regular table beside them still reads.
  std::ofstream(dir / "Tab" / "ok.tab") << "  M3 | 3 | 6\r\n  M4 | 4 | 8\r\n";
  std::ofstream(dir / "Cavix.ini") << "[1 0]\r\n\"ok.tab\" \"Fine\"\r\n";
  cavix::forms::ListModel sizes;
  std::string ini = (dir / "Cavix.ini").string();
  EXPECT_EQ(cavix::FileReadTAB::QData(ini, (dir / "Tab").string() + "/", 2, sizes), 0);
  EXPECT_EQ(sizes.ListCount(), 2);
  fs::remove_all(dir);
}

}  // namespace
