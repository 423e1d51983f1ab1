#include "driver/output_options.h"

#include <algorithm>
#include <array>

#include "input/profile.h"

namespace qzr2rin {
namespace {

constexpr std::size_t kSiteLength = 4;
constexpr std::size_t kStationLength = 9;
constexpr std::size_t kCountryLength = 3;
constexpr std::size_t kMarkerTypeLength = 20;  // the header field, A20
constexpr std::string_view kUnknownMonumentAndReceiver = "00";
constexpr std::string_view kUnknownCountry = "XXX";

constexpr std::array<std::string_view, 14> kMarkerTypes = {
    "GEODETIC",   "NON_GEODETIC",  "NON_PHYSICAL", "SPACEBORNE", "GROUND_CRAFT", "WATER_CRAFT", "AIRBORNE",
    "FIXED_BUOY", "FLOATING_BUOY", "FLOATING_ICE", "GLACIER",    "BALLISTIC",    "ANIMAL",      "HUMAN"};

bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The four characters of the short names, made fit for a long name: upper
// case, and what is neither a letter nor a digit becomes 'X'.
std::string DefaultSite(std::string_view stationCode) {
  std::string site = UpperCase(stationCode.substr(0, kSiteLength));
  for (char& c : site) {
    if (!IsUpperLetter(c) && !IsDigit(c)) c = 'X';
  }
  site.resize(kSiteLength, 'X');
  return site;
}

}  // namespace

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::string MarkerTypeList() {
  std::string list;
  for (const std::string_view type : kMarkerTypes) {
    if (!list.empty()) list += ", ";
    list += type;
  }
  return list;
}

std::string_view VersionText(RinexVersion version) {
  switch (version) {
    case RinexVersion::V210: return "2.10";
    case RinexVersion::V304: return "3.04";
    case RinexVersion::V305: return "3.05";
  }
  return "2.10";
}

bool ParseRinexVersion(std::string_view text, RinexVersion& version) {
  if (text == "2.10") {
    version = RinexVersion::V210;
  } else if (text == "3" || text == "3.05") {
    version = RinexVersion::V305;
  } else if (text == "3.04") {
    version = RinexVersion::V304;
  } else {
    return false;
  }
  return true;
}

bool IsStationText(std::string_view text) {
  if (text.size() != kStationLength) return false;
  const std::string_view site = text.substr(0, kSiteLength);
  const std::string_view numbers = text.substr(kSiteLength, kUnknownMonumentAndReceiver.size());
  return std::all_of(site.begin(), site.end(), [](char c) { return IsUpperLetter(c) || IsDigit(c); }) &&
         std::all_of(numbers.begin(), numbers.end(), IsDigit) &&
         IsCountryCode(text.substr(kStationLength - kCountryLength));
}

bool IsCountryCode(std::string_view text) {
  return text.size() == kCountryLength && std::all_of(text.begin(), text.end(), IsUpperLetter);
}

bool IsMarkerType(std::string_view text) {
  return text.size() <= kMarkerTypeLength &&
         std::find(kMarkerTypes.begin(), kMarkerTypes.end(), text) != kMarkerTypes.end();
}

SiteNaming ResolveSiteNaming(const OutputOptions& options, const TProfile& profile,
                             std::string_view stationCode, std::string& problem) {
  problem.clear();
  SiteNaming naming;
  const std::string station =
      UpperCase(!options.station.empty() ? options.station : profile.GetString("STATION", ""));
  if (station.empty()) {
    naming.station = DefaultSite(stationCode);
    naming.station += kUnknownMonumentAndReceiver;
    naming.station += kUnknownCountry;
  } else if (IsStationText(station)) {
    naming.station = station;
  } else {
    problem = "Bad station " + station + ": nine characters, as SSSSMRCCC\n";
    return naming;
  }

  const std::string country =
      UpperCase(!options.country.empty() ? options.country : profile.GetString("COUNTRY", ""));
  if (!country.empty()) {
    if (!IsCountryCode(country)) {
      problem = "Bad country code " + country + ": three capital letters (ISO 3166 alpha-3)\n";
      return naming;
    }
    naming.station.replace(kStationLength - kCountryLength, kCountryLength, country);
  }

  naming.markerType =
      UpperCase(!options.markerType.empty() ? options.markerType
                                            : profile.GetString("MARKER TYPE", kDefaultMarkerType));
  if (!IsMarkerType(naming.markerType)) {
    problem = "Bad marker type " + naming.markerType +
              ": one of the RINEX keywords (GEODETIC, NON_GEODETIC, ...)\n";
  }
  return naming;
}

}  // namespace qzr2rin
