// Writes that fail part-way or must not happen, played on the real `cavix` command: a full disk (a
// file-size limit), a folder or a file the user may not write (an unprivileged second user when
// the tests run as root), a crash between writing the new file and renaming it into place, links,
// devices and names at the file-name limit, and several processes saving one model at once. The
// model file and the preferences file must stay whole and as they were, nothing may be lost, and
// each failure must be said once, in words that name the file.
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "runtime/file_lock.h"
#include "scene/model_file.h"
#include "tests/support/install.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;
using cavix::test::Slurp;

struct Fault {
  rlim_t fileSizeLimit = RLIM_INFINITY;  // a full disk after this many bytes of one file
  bool unprivileged = false;             // run as "nobody" when the tests run as root
  std::string killAtRenameOf = {};       // a crash just before this file is renamed into place
  std::string lockWait = {};             // CAVIX_LOCK_WAIT, seconds
};

constexpr uid_t kNobody = 65534;

struct Outcome {
  int exitCode = -1;  // -1 when killed
  int signal = 0;
  std::string out, err;

  // A killed command may leave its last line cut off: such a line is skipped, not a failure.
  std::vector<nlohmann::json> Messages() const {
    std::vector<nlohmann::json> m;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      if (line.empty() || line.front() != '{') continue;
      auto j = nlohmann::json::parse(line, nullptr, false);
      if (!j.is_discarded() && j.value("event", "") == "message") m.push_back(j);
    }
    return m;
  }
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class WriteFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(models_);
    cavix::testing::WriteInstall(appl_);
    // An unprivileged user reads everything and writes where a test allows it.
    for (const auto& e : fs::recursive_directory_iterator(root_))
      fs::permissions(e.path(), e.is_directory() ? fs::perms(0755) : fs::perms(0644));
    fs::permissions(root_, fs::perms(0755));
  }

  // The folders become writable again for the temporary folder's removal.
  void TearDown() override {
    std::error_code ec;
    fs::permissions(models_, fs::perms(0755), ec);
    fs::permissions(appl_, fs::perms(0755), ec);
    fs::permissions(prefs_.parent_path(), fs::perms(0755), ec);
  }

  // The command line `cavix ARGS --registry … --settings …` of the private install.
  std::vector<std::string> Line(std::vector<std::string> args) const {
    args.insert(args.end(), {"--registry", (appl_ / "cavix.reg").string(), "--settings",
                             (appl_ / "settings.ini").string()});
    return args;
  }

  // Runs `cavix ARGS --registry … --settings …` under `fault`.
  Outcome Cavix(std::vector<std::string> args, const Fault& fault = {}) {
    args = Line(std::move(args));
    args.insert(args.begin(), CAVIX_EXE);
    // Pipes, not files: a file-size limit must cut only the files the command writes.
    int outPipe[2], errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) ADD_FAILURE() << "no pipe";

    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(outPipe[1], 1);
      ::dup2(errPipe[1], 2);
      for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) ::close(fd);
      if (fault.fileSizeLimit != RLIM_INFINITY) {
        ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
        const rlimit lim{fault.fileSizeLimit, fault.fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(121);
      }
      if (!fault.killAtRenameOf.empty()) {
        ::setenv("LD_PRELOAD", CAVIX_FAULT_SHIM, 1);
        ::setenv("CAVIX_FAULT_KILL_AT_RENAME", fault.killAtRenameOf.c_str(), 1);
        // A sanitizer build wants its runtime first; the shim only wraps rename.
        std::string asan = ::getenv("ASAN_OPTIONS") ? ::getenv("ASAN_OPTIONS") : "";
        ::setenv("ASAN_OPTIONS",
                 (asan + (asan.empty() ? "" : ":") + "verify_asan_link_order=0").c_str(), 1);
      }
      if (!fault.lockWait.empty()) ::setenv("CAVIX_LOCK_WAIT", fault.lockWait.c_str(), 1);
      ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
      ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
      if (fault.unprivileged && ::geteuid() == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
          ::_exit(122);
      }
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(123);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    Outcome o;
    Drain(outPipe[0], errPipe[0], o.out, o.err);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) o.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) o.signal = WTERMSIG(status);
    return o;
  }

  static void Drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char buf[4096];
    while (open > 0 && ::poll(fds, 2, -1) > 0) {
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        if (n > 0) {
          sinks[i]->append(buf, static_cast<size_t>(n));
        } else {
          ::close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        }
      }
    }
  }

  std::string Script(const char* name) { return std::string(CAVIX_SHIPPED_SCRIPTS) + name; }

  // A model with one hole, and the preferences that placing it wrote.
  void ModelWithOneHole() {
    ASSERT_EQ(Cavix({"new", model_.string()}).exitCode, 0);
    const Outcome o =
        Cavix({"drop", model_.string(), "--at", "30,30,20", "--script", Script("plain_blind.txt")});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    ASSERT_TRUE(fs::exists(prefs_));
    fs::permissions(root_ / "config", fs::perms(0755));
    fs::permissions(prefs_.parent_path(), fs::perms(0755));
    fs::permissions(model_, fs::perms(0644));
    fs::permissions(prefs_, fs::perms(0644));
  }

  // Files in `dir` other than `keep`: temporary files a failed write left behind.
  static std::vector<std::string> Leftovers(const fs::path& dir, std::vector<std::string> keep) {
    std::vector<std::string> extra;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      if (std::find(keep.begin(), keep.end(), name) == keep.end()) extra.push_back(name);
    }
    return extra;
  }

  // A second drop with other choices: it would change both the model and the preferences.
  std::vector<std::string> SecondDrop(const fs::path& model = {}) {
    return {"drop", (model.empty() ? model_ : model).string(), "--at", "70,30,20", "--script",
            Script("csink_through.txt")};
  }

  const cavix::test::TempDir dir_{"cavix-faults-"};
  const fs::path root_ = dir_.path, appl_ = root_ / "appl", models_ = root_ / "models";
  const fs::path model_ = models_ / "part.cvx", prefs_ = root_ / "config/cavix/Cavix.prf";
};

// ---- the model file

TEST_F(WriteFaults, ModelThatCannotBeWrittenIsKeptAndTheFailureSaidOnce) {
  ModelWithOneHole();
  const std::string before = Slurp(model_);
  const Fault full{.fileSizeLimit = 256};  // far less than any model
  ASSERT_GT(before.size(), full.fileSizeLimit) << "the limit must cut the new model short";
  const struct {
    std::vector<std::string> args;
    Fault fault;
    const char* said;
    fs::perms folder = fs::perms(0755), file = fs::perms(0644);  // of the model
    uid_t owner = 0;                                             // when the tests run as root
  } cases[] = {
      {SecondDrop(), full, "Disk full"},
      {{"new", model_.string(), "--force"}, full, "Disk full"},
      {{"resize", model_.string(), "--block", "120,80,30"}, full, "Disk full"},
      // A folder the user may not write: the preferences may be written, the model may not.
      {SecondDrop(), {.unprivileged = true}, "Permission denied", fs::perms(0555), fs::perms(0644),
       kNobody},
      // Another user's file in a folder anyone may write: a rename would replace it with a file
      // of this user's; it is refused instead, whether the file may be written or not.
      {SecondDrop(), {.unprivileged = true}, "may not be written by this user", fs::perms(0777)},
      {SecondDrop(), {.unprivileged = true}, "belongs to another owner", fs::perms(0777),
       fs::perms(0666)},
      // Read-only is read-only, for root too.
      {SecondDrop(), {}, "is read-only", fs::perms(0755), fs::perms(0444)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + ", " + c.said);
    if (c.fault.unprivileged && ::geteuid() != 0) continue;  // no second user to be
    fs::permissions(prefs_.parent_path(), fs::perms(0777));
    fs::permissions(prefs_, fs::perms(0666));
    fs::permissions(models_, c.folder);
    fs::permissions(model_, c.file);
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(model_.c_str(), c.owner, c.owner), 0);
      ASSERT_EQ(::chown(prefs_.c_str(), kNobody, kNobody), 0);  // the second user's own
    }
    const Outcome o = Cavix(c.args, c.fault);
    EXPECT_EQ(o.exitCode, 1) << o.err;
    EXPECT_EQ(Count(o.err, c.said), 1u) << o.err;
    EXPECT_EQ(Count(o.err, model_.string()), 1u) << "the message names the file: " << o.err;
    EXPECT_EQ(Slurp(model_), before);
    EXPECT_EQ(Leftovers(models_, {"part.cvx"}), std::vector<std::string>{});
    struct stat st {};
    ASSERT_EQ(::stat(model_.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, ::geteuid() == 0 ? c.owner : ::geteuid()) << "the owner stays";
    EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(c.file)) << "the mode stays";
  }
}

// ---- the preferences file

TEST_F(WriteFaults, PreferencesThatCannotBeWrittenAreKeptAndTheFailureSaidOnce) {
  ModelWithOneHole();
  const std::string prefsBefore = Slurp(prefs_);
  const std::string modelBefore = Slurp(model_);
  const Fault full{.fileSizeLimit = 16};  // less than the preferences: both files fail
  ASSERT_GT(prefsBefore.size(), full.fileSizeLimit);
  const struct {
    Fault fault;
    const char* said;
    int exitCode;
  } cases[] = {
      {full, "Disk full", 1},
      // A folder the user may not write, for the preferences alone: the hole is the user's work
      // and is placed; the preferences are not.
      {{.unprivileged = true}, "Permission denied", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    if (c.fault.unprivileged) {
      // The model is the user's own: a save keeps a file's owner, so it may not replace another's.
      fs::permissions(models_, fs::perms(0777));
      if (::geteuid() == 0) {
        ASSERT_EQ(::chown(model_.c_str(), kNobody, kNobody), 0);
      }
      fs::permissions(prefs_.parent_path(), fs::perms(0555));
    }
    const Outcome o = Cavix(SecondDrop(), c.fault);
    EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
    const auto messages = o.Messages();
    ASSERT_EQ(messages.size(), 1u) << o.out;
    EXPECT_EQ(messages[0]["title"], "Write Prefs");
    EXPECT_NE(messages[0]["text"].get<std::string>().find(c.said), std::string::npos);
    EXPECT_EQ(Slurp(prefs_), prefsBefore);
    EXPECT_EQ(Slurp(model_) == modelBefore, c.exitCode != 0);
    // The box says the error; standard error says it again with the file (and the model's once).
    EXPECT_EQ(Count(o.err, prefs_.string()), 1u) << o.err;
    EXPECT_EQ(Count(o.err, c.said), c.exitCode != 0 ? 2u : 1u) << o.err;
    EXPECT_EQ(Leftovers(prefs_.parent_path(), {"Cavix.prf"}), std::vector<std::string>{});
  }
}

// ---- a crash, for either file

// The model is named up to the file-name limit: its temporary file has a shorter name, and the one
// the crash left behind goes with the next save of that model.
TEST_F(WriteFaults, CrashBetweenWritingAndRenamingLeavesTheOldModelAndPreferences) {
  ModelWithOneHole();
  const std::string name = std::string(251, 'n') + ".cvx";
  const fs::path model = models_ / name;
  fs::rename(model_, model);
  const std::string prefsBefore = Slurp(prefs_);
  const std::string modelBefore = Slurp(model);
  // The preferences are written before the model: a crash at their rename comes first.
  for (const std::string& file : {std::string("Cavix.prf"), name}) {
    const Outcome o = Cavix(SecondDrop(model), {.killAtRenameOf = file});
    ASSERT_EQ(o.signal, SIGKILL) << file << ": the crash did not happen: " << o.err;
    EXPECT_EQ(Slurp(model), modelBefore) << file;
    if (file == "Cavix.prf") {
      EXPECT_EQ(Slurp(prefs_), prefsBefore);
    }
    // The old preferences are read back whole: the dialog opens without a "Read Prefs" error.
    for (const auto& m : o.Messages()) EXPECT_NE(m["title"], "Read Prefs") << m.dump();
  }
  const auto left = Leftovers(models_, {name});
  ASSERT_EQ(left.size(), 1u);
  EXPECT_LE(left[0].size(), 255u);
  // The next command works on the old model as if nothing had happened.
  const Outcome again = Cavix(SecondDrop(model));
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_NE(Slurp(model), modelBefore);
  EXPECT_EQ(Leftovers(models_, {name}), std::vector<std::string>{});
  EXPECT_EQ(Cavix({"show", model.string()}).exitCode, 0);
}

// ---- what a save replaces, and what it must not

TEST_F(WriteFaults, SavesGoThroughLinksKeepOwnerAndModeAndNeverReplaceDevices) {
  ModelWithOneHole();
  const std::string before = Slurp(model_);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(model_.c_str(), kNobody, kNobody), 0);
  }
  fs::permissions(model_, fs::perms(0640));
  const fs::path link = models_ / "link.cvx";
  fs::create_symlink("part.cvx", link);
  const Outcome o = Cavix(SecondDrop(link));
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
  EXPECT_NE(Slurp(model_), before) << "the file it names is the one saved";
  struct stat st {};
  ASSERT_EQ(::stat(model_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (::geteuid() == 0) {
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
  }

#ifdef CAVIX_WITH_OCCT
  // An export writes as a save does: through a link, keeping the mode, and beside names at the
  // file-name limit (its temporary name once overflowed it), a glTF's buffer file included.
  const fs::path solid = models_ / "part.step", solidLink = models_ / "solid-link.step";
  dir_.Write("models/part.step", "earlier");
  fs::permissions(solid, fs::perms(0640));
  fs::create_symlink("part.step", solidLink);
  const fs::path longest[] = {models_ / (std::string(250, 'n') + ".step"),
                              models_ / (std::string(251, 'n') + ".glb")};
  for (const fs::path& out : {solidLink, longest[0], longest[1]}) {
    const Outcome exported = Cavix({"export", model_.string(), out.string()});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
  }
  EXPECT_TRUE(fs::is_symlink(solidLink));
  EXPECT_NE(Slurp(solid), "earlier");
  EXPECT_EQ(fs::status(solid).permissions(), fs::perms(0640));
  for (const fs::path& out : longest) EXPECT_TRUE(fs::is_regular_file(out)) << out;
#endif

  const Outcome device = Cavix({"new", "/dev/null", "--force"});
  EXPECT_EQ(device.exitCode, 1);
  EXPECT_NE(device.err.find("\"/dev/null\" is not a regular file"), std::string::npos)
      << device.err;
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  // A model the user may not read is said to be so, by name.
  if (::geteuid() == 0) {
    const fs::path secret = models_ / "secret.cvx";
    fs::copy_file(model_, secret);
    fs::permissions(secret, fs::perms(0600));
    const Outcome denied = Cavix({"show", secret.string()}, {.unprivileged = true});
    EXPECT_EQ(denied.exitCode, 1);
    EXPECT_NE(denied.err.find("model file \"" + secret.string() + "\": permission denied"),
              std::string::npos)
        << denied.err;
  }

  // The demo on a full disk: its first step fails, and that is said once.
  const Outcome demo = Cavix({"demo", (root_ / "demo").string()}, {.fileSizeLimit = 256});
  EXPECT_EQ(demo.exitCode, 1);
  EXPECT_EQ(Count(demo.err, "cavix: error"), 1u) << demo.err;
  EXPECT_EQ(Count(demo.err, "Disk full"), 1u) << demo.err;
}

// ---- several processes saving one model

// Processes that each drop holes on the same model, at the same time: every hole is there at the
// end and the file is whole. Each process plays its drops through the command's own entry point,
// one after the other, as a script calling `cavix drop` in a loop would. The wait for the lock is
// long: a slow machine or a sanitizer build must make a drop wait, never fail it. A sanitizer
// build, ten times slower per drop, plays fewer rounds.
TEST_F(WriteFaults, ConcurrentDropsLoseNoHole) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
  constexpr int kRounds = 12;
#else
  constexpr int kRounds = 50;
#endif
  for (const int processes : {2, 4, 8}) {
    SCOPED_TRACE(std::to_string(processes) + " processes");
    const fs::path model = models_ / ("shared-" + std::to_string(processes) + ".cvx");
    ASSERT_EQ(Cavix({"new", model.string(), "--block", "200,100,20"}).exitCode, 0);
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
      const pid_t pid = ::fork();
      if (pid == 0) {
        ::setenv("CAVIX_LOCK_WAIT", "1800", 1);
        for (int round = 0; round < kRounds; ++round) {
          std::ostringstream out, err;
          const std::string at =
              std::to_string(10 + 20 * p) + "," + std::to_string(round + 1) + ",20";
          if (cavix::app::Run(
                  Line({"drop", model.string(), "--at", at, "--script", Script("plain_blind.txt")}),
                  out, err) != 0) {
            std::fprintf(stderr, "%s", err.str().c_str());
            ::_exit(1);
          }
        }
        ::_exit(0);
      }
      children.push_back(pid);
    }
    for (const pid_t pid : children) {
      int status = 0;
      ::waitpid(pid, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a drop failed";
    }
    // Every hole, at the place its process put it, once.
    const auto scene = cavix::scene::LoadModel(model.string());
    std::set<std::pair<double, double>> places;
    std::set<int32_t> ids;
    for (const auto* shape : scene->AllShapes()) {
      ids.insert(shape->Id());
      if (shape->Store().First(34)) places.insert({shape->Position().x, shape->Position().y});
    }
    EXPECT_EQ(places.size(), static_cast<size_t>(processes * kRounds));
    EXPECT_EQ(ids.size(), scene->AllShapes().size());
    for (const std::string& file : Leftovers(models_, {}))
      EXPECT_EQ(file.rfind("shared-", 0), 0u) << "a temporary file was left: " << file;
  }
}

// A command that cannot get its turn within the wait says which process holds the model and
// changes nothing; one that gets it after a while goes on.
TEST_F(WriteFaults, AModelInUseIsWaitedForThenRefusedNamingItsHolder) {
  ModelWithOneHole();
  const std::string before = Slurp(model_);
  {
    const cavix::rt::FileLock held(model_.string(), std::chrono::milliseconds(0), "model file");
    const Outcome o = Cavix(SecondDrop(), {.lockWait = "0.3"});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("model file \"" + model_.string() + "\" is in use by process " +
                         std::to_string(::getpid())),
              std::string::npos)
        << o.err;
    EXPECT_EQ(Slurp(model_), before);
  }
  // Held by another process for a moment: the command waits its turn.
  const pid_t holder = ::fork();
  if (holder == 0) {
    const cavix::rt::FileLock held(model_.string(), std::chrono::milliseconds(0), "model file");
    ::usleep(500000);
    ::_exit(0);
  }
  ::usleep(100000);
  const Outcome waited = Cavix(SecondDrop());
  EXPECT_EQ(waited.exitCode, 0) << waited.err;
  EXPECT_NE(Slurp(model_), before);
  ::waitpid(holder, nullptr, 0);
}

}  // namespace
