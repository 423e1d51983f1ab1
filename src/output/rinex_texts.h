#pragma once

#include <array>
#include <string_view>

// The texts every RINEX version writes alike: header labels (each begins in
// column 61), header value layouts and comment texts.
namespace qzr2rin::texts {

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

// Header values both versions lay out alike.
inline constexpr const char* kAntennaValue = "%-20.20s%-20.20s";
inline constexpr const char* kBuildValue = "%s %s";
inline constexpr const char* kCountValue = "%6d";
inline constexpr std::string_view kEventXa = "       *** EXTERNAL EVENT XA ";
inline constexpr std::string_view kEventXb = "       *** EXTERNAL EVENT XB ";
inline constexpr const char* kInputNameValue = "%-60.60s";
inline constexpr const char* kLostEpochsComment = "    %3lld Epochs lost";
// The time base of an event's time, after its times.
inline constexpr std::array<std::string_view, 5> kTimeBasePhrases = {
    "in GPS time     ***", "in UTC_USNO time     ***", "in GLONASS time     ***", "in UTC_SU time     ***",
    "in Unknown time     ***"};
// An event's two times: GPS and the time base's, with its letter between.
inline constexpr const char* kEventTimes = " %02d%3d%3d%3d%3d%13.9f;%c %02d%3d%3d%3d%3d%13.9f";
inline constexpr const char* kObsTimeValue = "%6d%6d%6d%6d%6d%13.7f     %s";
inline constexpr const char* kReceiverValue = "%-20.20s%-20.20s%-20.20s";
inline constexpr const char* kSignatureValue = "SE MRV %08x";
inline constexpr std::string_view kSlantComment = "DELTA H stands for **SLANT** height here!";
inline constexpr const char* kStatisticsValue = "Expected:%6lld arrived:%6lld loss:%6lld epochs";
inline constexpr std::string_view kTimeBaseLetters = "GURSN";

// Epoch flags, the same in every version.
inline constexpr int kFlagOk = 0;
inline constexpr int kFlagPowerFailure = 1;
inline constexpr int kFlagMovingAntenna = 2;
inline constexpr int kFlagNewSite = 3;
inline constexpr int kFlagHeaderInfo = 4;
inline constexpr int kFlagExternalEvent = 5;
inline constexpr int kFlagCycleSlips = 6;

}  // namespace qzr2rin::texts
