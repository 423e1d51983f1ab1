#include "decoders/identification.h"

#include <bit>

#include "base/leading_integer.h"
#include "base/messages.h"
#include "decoders/occupations.h"
#include "decoders/qzr_file.h"
#include "input/message_stream.h"

namespace qzr2rin {
namespace {

constexpr std::size_t kReceiverTypeOffset = 6;
constexpr std::size_t kReceiverTypeLength = 79;
constexpr std::size_t kReceiverTextLength = 20;
constexpr std::size_t kQuotedValueLength = 19;
constexpr std::size_t kMarkerStemLength = 55;
constexpr std::string_view kLogFileSuffix = " Receiver Log File";
constexpr std::string_view kFormatText = "QZ01000";
constexpr std::size_t kFormatLength = 9;
constexpr std::string_view kUnknown = "-Unknown-";
// A message number past the status texts, so its text reads "-Unknown-".
constexpr int kMsgUnknownAntennaType = kMsgFirstStatus + 18;
constexpr int kHexBase = 16;
// Firmware versions "major.minor" as major * 1000 + minor; the correction
// of the time tags applies from 0.40 to 1.002.
constexpr long long kVersionMajorScale = 1000;
constexpr long long kFirstCorrectedVersion = 40;
constexpr long long kLastCorrectedVersion = 1002;

std::string_view Text(Body body) { return {reinterpret_cast<const char*>(body.data()), body.size()}; }

std::string Cut(std::string_view text, std::size_t length) { return std::string(text.substr(0, length)); }

// A body written to the dump as the text it is, then the line ended.
void DumpText(DumpLog& log, Body body) {
  if (!log.Enabled()) return;
  log.Write(Text(body));
  log.EndLine();
}

// The text between the first pair of double quotes, at most 19 characters;
// empty when there is no pair.
std::string_view QuotedValue(std::string_view text) {
  const std::size_t open = text.find('"');
  if (open == std::string_view::npos) return {};
  const std::size_t close = text.find('"', open + 1);
  if (close == std::string_view::npos) return {};
  return text.substr(open + 1, std::min(close - open - 1, kQuotedValueLength));
}

bool StartsWithKey(std::string_view text, std::string_view key) {
  return text.size() > key.size() && text.substr(0, key.size()) == key;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool IdentifyReceiver(ReceiverIdentity& identity, const std::string& inputFile, Body body) {
  std::string_view type;
  if (body.size() > kReceiverTypeOffset) {
    type = Text(
        body.subspan(kReceiverTypeOffset, std::min(kReceiverTypeLength, body.size() - kReceiverTypeOffset)));
  }
  // A text ends at its first zero byte.
  type = type.substr(0, type.find('\0'));
  const std::size_t last = type.find_last_not_of(' ');
  if (last == std::string_view::npos || last + 1 < kLogFileSuffix.size()) return false;
  type = type.substr(0, last + 1);
  if (type.substr(type.size() - kLogFileSuffix.size()) != kLogFileSuffix) return false;
  std::string receiverType(type.substr(0, type.size() - kLogFileSuffix.size()));
  if (receiverType.starts_with("QZR")) receiverType.replace(0, 3, "MRV");
  identity.receiverType = receiverType;
  identity.receiverNumber = Cut(BaseName(inputFile), kReceiverTextLength);
  identity.receiverVersion = kUnknown;
  return true;
}

bool HeaderFromProfile(ReceiverIdentity& identity, const TProfile& profile) {
  if (profile.GetInt("HeaderQZRInIniFile", 0) == 0) return false;
  identity.receiverType = Cut(profile.GetString("QZ055RLOGF QZR", "MRV UNKNOWN"), kReceiverTypeLength);
  identity.receiverNumber = Cut(profile.GetString("REC #", "MXX_UNKNOWN"), kReceiverTextLength);
  identity.receiverVersion = Cut(profile.GetString("VERS", kUnknown), kReceiverTextLength);
  return true;
}

void SetHeaderTexts(ReceiverIdentity& identity, OccupationState& o, const std::string& inputFile) {
  identity.headerReceiverNumber = Cut(identity.receiverNumber, kReceiverTextLength);
  identity.headerReceiverType = Cut(identity.receiverType, kReceiverTextLength);
  identity.headerReceiverVersion = Cut(identity.receiverVersion, kReceiverTextLength);
  identity.antennaNumber = Cut(BaseName(inputFile), kReceiverTextLength);
  identity.antennaType = MessageText(kMsgUnknownAntennaType);
  o.antennaHeightChanged = true;
}

Status OnIdentification(TQZRFile& f, Body body) {
  DumpText(f.Log(), body);
  const Status closed = CloseOccupation(f);
  f.Occupation().handOff.AskForOccupation();
  f.Assembly().epoch.count = 0;
  f.Clock().epochDay = 0;
  f.Clock().epochMsOfDay = 0;
  f.Assembly().epoch.ClearSlots();
  f.Assembly().epochExtras = EpochExtras{};
  f.Scanner().MarkBroken();
  f.Clock().timeContinuity = true;
  f.Clock().firstTimeAfterId = true;
  f.Occupation().firstOccupation = true;
  return closed;
}

Status OnMessageFormat(TQZRFile& f, Body body) {
  if (!f.IsFirstRun()) DumpText(f.Log(), body);
  // The format message carries its checksum as two hexadecimal characters.
  bool accepted = false;
  if (body.size() >= 2) {
    const int high = HexDigit(static_cast<char>(body[body.size() - 2]));
    const int low = HexDigit(static_cast<char>(body[body.size() - 1]));
    const Body message = f.Scanner().CurrentMessage();
    accepted = high >= 0 && low >= 0 && Checksum(message.first(message.size() - 2)) == high * kHexBase + low;
  }
  if (!accepted) {
    if (f.IsFirstRun()) DumpText(f.Log(), body);
    if (f.Log().Enabled()) {
      f.Log().Write("Bad Checksum");
      f.Log().EndLine();
    }
    return Status::BadChecksum;
  }
  const bool known = body.size() == kFormatLength && Text(body).starts_with(kFormatText);
  return known ? Status::Ok : Status::NotQzrFormat;
}

Status OnParameters(TQZRFile& f, Body body) {
  DumpText(f.Log(), body);
  const std::string_view text = Text(body);
  if (StartsWithKey(text, "version/main=") || StartsWithKey(text, "rcv/ver/main=")) {
    const std::string_view value = QuotedValue(text);
    f.Identity().tagCorrection = !f.Options().noTagCorrection && VersionInRange(value);
    f.Identity().headerReceiverVersion = Cut(
        f.Identity().tagCorrection ? "CJR" + std::string(value) : std::string(value), kReceiverTextLength);
  } else if (StartsWithKey(text, "rcvid=") || StartsWithKey(text, "rcv/id=")) {
    const std::string_view value = QuotedValue(text);
    if (!value.empty()) {
      f.Identity().headerReceiverNumber = std::string(value);
      f.Identity().receiverIdHash = ReceiverIdHash(value);
    }
    if (value.size() > 3 && !f.Identity().markerOverridden && f.Identity().receiverIdPending) {
      ++f.Occupation().occupationNumber;
      f.Identity().markerName = Cut(BaseName(f.Options().inputFile), kMarkerStemLength) + "_" +
                                std::string(value.substr(value.size() - 4));
      f.Occupation().userNamed = true;
      f.Occupation().handOff.AskForOccupation();
    }
    f.Identity().receiverIdPending = false;
  }
  return Status::Ok;
}

bool VersionInRange(std::string_view text) {
  const std::size_t dot = text.rfind('.');
  if (dot == std::string_view::npos) return false;
  const long long v = static_cast<long long>(LeadingInteger(text.substr(0, dot))) * kVersionMajorScale +
                      LeadingInteger(text.substr(dot + 1));
  return v >= kFirstCorrectedVersion && v <= kLastCorrectedVersion;
}

std::uint32_t ReceiverIdHash(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0;
  std::uint32_t h = 0;
  // The first character is left out; the terminating zero is hashed.
  for (std::size_t i = start + 1; i < text.size(); ++i) {
    h = std::rotl(h, 5) ^ static_cast<unsigned char>(text[i]);
  }
  return std::rotl(h, 5);
}

}  // namespace qzr2rin
