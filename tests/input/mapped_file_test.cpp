#include "input/mapped_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "support/qzr_writer.h"

namespace qzr2rin {
namespace {

TEST(MappedFile, InputFileIsMappedWhole) {
  qzrtest::TempDir dir;
  const std::string path = dir.File("log.qzr");
  qzrtest::WriteFile(path, "QZ005hello");
  TOpenMappedFile file(path);
  ASSERT_TRUE(file.Usable());
  EXPECT_EQ(file.lastError, 0u);
  EXPECT_EQ(file.fileName, path);
  ASSERT_EQ(file.size, 10u);
  EXPECT_EQ(std::string(file.View().begin(), file.View().end()), "QZ005hello");
}

TEST(MappedFile, UnusableInputsKeepTheSystemError) {
  qzrtest::TempDir dir;
  struct Case {
    const char* what;
    std::string path;
    std::uint32_t error;
  };
  const Case kCases[] = {
      {"missing file", dir.File("absent.qzr"), ENOENT},
      {"directory", dir.path(), EISDIR},
      {"no name", "", EINVAL},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TOpenMappedFile file(c.path);
    EXPECT_FALSE(file.Usable());
    EXPECT_EQ(file.lastError, c.error);
    EXPECT_EQ(file.fileHandle, -1);
    EXPECT_EQ(file.view, nullptr);
    EXPECT_TRUE(file.View().empty());
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

TEST(MappedFile, ParametersWithoutAccessAreRefused) {
  qzrtest::TempDir dir;
  const std::string path = dir.File("x");
  qzrtest::WriteFile(path, "abc");
  TMappedFile::TParameters p;
  p.fileName = path;
  p.desiredAccess = 0;
  TMappedFile file(p);
  EXPECT_FALSE(file.Usable());
  EXPECT_EQ(file.lastError, static_cast<std::uint32_t>(EINVAL));
  EXPECT_EQ(file.fileHandle, -1);
}

TEST(MappedFile, AnonymousWritableMappingAndNamesAreAccepted) {
  TMappedFile::TParameters p;
  p.desiredAccess = TMappedFile::kReadAccess | TMappedFile::kWriteAccess;
  p.maximumSizeLow = 8192;
  p.mappingName = "shared-name";
  TMappedFile first(p);
  ASSERT_TRUE(first.Usable());
  EXPECT_EQ(first.size, 8192u);
  first.view[8191] = 7;
  TMappedFile second(p);
  EXPECT_TRUE(second.Usable());
  EXPECT_EQ(second.lastError, 0u);
}

TEST(MappedFile, ReadOnlyMappingLargerThanTheFileIsRefused) {
  qzrtest::TempDir dir;
  const std::string path = dir.File("short");
  qzrtest::WriteFile(path, "abc");
  TMappedFile::TParameters p;
  p.fileName = path;
  p.maximumSizeLow = 1 << 20;
  TMappedFile file(p);
  EXPECT_FALSE(file.Usable());
  EXPECT_EQ(file.lastError, static_cast<std::uint32_t>(EINVAL));
}

}  // namespace
}  // namespace qzr2rin
