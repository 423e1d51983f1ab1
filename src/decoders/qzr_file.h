#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "base/status.h"
#include "decoders/authentication.h"
#include "decoders/collected_records.h"
#include "decoders/conversion_options.h"
#include "decoders/epoch_assembly.h"
#include "decoders/epoch_selection.h"
#include "decoders/message_dump.h"
#include "decoders/occupation_state.h"
#include "decoders/receiver_clock.h"
#include "decoders/receiver_identity.h"
#include "decoders/run_statistics.h"
#include "input/dump_log.h"
#include "input/message_stream.h"
#include "input/profile.h"
#include "platform/mapped_file.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {

// The converter: owns the mapped input, every option, all decoding state,
// the collected records and the dump log, for exactly one conversion. The
// decoding state is held in named parts; a decoder's entry point receives
// the converter and hands each inner step only the parts it changes.
class TQZRFile {
 public:
  static constexpr std::size_t kMarkerNameLength = ReceiverIdentity::kMarkerNameLength;
  static constexpr std::size_t kMarkerNumberLength = ReceiverIdentity::kMarkerNumberLength;

  // Maps the input and reads the options; the outcome is in Outcome()
  // (0, 1 when the input could not be opened, 10 for a malformed -s, -f or
  // -I text).
  explicit TQZRFile(const ConversionOptions& options);
  ~TQZRFile();
  TQZRFile(const TQZRFile&) = delete;
  TQZRFile& operator=(const TQZRFile&) = delete;

  // Converts the whole file; returns the final status.
  Status Run();

  // Opens the dump log (under -l) under its temporary name and writes its
  // opening lines; OutputOpenFailed, with the error detail saying why, when
  // it cannot be written or its name holds a file it must not replace.
  Status StartDumpLog();
  // After the run: closes the dump log, OutputOpenFailed when any of it was
  // lost; then gives it its name.
  Status FinishDumpLog();
  Status NameDumpLog();
  // Dispatches every message from the scanner's cursor to the end of the
  // file, as the second run does, with progress dots on the console when
  // verbose; returns the first status that ends it.
  Status WalkMessages();

  bool MessageAccepted() const { return scanner_.MessageAccepted(); }
  // The first run writes no message lines, so nothing of a message either.
  bool Dumping() const { return !firstRun_ && dumpLog_.Enabled(); }
  // One line of the current message's dump; nothing in the first run.
  void DumpMessageLine(std::string_view text);
  // The same dump, for the steps of a decoder that are handed parts only.
  MessageDump Messages() { return MessageDump(dumpLog_, firstRun_); }
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
  bool CrcAccepted() const { return scanner_.CrcAccepted(); }

  // The constructor's outcome, then the run's. Decoders return their status
  // and leave this alone: only Run sets it.
  Status Outcome() const { return status_; }
  // Printed with a fatal status.
  std::string& ErrorDetail() { return errorDetail_; }
  const std::string& ErrorDetail() const { return errorDetail_; }
  // Where progress dots and statistics go when verbose.
  void SetConsole(std::ostream* console) { console_ = console; }
  // The first run decodes only what finds the data interval, silently.
  bool IsFirstRun() const { return firstRun_; }
  void SetFirstRun(bool first) { firstRun_ = first; }

  // The input's bytes, alive as long as the converter.
  Body Bytes() const { return input_.View(); }

  ConversionOptions& Options() { return options_; }
  const ConversionOptions& Options() const { return options_; }
  const TProfile& Profile() const { return profile_; }
  DumpLog& Log() { return dumpLog_; }
  const DumpLog& Log() const { return dumpLog_; }
  // Framing, and what it says about the stream: the lost flags.
  MessageScanner& Scanner() { return scanner_; }
  const MessageScanner& Scanner() const { return scanner_; }

  ReceiverClock& Clock() { return clock_; }
  const ReceiverClock& Clock() const { return clock_; }
  TimeWindow& Window() { return window_; }
  const TimeWindow& Window() const { return window_; }
  EpochSelection& Selection() { return selection_; }
  const EpochSelection& Selection() const { return selection_; }
  EpochAssembly& Assembly() { return assembly_; }
  const EpochAssembly& Assembly() const { return assembly_; }
  ReceiverIdentity& Identity() { return identity_; }
  const ReceiverIdentity& Identity() const { return identity_; }
  OccupationState& Occupation() { return occupation_; }
  const OccupationState& Occupation() const { return occupation_; }
  SignatureState& Signature() { return signature_; }
  const SignatureState& Signature() const { return signature_; }
  CollectedRecords& Collected() { return collected_; }
  const CollectedRecords& Collected() const { return collected_; }
  RunStatistics& Statistics() { return statistics_; }
  const RunStatistics& Statistics() const { return statistics_; }

 private:
  Status RunBoth();
  Status FindIdentification();
  void FirstRun();
  Status CheckSelection();
  void PrintStatistics() const;
  void DumpLine(std::string_view text);

  TOpenMappedFile input_;  // before the scanner, which frames its view
  Status status_ = Status::Ok;
  ConversionOptions options_;
  TProfile profile_;
  DumpLog dumpLog_;
  MessageScanner scanner_;
  bool firstRun_ = false;
  std::string errorDetail_;
  std::ostream* console_ = nullptr;

  ReceiverClock clock_;
  TimeWindow window_;
  EpochSelection selection_;
  EpochAssembly assembly_;
  ReceiverIdentity identity_;
  OccupationState occupation_;
  SignatureState signature_;
  CollectedRecords collected_;
  RunStatistics statistics_;
};

// The input's path with its extension replaced by ".log"; empty when the
// input itself ends in ".log" (in any letter case), which must never be
// overwritten.
std::string DumpLogPath(const std::string& inputName);

// The file's name without directory and extension.
std::string BaseName(const std::string& path);

}  // namespace qzr2rin
