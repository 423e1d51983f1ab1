#pragma once

#include <string>
#include <string_view>

#include "base/status.h"
#include "qzr2rin/error.h"

namespace qzr2rin {

// Numbers of the fixed texts used outside the status table.
inline constexpr int kMsgProgramName = 200;
inline constexpr int kMsgRunBy = 201;
inline constexpr int kMsgComment = 202;
inline constexpr int kMsgObserver = 203;
inline constexpr int kMsgAgency = 204;
inline constexpr int kMsgAntennaNumber = 205;
inline constexpr int kMsgAntennaType = 206;
inline constexpr int kMsgMarkerName = 207;
inline constexpr int kMsgMarkerNumber = 208;
inline constexpr int kMsgFirstStatus = 209;
inline constexpr int kMsgBuild = 700;
inline constexpr int kMsgNotice = 701;

// The text of a message number; "-Unknown-" for numbers without one.
std::string_view MessageText(int number);
std::string GetMessage(int number);

std::string_view ErrorText(Status status);

// "JAN".."DEC" for months 1..12; "???" for anything else.
std::string_view MonthAbbreviation(int month);

// Program name, build text and notice, separated by single blanks.
std::string BannerLine();

// The program's name, version and build, as --version shows them.
std::string VersionLine();

}  // namespace qzr2rin
