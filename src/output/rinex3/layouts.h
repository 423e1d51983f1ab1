#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "output/rinex_texts.h"

// The texts and printf layouts of the RINEX 3 observation file.
namespace qzr2rin::layout3 {

// -- Header labels (each begins in column 61).
using texts::kLabelComment;
using texts::kLabelMarkerName;
using texts::kLabelMarkerNumber;
using texts::kLabelProgram;
using texts::kLabelVersion;
inline constexpr std::string_view kLabelMarkerType = "MARKER TYPE";
using texts::kLabelAntenna;
using texts::kLabelAntennaDelta;
using texts::kLabelObserver;
using texts::kLabelPosition;
using texts::kLabelReceiver;
inline constexpr std::string_view kLabelTypes = "SYS / # / OBS TYPES";
inline constexpr std::string_view kLabelStrengthUnit = "SIGNAL STRENGTH UNIT";
using texts::kLabelFirstObs;
using texts::kLabelInterval;
using texts::kLabelLastObs;
inline constexpr std::string_view kLabelClockApplied = "RCV CLOCK OFFS APPL";
inline constexpr std::string_view kLabelPhaseShift = "SYS / PHASE SHIFT";
inline constexpr std::string_view kLabelGlonassSlots = "GLONASS SLOT / FRQ #";
inline constexpr std::string_view kLabelGlonassBiases = "GLONASS COD/PHS/BIS";
using texts::kLabelEnd;
using texts::kLabelLeapSeconds;
using texts::kLabelPrnObs;
using texts::kLabelSatellites;

// -- Header value layouts.
inline constexpr const char* kVersionValue = "%9.9s           OBSERVATION DATA    %c";
inline constexpr const char* kProgramValue = "%-20.20s%-20.20s%04d%02d%02d %02d%02d%02d UTC";
using texts::kBuildValue;
using texts::kInputNameValue;
using texts::kStatisticsValue;
inline constexpr std::string_view kSmoothedComment = "     PSEUDORANGES SMOOTHED";
using texts::kSignatureValue;
inline constexpr const char* kObserverValue = "%-20.20s%-40.40s";
using texts::kAntennaValue;
using texts::kReceiverValue;
inline constexpr const char* kThreeMetresValue = "%14.4f%14.4f%14.4f";
using texts::kSlantComment;
inline constexpr const char* kTypesValue = "%c  %3d";
inline constexpr std::string_view kTypesIndent = "      ";
inline constexpr std::size_t kTypesPerLine = 13;
inline constexpr std::string_view kStrengthUnit = "DBHZ";
inline constexpr const char* kIntervalValue = "%10.3f";
using texts::kCountValue;
using texts::kObsTimeValue;
inline constexpr const char* kPhaseShiftValue = "%c %s";
inline constexpr const char* kSlotCountValue = "%3d ";
inline constexpr const char* kSlotValue = "R%02d %2d ";
inline constexpr std::string_view kSlotIndent = "    ";
inline constexpr std::size_t kSlotsPerLine = 8;
// Code-phase biases unknown: the four codes, every value blank.
inline constexpr std::string_view kGlonassBiasesValue = " C1C          C1P          C2C          C2P";
inline constexpr const char* kLeapSecondsValue = "%6d%6d%6d%6dGPS";
inline constexpr const char* kPrnValue = "   %c%02d";
inline constexpr std::string_view kPrnIndent = "      ";
inline constexpr std::size_t kCountsPerLine = 9;

// -- Records.
inline constexpr const char* kEpochValue = "> %04d %02d %02d %02d %02d";
inline constexpr const char* kFlagCountValue = "  %d%3d";
// Flag and count with the epoch fields blank: '>' and 30 blanks.
inline constexpr const char* kSpecialRecordLine = ">                              %d%3d";
inline constexpr std::string_view kClockGap = "      ";
inline constexpr const char* kSatelliteValue = "%c%02d";
using texts::kEventTimes;
using texts::kEventXa;
using texts::kEventXb;
using texts::kLostEpochsComment;
using texts::kTimeBaseLetters;
using texts::kTimeBasePhrases;
inline constexpr std::string_view kKinematicComment = "         *** FROM NOW ON KINEMATIC DATA! ***";
inline constexpr std::string_view kNewSiteComment = "      *** THIS IS THE START OF A NEW SITE ***";

// Record flags.
using texts::kFlagCycleSlips;
using texts::kFlagExternalEvent;
using texts::kFlagHeaderInfo;
using texts::kFlagMovingAntenna;
using texts::kFlagNewSite;
using texts::kFlagOk;
using texts::kFlagPowerFailure;

}  // namespace qzr2rin::layout3
