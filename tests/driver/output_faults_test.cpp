// The program run as a process while its output is disturbed: signals during
// the run, a console reader that has gone, file-size and memory limits, the
// dump log's name taken by something else, and selections that keep no epoch.
// Whatever happens, the output directory ends with no file or with the whole
// set, byte for byte as an undisturbed run writes it, and never a temporary.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/qzr_writer.h"
#include "support/run_program.h"

namespace {

namespace fs = std::filesystem;
using qzrtest::ReadFile;
using qzrtest::TempDir;

constexpr const char* kFixedClock = "1773482400";  // SOURCE_DATE_EPOCH
constexpr const char* kTemporaryPrefix = ".qzr2rin-";

std::vector<std::string> FilesIn(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

bool IsTemporary(const std::string& name) { return name.rfind(kTemporaryPrefix, 0) == 0; }

bool HasLineStartingWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0 || text.find("\n" + start) != std::string::npos;
}

// File name -> content.
using FileSet = std::map<std::string, std::string>;

FileSet ReadSet(const std::string& directory) {
  FileSet set;
  for (const std::string& name : FilesIn(directory)) set[name] = ReadFile(directory + "/" + name);
  return set;
}

enum class Left { Nothing, WholeSet, SomethingElse };

std::ostream& operator<<(std::ostream& os, Left left) {
  constexpr const char* kNames[] = {"nothing", "the whole set", "something else"};
  return os << kNames[static_cast<int>(left)];
}

// What a run left in its output directory; `shown` lists it for messages.
Left WhatIsLeft(const std::string& directory, const FileSet& whole, std::string& shown) {
  shown = "left in " + directory + ":";
  const std::vector<std::string> names = FilesIn(directory);
  for (const std::string& name : names)
    shown += " " + name + " (" + std::to_string(fs::file_size(directory + "/" + name)) + ")";
  if (names.empty()) return Left::Nothing;
  return ReadSet(directory) == whole ? Left::WholeSet : Left::SomethingElse;
}

// How a child ended, as waitpid saw it.
struct Outcome {
  int waitStatus = 0;
  std::string out;
  std::string err;

  bool Exited(int code) const { return WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == code; }
  bool Killed(int signal) const { return WIFSIGNALED(waitStatus) && WTERMSIG(waitStatus) == signal; }
  std::string Shown() const {
    const std::string how = WIFEXITED(waitStatus)
                                ? "exit " + std::to_string(WEXITSTATUS(waitStatus))
                                : std::string("signal ") + ::strsignal(WTERMSIG(waitStatus));
    return how + "\nstdout: " + out + "\nstderr: " + err;
  }
};

// What the child sets up for itself before it becomes the converter.
struct Surroundings {
  rlim_t fileSizeBytes = RLIM_INFINITY;
  rlim_t addressSpaceBytes = RLIM_INFINITY;
  int standardOutput = -1;  // a descriptor to use in place of the capture file
};

// The converter as a child of this process: RunCommand cannot tell a death
// by a signal from other failures, and a signal must reach the converter
// itself, not a shell in front of it.
class Converter {
 public:
  explicit Converter(const std::vector<std::string>& args, const Surroundings& surroundings = {}) {
    std::vector<std::string> argv = {QZR2RIN_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    const std::string outPath = capture_.File("out");
    const std::string errPath = capture_.File("err");
    // The write end closes at exec: the parent returns only once the
    // converter's own image runs, so a signal never hits the forked copy.
    int started[2];
    if (::pipe2(started, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(started[0]);
      const int in = ::open("/dev/null", O_RDONLY);
      const int out = surroundings.standardOutput >= 0
                          ? surroundings.standardOutput
                          : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || out < 0 || err < 0) ::_exit(127);
      ::dup2(in, 0);
      ::dup2(out, 1);
      ::dup2(err, 2);
      // A test runner started in the background may ignore or block some of
      // these, and exec keeps that; the converter must meet the defaults.
      for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) ::signal(s, SIG_DFL);
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::setenv("SOURCE_DATE_EPOCH", kFixedClock, 1);
      const rlimit fileSize{surroundings.fileSizeBytes, surroundings.fileSizeBytes};
      const rlimit addressSpace{surroundings.addressSpaceBytes, surroundings.addressSpaceBytes};
      if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0 || ::setrlimit(RLIMIT_AS, &addressSpace) != 0)
        ::_exit(126);
      ::execv(pointers[0], pointers.data());
      // Too little address space for the image: the same as a loader failure.
      const char message[] = "exec failed\n";
      [[maybe_unused]] const auto ignored = ::write(2, message, sizeof message - 1);
      ::_exit(127);
    }
    ::close(started[1]);
    if (pid_ < 0) {
      ::close(started[0]);
      throw std::runtime_error("fork failed");
    }
    char byte;
    while (::read(started[0], &byte, 1) < 0 && errno == EINTR) {
    }
    ::close(started[0]);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (pid_ <= 0 || reaped_) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }

  pid_t pid() const { return pid_; }
  // A reaped child's pid may already belong to another process.
  void Signal(int signal) const {
    if (!reaped_) ::kill(pid_, signal);
  }
  bool Running() {
    if (reaped_) return false;
    if (::waitpid(pid_, &waitStatus_, WNOHANG) == pid_) reaped_ = true;
    return !reaped_;
  }
  Outcome Wait() {
    if (!reaped_) {
      while (::waitpid(pid_, &waitStatus_, 0) < 0 && errno == EINTR) {
      }
      reaped_ = true;
    }
    return {waitStatus_, ReadFile(capture_.File("out")), ReadFile(capture_.File("err"))};
  }

 private:
  TempDir capture_;
  pid_t pid_ = -1;
  bool reaped_ = false;
  int waitStatus_ = 0;
};

// One long log (a day at 1 Hz, so that a signal lands while it is read,
// converted or written) and one short log, each with the set of files an
// undisturbed run makes of it.
class OutputFaults : public ::testing::Test {
 protected:
  struct Log {
    std::string path;
    FileSet whole;
  };

  static void SetUpTestSuite() {
    shared_ = std::make_unique<TempDir>();
    longLog_ = Simulate("day.qzr", 86400);
    shortLog_ = Simulate("minute.qzr", 60);
  }
  static void TearDownTestSuite() { shared_.reset(); }

  // The command every disturbed run repeats; only the directory changes,
  // and it is not written into the files.
  static std::vector<std::string> Command(const Log& log, const std::string& out) {
    return {"-i", log.path, "-o", out};
  }

  // A fresh, empty output directory.
  std::string NewDirectory(const std::string& name) const {
    const std::string path = dir_.File(name);
    fs::create_directory(path);
    return path;
  }

  static std::unique_ptr<TempDir> shared_;
  static Log longLog_;
  static Log shortLog_;
  TempDir dir_;

 private:
  static Log Simulate(const std::string& name, int seconds) {
    Log log{shared_->File(name), {}};
    const auto sim =
        qzrtest::RunSimulator({"-o", log.path, "--duration", std::to_string(seconds), "--seed", "3"});
    EXPECT_EQ(sim.exitCode, 0) << sim.err;
    const std::string out = shared_->File(name + ".rinex");
    fs::create_directory(out);
    Converter undisturbed(Command(log, out));
    const Outcome o = undisturbed.Wait();
    EXPECT_TRUE(o.Exited(0)) << o.Shown();
    log.whole = ReadSet(out);
    EXPECT_EQ(log.whole.size(), 4u);
    fs::remove_all(out);
    return log;
  }
};

std::unique_ptr<TempDir> OutputFaults::shared_;
OutputFaults::Log OutputFaults::longLog_;
OutputFaults::Log OutputFaults::shortLog_;

// A signal at any moment: the run dies by it and leaves nothing, or the
// whole set when it came after the files were named, or the run had already
// finished.
TEST_F(OutputFaults, SignalsLeaveNothingOrTheWholeSet) {
  struct Moment {
    const char* name;
    double seconds;
    bool whenAFileShows;  // as soon as the output directory has an entry
  };
  const Moment kMoments[] = {
      {"at start", 0, false},        {"after 0.01 s", 0.01, false}, {"after 0.05 s", 0.05, false},
      {"after 0.15 s", 0.15, false}, {"after 0.25 s", 0.25, false}, {"after 0.4 s", 0.4, false},
      {"while writing", 0, true},
  };
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    for (const Moment& m : kMoments) {
      SCOPED_TRACE(std::string(::strsignal(signal)) + " " + m.name);
      const std::string out = NewDirectory("out");
      Converter run(Command(longLog_, out));
      std::string firstSeen;
      if (m.whenAFileShows) {
        while (run.Running() && firstSeen.empty()) {
          if (const auto names = FilesIn(out); !names.empty()) firstSeen = names.front();
        }
      } else {
        std::this_thread::sleep_for(std::chrono::duration<double>(m.seconds));
      }
      run.Signal(signal);
      const Outcome o = run.Wait();
      std::string shown;
      const Left left = WhatIsLeft(out, longLog_.whole, shown);
      // A signal after the files were named still ends the program; what
      // it leaves is then the whole set.
      EXPECT_TRUE((o.Killed(signal) && (left == Left::Nothing || left == Left::WholeSet)) ||
                  (o.Exited(0) && left == Left::WholeSet))
          << o.Shown() << shown;
      // Until every file is whole, the directory shows only this run's temporaries.
      if (!firstSeen.empty() && !o.Exited(0)) {
        EXPECT_EQ(firstSeen.rfind(kTemporaryPrefix + std::to_string(run.pid()) + "-", 0), 0u) << firstSeen;
      }
      fs::remove_all(out);
    }
  }
}

// Console output into a pipe nobody reads is lost; the files are not.
TEST_F(OutputFaults, ConsoleReaderGoneDoesNotStopTheConversion) {
  struct Case {
    const char* name;
    bool readOneByte;  // the reader takes the first byte, then goes
  };
  const Case kCases[] = {{"reader gone before the start", false}, {"reader gone after one byte", true}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string out = NewDirectory("out");
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    if (!c.readOneByte) ::close(pipe[0]);
    Surroundings surroundings;
    surroundings.standardOutput = pipe[1];
    Converter run(Command(longLog_, out), surroundings);
    ::close(pipe[1]);
    if (c.readOneByte) {
      char byte;
      EXPECT_EQ(::read(pipe[0], &byte, 1), 1);
      ::close(pipe[0]);
    }
    const Outcome o = run.Wait();
    std::string shown;
    EXPECT_TRUE(o.Exited(0)) << o.Shown();
    EXPECT_EQ(WhatIsLeft(out, longLog_.whole, shown), Left::WholeSet) << shown;
    fs::remove_all(out);
  }
}

// A file-size limit below the observation file: the failed write is reported
// as such, and not one file stays behind.
TEST_F(OutputFaults, FileSizeLimitFailsTheRunAndLeavesNoFile) {
  std::size_t observationSize = 0;
  for (const auto& [name, content] : shortLog_.whole)
    if (name.back() == 'O') observationSize = content.size();
  ASSERT_GT(observationSize, 20u * 512u);
  // The last limit fails only the observation file's last write. The limit
  // binds the console capture file too, which stays far below it.
  for (const rlim_t blocks : {rlim_t{20}, rlim_t{100}, rlim_t{(observationSize - 1) / 512}}) {
    SCOPED_TRACE(std::to_string(blocks) + " blocks");
    const std::string out = NewDirectory("out");
    Surroundings surroundings;
    surroundings.fileSizeBytes = blocks * 512;
    Converter run(Command(shortLog_, out), surroundings);
    const Outcome o = run.Wait();
    EXPECT_TRUE(o.Exited(12)) << o.Shown();
    EXPECT_TRUE(HasLineStartingWith(o.out, "Error writing")) << o.out;
    std::string shown;
    EXPECT_EQ(WhatIsLeft(out, shortLog_.whole, shown), Left::Nothing) << shown;
    fs::remove_all(out);
  }
}

// A dump log cut short by the limit while the RINEX files fit: the run fails
// as a whole, with no dump and no RINEX file.
TEST_F(OutputFaults, DumpLogCutShortLeavesNoFile) {
  std::size_t largest = 0;
  for (const auto& [name, content] : shortLog_.whole) largest = std::max(largest, content.size());
  const std::string site = NewDirectory("site");
  const std::string out = NewDirectory("out");
  const std::string input = site + "/site.qzr";
  fs::copy_file(shortLog_.path, input);
  Surroundings surroundings;
  surroundings.fileSizeBytes = largest + 512;
  Converter run({"-l", "-i", input, "-o", out}, surroundings);
  const Outcome o = run.Wait();
  ASSERT_TRUE(o.Exited(12)) << o.Shown();
  EXPECT_NE(o.out.find("Error writing the dump log " + site + "/site.log: File too large\n"),
            std::string::npos)
      << o.out;
  EXPECT_TRUE(FilesIn(out).empty()) << ::testing::PrintToString(FilesIn(out));
  EXPECT_EQ(FilesIn(site), std::vector<std::string>{"site.qzr"});
}

// Memory running out anywhere, from the loader to the last navigation file,
// is 14 with no file (or the loader's 127), never an abort or a crash.
TEST_F(OutputFaults, AllocationLimitIsNotEnoughMemoryOrTheWholeSet) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than any limit leaves";
#endif
  std::map<int, int> seen;  // exit code -> runs
  // Whether the run under `kib` KiB kept the rules; true when it converted.
  const auto runUnder = [&](rlim_t kib) {
    SCOPED_TRACE(std::to_string(kib) + " KiB");
    const std::string out = NewDirectory("out");
    Surroundings surroundings;
    surroundings.addressSpaceBytes = kib * 1024;
    Converter run(Command(longLog_, out), surroundings);
    const Outcome o = run.Wait();
    std::string shown;
    const Left left = WhatIsLeft(out, longLog_.whole, shown);
    fs::remove_all(out);
    const bool loaderFailed = o.Exited(127) && !o.err.empty();
    EXPECT_TRUE((o.Exited(0) && left == Left::WholeSet) ||
                ((o.Exited(14) || loaderFailed) && left == Left::Nothing))
        << o.Shown() << shown;
    if (WIFEXITED(o.waitStatus)) ++seen[WEXITSTATUS(o.waitStatus)];
    return o.Exited(0);
  };
  // Below about 700 KiB the dynamic loader itself crashes, before the
  // program has any say.
  for (const rlim_t kib : {1024, 2048, 4096, 5120, 6144, 7168, 8192, 16384, 65536}) runUnder(kib);
  // Halving towards the smallest limit that converts probes where the last
  // allocations of the run fail: while the files are written.
  rlim_t failing = 8192;
  rlim_t converting = 4 * 1024 * 1024;
  ASSERT_TRUE(runUnder(converting));
  while (converting - failing > 128) {
    const rlim_t middle = failing + (converting - failing) / 2;
    if (runUnder(middle)) {
      converting = middle;
    } else {
      failing = middle;
    }
  }
  EXPECT_GT(seen[14], 0) << "no limit let the program start and then run out";
}

// The state of a directory's entries, links not followed.
struct Entry {
  fs::file_type type;
  std::string target;   // of a symbolic link
  std::string content;  // of a regular file
  ino_t inode = 0;      // a file renamed over the old one has a new inode
  bool operator==(const Entry&) const = default;
};

std::map<std::string, Entry> Snapshot(const std::string& directory) {
  std::map<std::string, Entry> entries;
  for (const std::string& name : FilesIn(directory)) {
    const std::string path = directory + "/" + name;
    struct stat st {};
    ::lstat(path.c_str(), &st);
    Entry e{fs::symlink_status(path).type(), "", "", st.st_ino};
    if (e.type == fs::file_type::symlink) e.target = fs::read_symlink(path);
    if (e.type == fs::file_type::regular) e.content = ReadFile(path);
    entries[name] = e;
  }
  return entries;
}

// The dump log goes to <input without extension>.log only when that name is
// free or holds an older dump log; anything else is left alone and the run
// stops before it converts.
TEST_F(OutputFaults, DumpLogNeverReplacesAnythingButAnOldDump) {
  const std::string kOldDump = "QZR2RIN 1.40 build Feb  6 2004 Linux build\nstale line of an old dump\n";
  struct Case {
    const char* name;
    std::function<void(const std::string& dir)> place;  // puts something at dir/site.log
    bool written;
  };
  const Case kCases[] = {
      {"nothing", [](const std::string&) {}, true},
      {"an old dump log", [&](const std::string& d) { qzrtest::WriteFile(d + "/site.log", kOldDump); }, true},
      {"a foreign file", [](const std::string& d) { qzrtest::WriteFile(d + "/site.log", "field notes\n"); },
       false},
      {"a link to a foreign file",
       [](const std::string& d) {
         qzrtest::WriteFile(d + "/notes.txt", "field notes\n");
         fs::create_symlink("notes.txt", d + "/site.log");
       },
       false},
      // A link is refused for what it is, not for what it points to.
      {"a link to an old dump log",
       [&](const std::string& d) {
         qzrtest::WriteFile(d + "/old.log", kOldDump);
         fs::create_symlink("old.log", d + "/site.log");
       },
       false},
      {"a dangling link", [](const std::string& d) { fs::create_symlink("gone.log", d + "/site.log"); },
       false},
      {"a link to the input", [](const std::string& d) { fs::create_symlink("site.qzr", d + "/site.log"); },
       false},
      {"a hard link to the input",
       [](const std::string& d) { fs::create_hard_link(d + "/site.qzr", d + "/site.log"); }, false},
      {"a directory", [](const std::string& d) { fs::create_directory(d + "/site.log"); }, false},
  };
  int n = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string site = NewDirectory("site" + std::to_string(n));
    const std::string out = NewDirectory("out" + std::to_string(n++));
    const std::string input = site + "/site.qzr";
    const std::string dump = site + "/site.log";
    fs::copy_file(shortLog_.path, input);
    c.place(site);
    const auto before = Snapshot(site);
    Converter run({"-l", "-i", input, "-o", out});
    const Outcome o = run.Wait();
    auto after = Snapshot(site);
    if (c.written) {
      EXPECT_TRUE(o.Exited(0)) << o.Shown();
      ASSERT_EQ(after.count("site.log"), 1u);
      const Entry written = after["site.log"];
      EXPECT_EQ(written.type, fs::file_type::regular);
      EXPECT_EQ(written.content.rfind("QZR2RIN ", 0), 0u);
      EXPECT_EQ(written.content.find("stale line"), std::string::npos);
      EXPECT_EQ(FilesIn(out).size(), 4u);
      // Apart from the dump, nothing beside the input changed or appeared.
      after.erase("site.log");
      auto expected = before;
      expected.erase("site.log");
      EXPECT_TRUE(after == expected) << "input directory: " << ::testing::PrintToString(FilesIn(site));
    } else {
      EXPECT_TRUE(o.Exited(12)) << o.Shown();
      EXPECT_NE(o.out.find(dump), std::string::npos) << o.out;
      EXPECT_EQ(o.out.find(" in QZR   epochs "), std::string::npos) << "the log was converted";
      EXPECT_TRUE(after == before) << "input directory: " << ::testing::PrintToString(FilesIn(site));
      EXPECT_TRUE(ReadFile(input) == ReadFile(shortLog_.path)) << "the input changed";
      EXPECT_TRUE(FilesIn(out).empty()) << ::testing::PrintToString(FilesIn(out));
    }
    for (const std::string& name : FilesIn(site)) EXPECT_FALSE(IsTemporary(name)) << name;
  }
}

// A selection that keeps no epoch is a failure, not an empty success. The
// minute log runs from 10:00:00 to 10:00:59 on the 14th.
TEST_F(OutputFaults, SelectionWithoutEpochsFails) {
  struct Case {
    std::vector<std::string> selection;
    int status;
  };
  const Case kCases[] = {
      {{"-s", "15"}, 10},
      {{"-s", "1411"}, 10},
      {{"-s", "1409"}, 10},
      {{"-s", "14d100100"}, 10},
      {{"-s", "14d100059"}, 0},  // the last epoch alone
      {{"-s", "14d100030", "-f", "14d100010"}, 10},
      {{"-s", "1410", "-f", "1409"}, 10},
      // No multiple of 7000 s or of a day falls inside the minute.
      {{"-d", "7000"}, 10},
      {{"-d", "86400"}, 10},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::PrintToString(c.selection));
    const std::string out = NewDirectory("out");
    std::vector<std::string> args = Command(shortLog_, out);
    args.insert(args.end(), c.selection.begin(), c.selection.end());
    Converter run(args);
    const Outcome o = run.Wait();
    EXPECT_TRUE(o.Exited(c.status)) << o.Shown();
    EXPECT_EQ(HasLineStartingWith(o.out, "File loaded ok\n"), c.status == 0) << o.out;
    EXPECT_EQ(FilesIn(out).size(), c.status == 0 ? 4u : 0u) << ::testing::PrintToString(FilesIn(out));
    fs::remove_all(out);
  }
}

}  // namespace
