#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "base/status.h"
#include "base/window_text.h"
#include "decoders/authentication.h"
#include "decoders/conversion_options.h"
#include "decoders/ephemeris_store.h"
#include "decoders/epoch_data.h"
#include "decoders/hypothesis.h"
#include "decoders/occupation_state.h"
#include "decoders/parameter_sets.h"
#include "decoders/stored_records.h"
#include "input/dump_log.h"
#include "input/message_stream.h"
#include "input/profile.h"
#include "platform/mapped_file.h"
#include "qzr2rin/gps_time.h"

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

  // Opens the dump log (under -l) under its temporary name and writes its
  // opening lines; OutputOpenFailed, with errorDetail saying why, when it
  // cannot be written or its name holds a file it must not replace.
  Status StartDumpLog();
  // After the run: closes the dump log, OutputOpenFailed when any of it was
  // lost; then gives it its name.
  Status FinishDumpLog();
  Status NameDumpLog();
  // Dispatches every message from the scanner's cursor to the end of the
  // file, as the second run does, with progress dots on the console when
  // verbose; returns the first status that ends it.
  Status WalkMessages();

  bool MessageAccepted() const { return scanner.MessageAccepted(); }
  // The first run writes no message lines, so nothing of a message either.
  bool Dumping() const { return !firstRun && dumpLog.Enabled(); }
  // One line of the current message's dump; nothing in the first run.
  void DumpMessageLine(std::string_view text);
  // Ignores the current message, its reason on a dump line of its own; the
  // conversion goes on (Ok).
  Status RefuseMessage(std::string_view text);
  // A body shorter than its layout is ignored: the dump says so (not in
  // the first run, which writes no message lines), and the conversion goes on.
  Status RefuseShortBody(std::size_t expected, std::size_t actual);
  enum class BodyCheck { Pass, Damaged, Short };
  // The checksum gate, then the layout's length. A body too short to hold
  // even its checksum byte is short, not damaged.
  BodyCheck CheckBody(Body body, std::size_t length);
  bool CrcAccepted() const { return scanner.CrcAccepted(); }

  // The constructor's outcome, then the run's. Decoders return their status
  // and leave this alone: only Run sets it.
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

  // Navigation data.
  EphemerisStore ephemerides;

  // Parameter sets.
  IonoParameters iono;
  GpsUtcParameters gpsUtc;
  GeoUtcParameters geoUtc;

  // Receiver identity and the header texts that follow from it.
  std::string receiverType;     // up to 79 characters
  std::string receiverNumber;   // up to 20
  std::string receiverVersion;  // up to 20
  std::string headerReceiverNumber;
  std::string headerReceiverType;
  std::string headerReceiverVersion;
  std::string antennaNumber;
  std::string antennaType;
  bool tagCorrection = false;  // the firmware needs the time-tag correction
  std::uint32_t receiverIdHash = 0;
  bool receiverIdPending = true;
  bool messageFormatSeen = false;

  OccupationState occupation;
  SignatureState signature;

  // What the second run stores for the writers.
  StoredRecords records;
  bool seenGps = false;
  bool seenGlonass = false;
  bool seenWaas = false;
  bool nextEpochIsFirst = true;
  bool storedAnyEpoch = false;  // the next closed epoch restarts the input statistics
  // The last stored epoch; later epochs must come after it. Never reset,
  // not even by a cancelled occupation.
  std::uint32_t lastStoredDay = 0;
  std::uint32_t lastStoredMs = 0;

  // Selection.
  std::uint32_t requestedIntervalMs = 0;
  std::int32_t fileIntervalMs = 0;  // the log's data interval, from the first run
  std::uint32_t selectIntervalMs = 0;
  bool selectByInterval = false;
  THypothesis intervalHypothesis;

  // Statistics of the run.
  TGPSTimeNS firstInputTime;
  TGPSTimeNS lastInputTime;
  TGPSTimeNS firstOutputTime;
  TGPSTimeNS lastOutputTime;
  std::int32_t outputIntervalMs = 0;

  // Where progress dots and statistics go when verbose.
  std::ostream* console = nullptr;

  std::uint32_t inputEpochCount = 0;
  std::uint32_t outputEpochCount = 0;

  bool markerOverridden = false;
  std::string markerName;
  std::string markerNumber;

 private:
  Status RunBoth();
  Status FindIdentification();
  void FirstRun();
  Status CheckSelection();
  void PrintStatistics() const;
  void DumpLine(std::string_view text);
};

// The input's path with its extension replaced by ".log"; empty when the
// input itself ends in ".log" (in any letter case), which must never be
// overwritten.
std::string DumpLogPath(const std::string& inputName);

// The file's name without directory and extension.
std::string BaseName(const std::string& path);

}  // namespace qzr2rin
