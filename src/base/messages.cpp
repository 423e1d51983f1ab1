#include "base/messages.h"

#include <array>

#include "base/time_units.h"

namespace qzr2rin {
namespace {

constexpr std::string_view kUnknown = "-Unknown-";

// Status texts, indexed by status. Status 5 has no text of its own.
constexpr std::array<std::string_view, 18> kStatusTexts = {
    "File loaded ok",
    "Error opening/reading file",
    "Not a QZR file format",
    "Inconsistent or corrupt data in QZR file",
    "Conversion aborted by user",
    kUnknown,
    "File already loaded",
    "Loading in progress",
    "DLL does not contain LoadFile function",
    "File queued",
    "Bad time tag in file",
    "File name length exceeds allowed value",
    "Error opening output file",
    "Date/time messages are out of chronological order",
    "Not enough memory",
    "Error checksum message",
    "Conflicting options: -I and -d",
    "Cannot find full date in file or date in file is past current date",
};

}  // namespace

std::string_view MessageText(int number) {
  switch (number) {
    case 1: return "1";
    case kMsgProgramName: return "QZR2RIN 1.40";
    case kMsgRunBy: return "RUN BY";
    case kMsgComment: return "COMMENT";
    case kMsgObserver: return "OBSERVER";
    case kMsgAgency: return "AGENCY";
    case kMsgAntennaNumber: return "ANT #";
    case kMsgAntennaType: return "ANT TYPE";
    case kMsgMarkerName: return "MARKER NAME";
    case kMsgMarkerNumber: return "MARKER NUMBER";
    case kMsgBuild: return "build Feb  6 2004";
    // At most 42 characters: it shares a 60-column header comment with the
    // build text.
    case kMsgNotice: return "Linux build, provided without warranty";
    default: break;
  }
  const int status = number - kMsgFirstStatus;
  if (status >= 0 && status < static_cast<int>(kStatusTexts.size())) return kStatusTexts[status];
  return kUnknown;
}

std::string GetMessage(int number) { return std::string(MessageText(number)); }

std::string_view ErrorText(Status status) { return MessageText(ToInt(status) + kMsgFirstStatus); }

std::string GetError(int status) {
  // Guard the addition: a status near INT_MAX must not overflow into a
  // valid message number.
  if (status < 0 || status >= static_cast<int>(kStatusTexts.size())) return std::string(kUnknown);
  return GetMessage(status + kMsgFirstStatus);
}

void GetError(int status, std::string& text) { text = GetError(status); }

std::string_view MonthAbbreviation(int month) {
  static constexpr std::array<std::string_view, kMonthsPerYear> kMonths = {
      "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (month < 1 || month > static_cast<int>(kMonths.size())) return "???";
  return kMonths[static_cast<std::size_t>(month - 1)];
}

std::string BannerLine() {
  std::string line(MessageText(kMsgProgramName));
  line += ' ';
  line += MessageText(kMsgBuild);
  line += ' ';
  line += MessageText(kMsgNotice);
  return line;
}

std::string VersionLine() {
  std::string line(MessageText(kMsgProgramName));
  line += ' ';
  line += MessageText(kMsgBuild);
  return line;
}

}  // namespace qzr2rin
