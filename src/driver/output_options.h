#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "output/file_forms.h"

namespace qzr2rin {

class TProfile;

enum class RinexVersion : std::uint8_t { V210, V304, V305 };

// The text of a version as a RINEX header and the help show it.
std::string_view VersionText(RinexVersion version);

// How the files are written and named: what the command line's long options
// ask for. Nothing here reaches the decoders.
struct OutputOptions {
  enum class Names : std::uint8_t { Default, Long, Short };

  RinexVersion version = RinexVersion::V210;
  Names names = Names::Default;
  std::string station;     // --station: nine characters; empty when not given
  std::string country;     // --country: three letters; empty when not given
  std::string markerType;  // --marker-type; empty when not given
  FileForms forms;         // --crx, --gzip

  bool Rinex3() const { return version != RinexVersion::V210; }
  // Long names are the default with RINEX 3, short names with RINEX 2.10.
  bool LongNames() const { return names == Names::Long || (names == Names::Default && Rinex3()); }
};

// The rules of the values, shared by the command line and the profile.
// "2.10", "3", "3.04" or "3.05"; false for anything else.
bool ParseRinexVersion(std::string_view text, RinexVersion& version);
// Four letters or digits (the site), two digits (monument and receiver),
// three capital letters (the ISO 3166 alpha-3 country).
bool IsStationText(std::string_view text);
bool IsCountryCode(std::string_view text);
// One of the RINEX marker type keywords (GEODETIC, NON_GEODETIC, ...).
bool IsMarkerType(std::string_view text);

inline constexpr std::string_view kDefaultMarkerType = "GEODETIC";
// The keywords, separated by ", ", for messages.
std::string MarkerTypeList();
// ASCII letters in upper case, everything else as it is.
std::string UpperCase(std::string_view text);

// The site part of long names and the RINEX 3 marker type, each from the
// command line, else the profile (keys STATION, COUNTRY, MARKER TYPE), else
// the default: the four-character station code in upper case, "00", "XXX";
// "GEODETIC". A country replaces the station's last three characters;
// letters are taken in upper case.
struct SiteNaming {
  std::string station;  // nine characters
  std::string markerType;
};

// Empty `problem` when every value is sound; otherwise the line (with its
// end) that refuses the first bad one, and `naming` is not to be used.
SiteNaming ResolveSiteNaming(const OutputOptions& options, const TProfile& profile,
                             std::string_view stationCode, std::string& problem);

}  // namespace qzr2rin
