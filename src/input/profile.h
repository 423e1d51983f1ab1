#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qzr2rin {

// The section every lookup of this program reads.
inline constexpr std::string_view kProfileSection = "QZR2RIN";

// Read-only access to one section of an INI profile file.
//
// Section names and keys match without regard to ASCII letter case; keys and
// values lose surrounding blanks and tabs, and a value wrapped in a matching
// pair of double or single quotes loses the pair. A line whose first
// non-blank character is ';' is a comment. '#' is an ordinary character,
// since keys such as "ANT #" contain it. The first occurrence of a key wins,
// searching every occurrence of the section in file order.
//
// Nothing is cached: every lookup reads the file again, so a header line
// written later sees an edit made meanwhile. A missing, unreadable or
// non-regular file, a missing section or a missing key gives the default;
// so does every lookup when the path is empty.
class TProfile {
 public:
  // Longest value a lookup returns; longer values are cut.
  static constexpr std::size_t kMaxValueLength = 32699;

  TProfile(std::string section, std::string profilePath);

  std::string GetString(std::string_view key, std::string_view defaultValue) const;
  // The decimal integer at the start of the value (optional sign, then
  // digits), saturated to the int range; 0 when the value starts with no
  // digit. The default only when the key is missing.
  int GetInt(std::string_view key, int defaultValue) const;

  // True when the path names a FIFO, a directory, a device or anything else
  // that is not a regular file: a profile was asked for that cannot be one.
  // A missing file is not refused.
  bool Refused() const;

  const std::string& section() const { return section_; }
  const std::string& profilePath() const { return profilePath_; }

 private:
  std::optional<std::string> Find(std::string_view key) const;

  std::string section_;
  std::string profilePath_;
};

// The number at the start of a text, read like the C library's decimal
// conversion but independent of the locale: leading white space and one
// '+' or '-' are accepted. A text that starts with no number gives 0, and so
// do infinities, NaN and values out of the double range, which a header
// field cannot show.
double ProfileNumber(std::string_view text);

}  // namespace qzr2rin
