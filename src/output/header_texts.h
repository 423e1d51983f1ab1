#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "decoders/stored_records.h"
#include "input/profile.h"
#include "model/observation_set.h"

// What the observation headers of every format show beyond the set's own
// facts: the profile's overrides and texts, and the data signature.
namespace qzr2rin {

struct AntennaDeltas {
  double h = 0;
  double e = 0;
  double n = 0;
  bool slant = false;  // the slant comment follows
};

// The deltas of an occupation (null: the first one), each replaced by the
// profile's when that is not 0 and fits its F14.4 field; a value that does
// not fit is reported on `warnings` when not null.
AntennaDeltas AntennaDeltasOf(const ObservationSet& set, const TProfile& profile, const DataOccup* occupation,
                              std::ostream* warnings);

// The antenna number and type: a profile's when not empty, else the log's.
struct AntennaTexts {
  std::string number;
  std::string type;
};
AntennaTexts AntennaTextsOf(const ObservationSet& set, const TProfile& profile);

// The profile's comment in pieces of a line each.
std::vector<std::string> ProfileCommentLines(const TProfile& profile);

// The data signature of an epoch when its occupation is authenticated, 0
// otherwise. Without an epoch: the occupation the run ended in, at time 0.
std::uint32_t SignatureOf(const ObservationSet& set, const DataEpoch* epoch);

}  // namespace qzr2rin
