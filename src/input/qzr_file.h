#pragma once

#include <cstdint>
#include <string>

#include "driver/dump_log.h"
#include "driver/status.h"
#include "driver/window_text.h"
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

  std::uint32_t requestedIntervalMs = 0;

  // Statistics of the run.
  std::uint32_t inputEpochCount = 0;
  std::uint32_t outputEpochCount = 0;

  bool markerOverridden = false;
  std::string markerName;
  std::string markerNumber;

 private:
  void OpenDumpLog();
  void WriteDumpStart();
};

// The input's path with its extension replaced by ".log"; empty when the
// input itself ends in ".log" (in any letter case), which must never be
// overwritten.
std::string DumpLogPath(const std::string& inputName);

// The file's name without directory and extension.
std::string BaseName(const std::string& path);

}  // namespace qzr2rin
