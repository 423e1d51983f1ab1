#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "output/rinex_texts.h"

// The texts and printf layouts of the observation file, verbatim.
namespace qzr2rin::layout {

// -- Header labels (each begins in column 61).
using texts::kLabelAntenna;
using texts::kLabelAntennaDelta;
using texts::kLabelComment;
using texts::kLabelMarkerName;
using texts::kLabelMarkerNumber;
using texts::kLabelObserver;
using texts::kLabelPosition;
using texts::kLabelProgram;
using texts::kLabelReceiver;
inline constexpr std::string_view kLabelWavelength = "WAVELENGTH FACT L1/2";
using texts::kLabelFirstObs;
using texts::kLabelInterval;
using texts::kLabelLastObs;
using texts::kLabelLeapSeconds;
using texts::kLabelSatellites;
inline constexpr std::string_view kLabelTypes = "# / TYPES OF OBSERV";
using texts::kLabelPrnObs;

// -- Fixed header lines.
inline constexpr std::string_view kVersionMixed =
    "     2.10           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE\n";
inline constexpr std::string_view kVersionGps =
    "     2.10           OBSERVATION DATA    G (GPS)             RINEX VERSION / TYPE\n";
inline constexpr std::string_view kVersionGlonass =
    "     2.10           OBSERVATION DATA    R (GLONASS)         RINEX VERSION / TYPE\n";
inline constexpr std::string_view kClockOffsetApplied =
    "     0                                                      RCV CLOCK OFFS APPL\n";
// The label is followed by twelve blanks; files in use carry it so.
inline constexpr std::string_view kSmoothedComment =
    "     PSEUDORANGES SMOOTHED                                  COMMENT            \n";
inline constexpr std::string_view kEndOfHeader =
    "                                                            END OF HEADER\n";

// -- Header value layouts.
inline constexpr const char* kProgramValue = "%-19.19s %-19.19s %02d-%3.3s-%02d %02d:%02d ";
using texts::kBuildValue;
using texts::kInputNameValue;
inline constexpr const char* kObserverValue = "%-20.20s%-20.20s";
using texts::kAntennaValue;
using texts::kReceiverValue;
inline constexpr const char* kThreeMetresValue = "%14.4lf%14.4lf%14.4lf";
using texts::kSlantComment;
inline constexpr const char* kWavelengthValue = "%6d%6d";
using texts::kObsTimeValue;
inline constexpr const char* kIntervalValue = "%10.3lf";
using texts::kCountValue;
using texts::kStatisticsValue;
inline constexpr const char* kPrnValue = "   %c%2d";
using texts::kSignatureValue;

// Observation types in file order, as the type line writes them.
inline constexpr std::array<std::string_view, 9> kTypeNames = {
    "    C1", "    P1", "    P2", "    L1", "    L2", "    D1", "    D2", "    S1", "    S2"};

// -- Records.
inline constexpr const char* kEpochLine = " %02d%3d%3d%3d%3d%11.7lf%3d%3d";
inline constexpr const char* kEventEpochLine = " %02d%3d%3d%3d%3d%11.7lf%3d%3d\n";
inline constexpr const char* kNewSiteLine = " %02d%3d%3d%3d%3d%11.7lf  3%3d\n";
inline constexpr const char* kSatelliteEntry = "%c%2d";
inline constexpr const char* kClockOffset = "%12.9lf";
inline constexpr std::string_view kContinuationIndent = "                                ";  // 32 blanks
inline constexpr std::string_view kMissingEntry = "   ";
inline constexpr std::size_t kEntriesPerLine = 12;
inline constexpr std::size_t kFieldsPerLine = 5;
inline constexpr const char* kSpecialRecordLine = "%29d%3d\n";  // flag and count, epoch fields blank
using texts::kEventTimes;
using texts::kEventXa;
using texts::kEventXb;
using texts::kLostEpochsComment;
using texts::kTimeBaseLetters;
using texts::kTimeBasePhrases;
inline constexpr std::string_view kKinematicComment =
    "         *** FROM NOW ON KINEMATIC DATA! ***                COMMENT\n";
inline constexpr std::string_view kNewSiteComment =
    "      *** THIS IS THE START OF A NEW SITE ***               COMMENT\n";

// Record flags.
using texts::kFlagCycleSlips;
using texts::kFlagExternalEvent;
using texts::kFlagHeaderInfo;
using texts::kFlagMovingAntenna;
using texts::kFlagNewSite;
using texts::kFlagOk;
using texts::kFlagPowerFailure;

}  // namespace qzr2rin::layout
