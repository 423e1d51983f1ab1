#include "base/messages.h"

#include <gtest/gtest.h>

#include <climits>

namespace qzr2rin {
namespace {

TEST(Messages, StatusTextsAndUnknowns) {
  struct Case {
    int status;
    const char* text;
  };
  const Case kCases[] = {
      {0, "File loaded ok"},
      {1, "Error opening/reading file"},
      {3, "Inconsistent or corrupt data in QZR file"},
      {5, "-Unknown-"},
      {12, "Error opening output file"},
      {16, "Conflicting options: -I and -d"},
      {17, "Cannot find full date in file or date in file is past current date"},
      {18, "-Unknown-"},
      {-1, "-Unknown-"},
      {INT_MAX, "-Unknown-"},
      {INT_MIN, "-Unknown-"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.status);
    EXPECT_EQ(GetError(c.status), c.text);
    std::string through;
    GetError(c.status, through);
    EXPECT_EQ(through, c.text);
  }
}

TEST(Messages, TableNumbers) {
  EXPECT_EQ(GetMessage(1), "1");
  EXPECT_EQ(GetMessage(200), "QZR2RIN 1.40");
  EXPECT_EQ(GetMessage(205), "ANT #");
  EXPECT_EQ(GetMessage(208), "MARKER NUMBER");
  EXPECT_EQ(GetMessage(219), "Bad time tag in file");
  EXPECT_EQ(GetMessage(700), "build Feb  6 2004");
  EXPECT_EQ(GetMessage(227), "-Unknown-");
  EXPECT_EQ(GetMessage(0), "-Unknown-");
  EXPECT_EQ(GetMessage(699), "-Unknown-");
}

TEST(Messages, NoticeFitsTheHeaderComment) {
  // Build text and notice share one 60-column COMMENT line.
  EXPECT_LE(GetMessage(700).size() + 1 + GetMessage(701).size(), 60u);
  EXPECT_LE(GetMessage(701).size(), 42u);
  EXPECT_EQ(BannerLine(), "QZR2RIN 1.40 build Feb  6 2004 " + GetMessage(701));
}

}  // namespace
}  // namespace qzr2rin
