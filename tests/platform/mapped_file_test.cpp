#include "platform/mapped_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "support/qzr_writer.h"

namespace qzr2rin {
namespace {

TEST(MappedFile, InputFileIsReadWhole) {
  qzrtest::TempDir dir;
  const std::string path = dir.File("log.qzr");
  qzrtest::WriteFile(path, "QZ005hello");
  TOpenMappedFile file(path);
  ASSERT_TRUE(file.Usable());
  EXPECT_EQ(file.lastError, 0u);
  ASSERT_EQ(file.size, 10u);
  EXPECT_EQ(std::string(file.View().begin(), file.View().end()), "QZ005hello");
  EXPECT_FALSE(file.ChangedSinceRead());
}

TEST(MappedFile, UnusableInputsKeepTheSystemError) {
  qzrtest::TempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    const char* what;
    std::string path;
    std::uint32_t error;
  };
  const Case kCases[] = {
      {"missing file", dir.File("absent.qzr"), ENOENT},
      {"directory", dir.path(), EISDIR},
      // Opened without waiting for a writer, then refused.
      {"FIFO", fifo, ENODEV},
      {"no name", "", EINVAL},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TOpenMappedFile file(c.path);
    EXPECT_FALSE(file.Usable());
    EXPECT_EQ(file.lastError, c.error);
    EXPECT_EQ(file.size, 0u);
    EXPECT_TRUE(file.View().empty());
    EXPECT_FALSE(file.ChangedSinceRead());
  }
}

TEST(MappedFile, EmptyFileIsUsableWithSizeZero) {
  qzrtest::TempDir dir;
  const std::string path = dir.File("empty.qzr");
  qzrtest::WriteFile(path, "");
  TOpenMappedFile file(path);
  EXPECT_TRUE(file.Usable());
  EXPECT_EQ(file.size, 0u);
  EXPECT_TRUE(file.View().empty());
}

TEST(MappedFile, ChangesToTheFileThatWasRead) {
  struct Case {
    const char* what;
    std::function<void(const std::string& path, const std::string& other)> change;
    bool changed;
  };
  const Case kCases[] = {
      {"untouched", [](const std::string&, const std::string&) {}, false},
      {"grown", [](const std::string& path, const std::string&) { qzrtest::WriteFile(path, "QZ005hello!"); },
       true},
      {"same size, new time",
       [](const std::string& path, const std::string&) {
         const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
         ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
       },
       true},
      // What was read is still as it was; only the name moved on.
      {"name given to another file",
       [](const std::string& path, const std::string& other) {
         qzrtest::WriteFile(other, "something else entirely");
         ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
       },
       false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    qzrtest::TempDir dir;
    const std::string path = dir.File("log.qzr");
    qzrtest::WriteFile(path, "QZ005hello");
    TOpenMappedFile file(path);
    ASSERT_TRUE(file.Usable());
    c.change(path, dir.File("other.qzr"));
    EXPECT_EQ(file.ChangedSinceRead(), c.changed);
    EXPECT_EQ(std::string(file.View().begin(), file.View().end()), "QZ005hello");
  }
}

TEST(MappedFile, FileLargerThanTheMemoryLeftIsRefusedWithEnomem) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator aborts where the program would see ENOMEM";
#endif
  qzrtest::TempDir dir;
  const std::string path = dir.File("huge.qzr");
  qzrtest::WriteFile(path, "");
  constexpr off_t kFileSize = off_t{1} << 30;  // sparse: takes no disk
  ASSERT_EQ(::truncate(path.c_str(), kFileSize), 0);
  EXPECT_EXIT(
      {
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        // Room for what runs already, not for a copy of the file.
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
          if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
          std::fclose(statm);
        }
        limit.rlim_cur =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (rlim_t{256} << 20);
        if (pages == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(2);
        TOpenMappedFile file(path);
        std::_Exit(!file.Usable() && file.lastError == ENOMEM && file.View().empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace qzr2rin
