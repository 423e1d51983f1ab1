#pragma once

#include <cstdint>
#include <string>

#include "driver/dump_log.h"
#include "driver/status.h"
#include "driver/window_text.h"
#include "epoch/epoch_data.h"
#include "nav/parameter_sets.h"
#include "qzr2rin/gps_time.h"
#include "input/conversion_options.h"
#include "input/mapped_file.h"
#include "input/message_stream.h"
#include "profile/profile.h"

namespace qzr2rin {

// The converter: owns the mapped input, every option, all decoding state,
// the collected records and the dump log, for exactly one conversion. Every
// decoder receives it with the message body.
class TQZRFile : public TOpenMappedFile {
 public:
  static constexpr std::size_t kMarkerNameLength = 60;
  static constexpr std::size_t kMarkerNumberLength = 20;

  // Maps the input and reads the options; the outcome is in `status`
  // (0, 1 when the input could not be opened, 10 for a malformed -s, -f or
  // -I text).
  explicit TQZRFile(const ConversionOptions& options);
  ~TQZRFile();
  TQZRFile(const TQZRFile&) = delete;
  TQZRFile& operator=(const TQZRFile&) = delete;

  // Converts the whole file; returns the final status.
  Status Run();

  // Opens the dump log (under -l) and writes its opening lines.
  void StartDumpLog();
  // Dispatches every message from the scanner's cursor to the end of the
  // file, as the second run does; returns the first status that ends it.
  Status WalkMessages();

  bool MessageAccepted() const { return scanner.MessageAccepted(); }
  bool CrcAccepted() const { return scanner.CrcAccepted(); }

  Status status = Status::Ok;
  ConversionOptions options;
  TProfile profile;
  DumpLog dumpLog;
  MessageScanner scanner;
  bool firstRun = false;

  // Time window as written on the command line; the absolute window is
  // fixed at the first receiver date.
  bool windowGiven = false;
  bool windowPending = false;
  WindowEnd windowStartText;
  WindowEnd windowFinishText;

  TGPSTimeNS windowStart;   // 0 seconds: open
  TGPSTimeNS windowFinish;  // 0 seconds: open

  // Receiver time.
  std::uint32_t epochMsOfDay = 0;  // 0 .. 86 399 999
  std::uint32_t epochDay = 0;      // GPS day number; 0: no date yet
  bool timeContinuity = true;
  bool firstTimeAfterId = true;
  bool datePending = false;
  std::uint32_t pendingDay = 0;
  std::string errorDetail;  // printed with a fatal status

  // The epoch being filled by the per-signal messages, the one filled by
  // raw measurements, and the per-epoch values.
  EpochInProgress epoch;
  EpochInProgress raw;
  EpochExtras epochExtras;
  PhaseUnwrapping phase;
  PresenceMarks presence;

  // Parameter sets.
  IonoParameters iono;
  GpsUtcParameters gpsUtc;
  GeoUtcParameters geoUtc;

  // Selection.
  std::uint32_t requestedIntervalMs = 0;

  // Statistics of the run.
  std::uint32_t inputEpochCount = 0;
  std::uint32_t outputEpochCount = 0;

  bool markerOverridden = false;
  std::string markerName;
  std::string markerNumber;

};

// The input's path with its extension replaced by ".log"; empty when the
// input itself ends in ".log" (in any letter case), which must never be
// overwritten.
std::string DumpLogPath(const std::string& inputName);

// The file's name without directory and extension.
std::string BaseName(const std::string& path);

}  // namespace qzr2rin
