#pragma once

// Logs for the event and occupation tests, where the order of messages
// matters, and the end of a conversion run over them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "support/converter_bench.h"
#include "support/qzr_writer.h"

namespace qzrtest {

inline constexpr std::uint32_t kTrackingDay = 8792;            // 2004-02-01, a Sunday: GPS week 1256 starts
inline constexpr std::uint32_t kTrackingStartMs = 36'000'000;  // 10:00:00

// A user event sent while the given epoch is in progress.
struct EpochUserEvent {
  std::uint32_t epoch;  // seconds after 10:00:00
  const char* text;
};

// A log of a receiver tracking GPS 5, one epoch a second from 10:00:00;
// the first epoch brings the date.
class TrackingLog {
 public:
  // Epochs first .. first + count - 1 (seconds after 10:00:00).
  TrackingLog& Epochs(std::uint32_t first, std::uint32_t count);
  // Epochs 0 .. count - 1, each followed by the user events sent in it.
  TrackingLog& EpochsWithEvents(std::uint32_t count, const std::vector<EpochUserEvent>& events);
  // A user event stamped 10:00:00.
  TrackingLog& User(std::string_view text);
  // An external event in GPS time, `ms` after 10:00:00.
  TrackingLog& Event(std::string_view id, std::uint32_t ms);
  TrackingLog& Add(const Bytes& message);
  const LogBuilder& builder() const { return log_; }

 private:
  LogBuilder log_;
  bool dated_ = false;
};

// The second run over the bench's log, ended as a conversion ends it.
qzr2rin::Status ConvertToEnd(ConverterBench& bench);

bool Contains(const std::string& text, const std::string& part);

}  // namespace qzrtest
