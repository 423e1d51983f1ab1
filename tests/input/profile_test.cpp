#include "input/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <string>

#include "support/qzr_writer.h"

namespace qzr2rin {
namespace {

// A profile in the shape users write: CR LF ends, both "=" spellings,
// comments, a second section that must not leak in, and the section again.
constexpr std::string_view kProfile =
    "; site profile\r\n"
    "RUN BY = outside any section\r\n"
    "[QZR2RIN]\r\n"
    "run by = Survey Team\r\n"
    "OBSERVER=J. Field\r\n"
    "  AGENCY \t=\t  Office of Surveys  \r\n"
    "ANT # = 4711\r\n"
    "Ant Type=  GEO-ROVER  NONE\r\n"
    "REC #=R-9 #2\r\n"
    "COMMENT =\r\n"
    "; MARKER NAME = commented out\r\n"
    "   ;VERS = commented out too\r\n"
    "MARKER NAME\r\n"
    "MARKER NAME = SITE\r\n"
    "MARKER NAME = second occurrence\r\n"
    "DOUBLE = \"  padded  \"\r\n"
    "SINGLE = 'x'\r\n"
    "EMPTY QUOTES = \"\"\r\n"
    "UNMATCHED = \"open\r\n"
    "MIXED = \"a'\r\n"
    "LONE = \"\r\n"
    "INNER = a \"b\" c\r\n"
    "NOTE = value ; not a comment\r\n"
    "HASH = # not a comment\r\n"
    "= no key\r\n"
    "EQUALS = a=b\r\n"
    "[Other]\r\n"
    "VERS = other section\r\n"
    "[ qzr2rin ]\r\n"
    "VERS = 2.1\r\n"
    "MARKER NAME = third occurrence\r\n"
    "LF ONLY = unix\n"
    "LAST = no line end";

class ProfileFile : public ::testing::Test {
 protected:
  ProfileFile() : path_(dir_.File("site.ini")) {}
  void Write(std::string_view content) { qzrtest::WriteFile(path_, content); }
  TProfile Profile() const { return TProfile(std::string(kProfileSection), path_); }

  qzrtest::TempDir dir_;
  std::string path_;
};

TEST_F(ProfileFile, StringLookups) {
  Write(kProfile);
  struct Case {
    const char* key;
    const char* expected;
  };
  const Case kCases[] = {
      {"RUN BY", "Survey Team"},
      {"run by", "Survey Team"},
      {"Observer", "J. Field"},
      {"AGENCY", "Office of Surveys"},
      {"ANT #", "4711"},
      {"ANT TYPE", "GEO-ROVER  NONE"},
      {"REC #", "R-9 #2"},
      {"COMMENT", ""},
      {"MARKER NAME", "SITE"},
      {"DOUBLE", "  padded  "},
      {"SINGLE", "x"},
      {"EMPTY QUOTES", ""},
      {"UNMATCHED", "\"open"},
      {"MIXED", "\"a'"},
      {"LONE", "\""},
      {"INNER", "a \"b\" c"},
      {"NOTE", "value ; not a comment"},
      {"HASH", "# not a comment"},
      {"EQUALS", "a=b"},
      {"VERS", "2.1"},
      {"LF ONLY", "unix"},
      {"LAST", "no line end"},
      {"RUN", "<default>"},
      {"MARKER NUMBER", "<default>"},
      {"", "<default>"},
  };
  const TProfile profile = Profile();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(profile.GetString(c.key, "<default>"), c.expected);
  }
}

TEST_F(ProfileFile, IntLookups) {
  Write(
      "[QZR2RIN]\n"
      "HeaderQZRInIniFile = 1\n"
      "TRAILING = 12abc\n"
      "NEGATIVE = -5\n"
      "PLUS = +7\n"
      "LETTERS = abc\n"
      "EMPTY =\n"
      "QUOTED = '3'\n"
      "SIGN ONLY = -\n"
      "INNER BLANK = 4 2\n"
      "HUGE = 99999999999999999999999\n"
      "HUGE NEGATIVE = -99999999999999999999999\n"
      "MINIMUM = -2147483648\n");
  struct Case {
    const char* key;
    int expected;
  };
  const Case kCases[] = {
      {"headerqzrininifile", 1},
      {"TRAILING", 12},
      {"NEGATIVE", -5},
      {"PLUS", 7},
      {"LETTERS", 0},
      {"EMPTY", 0},
      {"QUOTED", 3},
      {"SIGN ONLY", 0},
      {"INNER BLANK", 4},
      {"HUGE", INT_MAX},
      {"HUGE NEGATIVE", INT_MIN},
      {"MINIMUM", INT_MIN},
      {"MISSING", -77},
  };
  const TProfile profile = Profile();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(profile.GetInt(c.key, -77), c.expected);
  }
}

TEST_F(ProfileFile, NoUsableProfileGivesDefaults) {
  const std::string missing = dir_.File("missing.ini");
  const std::string withoutSection = dir_.File("other.ini");
  qzrtest::WriteFile(withoutSection, "[QZR2RINX]\nRUN BY = wrong\n[Other]\nRUN BY = wrong\nQZR2RIN\n");
  const std::string keysOnly = dir_.File("keys.ini");
  qzrtest::WriteFile(keysOnly, "RUN BY = before any section\n");
  const std::string empty = dir_.File("empty.ini");
  qzrtest::WriteFile(empty, "");
  // Opening a pipe would wait for a writer forever.
  const std::string pipe = dir_.File("pipe.ini");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string* const kPaths[] = {&missing, &withoutSection, &keysOnly, &empty, &dir_.path(), &pipe};
  for (const std::string* path : kPaths) {
    SCOPED_TRACE(*path);
    const TProfile profile(std::string(kProfileSection), *path);
    EXPECT_EQ(profile.GetString("RUN BY", "RUN BY"), "RUN BY");
    EXPECT_EQ(profile.GetInt("RUN BY", 9), 9);
  }
}

TEST(Profile, EmptyPathGivesDefaults) {
  const TProfile profile(std::string(kProfileSection), "");
  EXPECT_EQ(profile.GetString("OBSERVER", "OBSERVER"), "OBSERVER");
  EXPECT_EQ(profile.GetString("ANT #", ""), "");
  EXPECT_EQ(profile.GetInt("HeaderQZRInIniFile", 0), 0);
}

TEST_F(ProfileFile, EveryLookupSeesTheCurrentFile) {
  Write("[QZR2RIN]\nOBSERVER = first\n");
  const TProfile profile = Profile();
  EXPECT_EQ(profile.GetString("OBSERVER", "OBSERVER"), "first");
  Write("[QZR2RIN]\nOBSERVER = second\nHeaderQZRInIniFile = 1\n");
  EXPECT_EQ(profile.GetString("OBSERVER", "OBSERVER"), "second");
  EXPECT_EQ(profile.GetInt("HeaderQZRInIniFile", 0), 1);
  std::remove(path_.c_str());
  EXPECT_EQ(profile.GetString("OBSERVER", "OBSERVER"), "OBSERVER");
}

TEST_F(ProfileFile, LeadingByteOrderMarkIsSkipped) {
  Write("\xEF\xBB\xBF[QZR2RIN]\r\nAGENCY = Office\r\n");
  EXPECT_EQ(Profile().GetString("AGENCY", "AGENCY"), "Office");
}

TEST_F(ProfileFile, LongValuesAreCut) {
  const std::size_t kMax = TProfile::kMaxValueLength;
  const std::string atLimit(kMax, 'a');
  const std::string overLimit = std::string(kMax, 'b') + "tail";
  // Longer than the part of a line the reader keeps.
  const std::string huge = std::string(kMax, 'c') + std::string(100000, 'd');
  Write("[QZR2RIN]\nAT LIMIT = " + atLimit + "\nOVER = " + overLimit + "\nHUGE = " + huge +
        "\nHUGE QUOTED = \"" + huge + "\"  \r\nAFTER = seen\n");
  const TProfile profile = Profile();
  EXPECT_EQ(profile.GetString("AT LIMIT", ""), atLimit);
  EXPECT_EQ(profile.GetString("OVER", ""), std::string(kMax, 'b'));
  EXPECT_EQ(profile.GetString("HUGE", ""), std::string(kMax, 'c'));
  EXPECT_EQ(profile.GetString("HUGE QUOTED", ""), std::string(kMax, 'c'));
  EXPECT_EQ(profile.GetString("AFTER", ""), "seen");
}

TEST(ProfileNumber, LeadingNumber) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case kCases[] = {
      {"1.2500", 1.25},  {"  -0.25 m", -0.25}, {"\t3", 3.0},   {"+2", 2.0},  {".5", 0.5},   {"1e3", 1000.0},
      {"2.5E-1x", 0.25}, {"12abc", 12.0},      {"0.000", 0.0}, {"", 0.0},    {"   ", 0.0},  {"abc", 0.0},
      {"+", 0.0},        {"+-2", 0.0},         {"++2", 0.0},   {"- 2", 0.0}, {"0x10", 0.0}, {"nan", 0.0},
      {"-inf", 0.0},     {"infinity", 0.0},    {"1e999", 0.0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ProfileNumber(c.text), c.expected);
  }
}

}  // namespace
}  // namespace qzr2rin
