// Staged files: a file shows under its final name only once whole, and
// naming never replaces what is there.

#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "support/qzr_writer.h"

namespace qzr2rin::platform {
namespace {

std::set<std::string> FilesIn(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.insert(entry.path().filename());
  return names;
}

TEST(StagedFile, ShowsOnlyItsTemporaryUntilNamed) {
  qzrtest::TempDir dir;
  const std::string path = dir.File("a.26O");
  StagedFile file;
  ASSERT_TRUE(file.Open(path));
  file.File().Write("whole\n");
  EXPECT_EQ(FilesIn(dir.path()).size(), 1u);
  EXPECT_EQ(FilesIn(dir.path()).count("a.26O"), 0u);
  EXPECT_TRUE(file.NameNew(path));
  EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"a.26O"});
  EXPECT_EQ(qzrtest::ReadFile(path), "whole\n");
}

TEST(StagedFile, NamingNeverReplacesAndATakenNameKeepsTheFile) {
  qzrtest::TempDir dir;
  const std::string taken = dir.File("a.26O");
  qzrtest::WriteFile(taken, "someone else's\n");
  StagedFile file;
  ASSERT_TRUE(file.Open(taken));
  file.File().Write("mine\n");
  EXPECT_FALSE(file.NameNew(taken));
  EXPECT_EQ(file.LastError(), EEXIST);
  EXPECT_EQ(qzrtest::ReadFile(taken), "someone else's\n");
  // Still staged: it can go under another name.
  EXPECT_TRUE(file.NameNew(dir.File("b.26O")));
  EXPECT_EQ(qzrtest::ReadFile(dir.File("b.26O")), "mine\n");
  EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"a.26O", "b.26O"}));
}

TEST(StagedFile, WhatIsNotNamedIsRemoved) {
  qzrtest::TempDir dir;
  {
    StagedFile dropped;
    ASSERT_TRUE(dropped.Open(dir.File("a.26O")));
    dropped.File().Write("part");
  }
  StagedFile discarded;
  ASSERT_TRUE(discarded.Open(dir.File("b.26O")));
  discarded.Discard();
  // A name taken back leaves it staged again, and then removed.
  {
    StagedFile back;
    ASSERT_TRUE(back.Open(dir.File("c.26O")));
    ASSERT_TRUE(back.NameNew(dir.File("c.26O")));
    EXPECT_TRUE(back.TakeBackName());
  }
  EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST(StagedFile, ReplacingNameGoesOverTheOldFileNotThroughIt) {
  qzrtest::TempDir dir;
  const std::string path = dir.File("site.log");
  qzrtest::WriteFile(path, "old\n");
  std::filesystem::create_hard_link(path, dir.File("other"));
  StagedFile file;
  ASSERT_TRUE(file.Open(path));
  file.File().Write("new\n");
  ASSERT_TRUE(file.NameReplacing(path));
  EXPECT_EQ(qzrtest::ReadFile(path), "new\n");
  EXPECT_EQ(qzrtest::ReadFile(dir.File("other")), "old\n");
}

}  // namespace
}  // namespace qzr2rin::platform
