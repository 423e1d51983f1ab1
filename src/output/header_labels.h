#pragma once

#include <string_view>

// The header labels every RINEX version writes alike (each begins in
// column 61).
namespace qzr2rin::labels {

inline constexpr std::string_view kLabelAntenna = "ANT # / TYPE";
inline constexpr std::string_view kLabelAntennaDelta = "ANTENNA: DELTA H/E/N";
inline constexpr std::string_view kLabelComment = "COMMENT";
inline constexpr std::string_view kLabelEnd = "END OF HEADER";
inline constexpr std::string_view kLabelFirstObs = "TIME OF FIRST OBS";
inline constexpr std::string_view kLabelInterval = "INTERVAL";
inline constexpr std::string_view kLabelLastObs = "TIME OF LAST OBS";
inline constexpr std::string_view kLabelLeapSeconds = "LEAP SECONDS";
inline constexpr std::string_view kLabelMarkerName = "MARKER NAME";
inline constexpr std::string_view kLabelMarkerNumber = "MARKER NUMBER";
inline constexpr std::string_view kLabelObserver = "OBSERVER / AGENCY";
inline constexpr std::string_view kLabelPosition = "APPROX POSITION XYZ";
inline constexpr std::string_view kLabelPrnObs = "PRN / # OF OBS";
inline constexpr std::string_view kLabelProgram = "PGM / RUN BY / DATE";
inline constexpr std::string_view kLabelReceiver = "REC # / TYPE / VERS";
inline constexpr std::string_view kLabelSatellites = "# OF SATELLITES";
inline constexpr std::string_view kLabelVersion = "RINEX VERSION / TYPE";

}  // namespace qzr2rin::labels
