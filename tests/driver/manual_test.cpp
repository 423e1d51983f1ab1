// The manual page and README describe the same program: every switch the
// scanner takes and every exit code the program can end with, with the
// status text the program prints.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "driver/help.h"
#include "driver/options.h"
#include "qzr2rin/error.h"
#include "support/qzr_writer.h"

namespace qzr2rin {
namespace {

const std::string kSourceDir = std::string(QZR2RIN_TEST_DATA) + "/../..";

std::string Manual() { return qzrtest::ReadFile(kSourceDir + "/doc/qzr2rin.1"); }
std::string Readme() { return qzrtest::ReadFile(kSourceDir + "/README.md"); }

// The exit codes a conversion or the command line can end with.
constexpr int kExitCodes[] = {0, 1, 2, 3, 10, 11, 12, 13, 14, 16, 17};

// The text between a heading and the next one.
std::string Section(const std::string& text, const std::string& heading, const std::string& next) {
  const std::size_t start = text.find(heading);
  if (start == std::string::npos) return {};
  return text.substr(start, text.find(next, start + heading.size()) - start);
}

// A switch as a word of its own: not followed by a letter or digit.
bool MentionsSwitch(const std::string& text, const std::string& word) {
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const std::size_t after = at + word.size();
    if (after == text.size() || !std::isalnum(static_cast<unsigned char>(text[after]))) return true;
  }
  return false;
}

TEST(Manual, DescribesEverySwitch) {
  const std::string options = Section(Manual(), ".SH OPTIONS", ".SH ");
  const std::string usage = Section(Readme(), "## Usage", "\n## ");
  ASSERT_FALSE(options.empty());
  ASSERT_FALSE(usage.empty());
  for (const char letter : kOptionLetters) {
    if (letter == ':') continue;
    SCOPED_TRACE(std::string(1, letter));
    EXPECT_TRUE(MentionsSwitch(options, std::string("\\-") + letter));
    EXPECT_TRUE(MentionsSwitch(usage, std::string("`-") + letter));
  }
}

// Every long option the help lists, in the manual's options and README's
// usage.
TEST(Manual, DescribesEveryLongOption) {
  const std::string options = Section(Manual(), ".SH OPTIONS", ".SH ");
  const std::string usage = Section(Readme(), "## Usage", "\n## ");
  const std::string help = LongOptionsText();
  int listed = 0;
  for (std::size_t at = help.find("\n --"); at != std::string::npos; at = help.find("\n --", at + 1)) {
    const std::size_t start = at + 4;
    const std::string name = help.substr(start, help.find_first_of(" \n", start) - start);
    SCOPED_TRACE(name);
    ++listed;
    std::string escaped;
    for (const char c : name) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_TRUE(MentionsSwitch(options, "\\-\\-" + escaped));
    EXPECT_TRUE(MentionsSwitch(usage, "`--" + name));
  }
  EXPECT_GT(listed, 0);
}

// The manual with its escaped hyphens as they print.
std::string Unescaped(std::string text) {
  for (std::size_t at = text.find("\\-"); at != std::string::npos; at = text.find("\\-", at))
    text.erase(at, 1);
  return text;
}

TEST(Manual, ListsEveryExitCodeWithItsText) {
  const std::string manual = Unescaped(Manual());
  const std::string readme = Readme();
  for (const int code : kExitCodes) {
    SCOPED_TRACE(code);
    const std::string text = GetError(code);
    ASSERT_FALSE(text.empty());
    // The manual's first sentence for the code is the status text itself.
    const std::string entry = ".B " + std::to_string(code) + "\n";
    const std::size_t at = manual.find(entry, manual.find(".SH EXIT STATUS"));
    ASSERT_NE(at, std::string::npos);
    std::string sentence = manual.substr(at + entry.size(), text.size());
    EXPECT_EQ(sentence, text);
    EXPECT_NE(readme.find("| " + std::to_string(code) + " | " + text), std::string::npos);
  }
  EXPECT_NE(manual.find(".B 255\n"), std::string::npos);
  EXPECT_NE(readme.find("| 255 |"), std::string::npos);
}

}  // namespace
}  // namespace qzr2rin
