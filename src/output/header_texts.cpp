#include "output/header_texts.h"

#include <string_view>

#include "base/messages.h"
#include "decoders/identification.h"
#include "output/rinex2/fields.h"
#include "output/rinex2/signature.h"

namespace qzr2rin {
namespace {

constexpr std::string_view kKeyDeltaH = "ANT DELTA H";
constexpr std::string_view kKeyDeltaE = "ANT DELTA E";
constexpr std::string_view kKeyDeltaN = "ANT DELTA N";
// The F14.4 of each delta in the header.
constexpr int kDeltaWidth = 14;
constexpr int kDeltaPrecision = 4;

constexpr std::string_view kDefaultComment =
    "Use -p (profile) switch to override ANTENNA TYPE and DELTA and other fields";
constexpr std::size_t kCommentPiece = 59;   // profile comment, per line
constexpr std::size_t kCommentLimit = 127;  // profile comment, in all

// A profile number replaces a value only when it is not 0, and only when it
// fits the header's F14.4 field: a wider one would shift every column after
// it, so it counts as not given, and `warnings` hears of it.
double Override(const TProfile& profile, std::string_view key, double own, std::ostream* warnings) {
  const std::string text = profile.GetString(key, "");
  const double value = ProfileNumber(text);
  if (value == 0) return own;
  std::string field;
  AppendFixed(field, value, kDeltaWidth, kDeltaPrecision);
  if (field.size() > static_cast<std::size_t>(kDeltaWidth)) {
    if (warnings != nullptr) {
      *warnings << "Profile value " << key << " = " << text << " does not fit its field; ignored\n"
                << std::flush;
    }
    return own;
  }
  return value;
}

}  // namespace

AntennaDeltas AntennaDeltasOf(const ObservationSet& set, const TProfile& profile, const DataOccup* occupation,
                              std::ostream* warnings) {
  const AntennaBlock block = set.AntennaBlockOf(occupation);
  AntennaDeltas d;
  d.h = Override(profile, kKeyDeltaH, block.deltaH, warnings);
  d.e = Override(profile, kKeyDeltaE, block.deltaE, warnings);
  d.n = Override(profile, kKeyDeltaN, block.deltaN, warnings);
  d.slant = (block.heightFlags & kHeightSlant) != 0 && d.h != 0;
  return d;
}

AntennaTexts AntennaTextsOf(const ObservationSet& set, const TProfile& profile) {
  AntennaTexts t;
  t.number = profile.GetString(MessageText(kMsgAntennaNumber), "");
  if (t.number.empty()) t.number = set.Header().antennaNumber;
  t.type = profile.GetString(MessageText(kMsgAntennaType), "");
  if (t.type.empty()) t.type = set.Header().antennaType;
  return t;
}

std::vector<std::string> ProfileCommentLines(const TProfile& profile) {
  std::string comment = profile.GetString(MessageText(kMsgComment), kDefaultComment);
  if (comment.size() > kCommentLimit) comment.resize(kCommentLimit);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < comment.size(); at += kCommentPiece)
    lines.push_back(comment.substr(at, kCommentPiece));
  return lines;
}

std::uint32_t SignatureOf(const ObservationSet& set, const DataEpoch* epoch) {
  const DataOccup* occupation = epoch != nullptr ? epoch->occupation : set.EndOccupation();
  if (occupation == nullptr || (occupation->occupationFlags & kOccupationAuthenticated) == 0) return 0;
  return DataSignature(ReceiverIdHash(set.Header().receiverNumber), epoch != nullptr ? epoch->seconds : 0,
                       epoch != nullptr ? epoch->nanoseconds : 0);
}

}  // namespace qzr2rin
