#include "decoders/qzr_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/day_time.h"
#include "base/messages.h"
#include "base/time_units.h"
#include "base/time_window.h"
#include "decoders/dispatch.h"
#include "decoders/events.h"
#include "decoders/identification.h"
#include "decoders/observables.h"
#include "decoders/occupations.h"
#include "decoders/parameters.h"
#include "decoders/raw_measurements.h"
#include "decoders/receiver_time.h"
#include "input/program_log.h"
#include "platform/clock.h"

namespace qzr2rin {
namespace {

// Files shorter than this cannot hold an identification message.
constexpr std::size_t kMinimumDataLength = 90;

// Two-digit years; intervals are counted in milliseconds and shown in seconds.

constexpr std::string_view kInputChanged = "The input file changed while it was converted\n";

std::string Cut(std::string text, std::size_t length) {
  if (text.size() > length) text.resize(length);
  return text;
}

std::size_t NameStart(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// Position of the extension's dot in the last path component, or npos.
std::size_t ExtensionDot(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < NameStart(path)) return std::string::npos;
  return dot;
}

bool IsLogExtension(const std::string& path) {
  const std::size_t dot = ExtensionDot(path);
  if (dot == std::string::npos || path.size() - dot != 4) return false;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return lower(path[dot + 1]) == 'l' && lower(path[dot + 2]) == 'o' && lower(path[dot + 3]) == 'g';
}

}  // namespace

std::string BaseName(const std::string& path) {
  const std::size_t start = NameStart(path);
  const std::size_t dot = ExtensionDot(path);
  return path.substr(start, (dot == std::string::npos ? path.size() : dot) - start);
}

std::string DumpLogPath(const std::string& inputName) {
  if (inputName.empty() || IsLogExtension(inputName)) return {};
  const std::size_t dot = ExtensionDot(inputName);
  return inputName.substr(0, dot == std::string::npos ? inputName.size() : dot) + ".log";
}

TQZRFile::TQZRFile(const ConversionOptions& opts)
    : input_(opts.inputFile),
      options_(opts),
      profile_(std::string(kProfileSection), opts.profilePath),
      scanner_(input_.View(), dumpLog_) {
  if (input_.Usable()) {
    status_ = Status::Ok;
  } else {
    status_ = input_.lastError == ENOMEM ? Status::OutOfMemory : Status::OpenFailed;
    if (input_.ChangedSinceRead()) errorDetail_ = kInputChanged;
  }

  if (options_.markerOverridden) {
    identity_.markerOverridden = true;
    identity_.markerName = options_.markerName;
  } else {
    identity_.markerName = profile_.GetString(MessageText(kMsgMarkerName), "");
    identity_.markerOverridden = !identity_.markerName.empty();
    if (identity_.markerName.empty()) identity_.markerName = BaseName(options_.inputFile);
  }
  identity_.markerName = Cut(identity_.markerName, kMarkerNameLength);
  identity_.markerNumber =
      Cut(options_.markerNumberGiven ? options_.markerNumber
                                     : profile_.GetString(MessageText(kMsgMarkerNumber), ""),
          kMarkerNumberLength);

  if (options_.startGiven || options_.finishGiven) {
    window_.windowGiven = true;
    window_.windowPending = true;
    const std::string_view start = options_.startText;
    const std::string_view finish = options_.finishText;
    const Status parsed =
        ParseTimeWindow(options_.startGiven ? &start : nullptr, options_.finishGiven ? &finish : nullptr,
                        window_.windowStartText, window_.windowFinishText);
    if (parsed != Status::Ok) {
      status_ = parsed;
      return;
    }
  }
  if (options_.intervalGiven) {
    const Status parsed = ParseIntervalText(options_.intervalText, selection_.requestedIntervalMs);
    if (parsed != Status::Ok) {
      status_ = parsed;
      return;
    }
  }
  if (status_ != Status::Ok) {
    AppendProgramLog(options_.inputFile, input_.lastError, status_);
  } else if (profile_.Refused()) {
    status_ = Status::OpenFailed;
    errorDetail_ = "The profile " + options_.profilePath + " is not a regular file\n";
  }
}

TQZRFile::~TQZRFile() = default;

Status TQZRFile::StartDumpLog() {
  if (!options_.dumpEnabled) return Status::Ok;
  const std::string path = DumpLogPath(options_.inputFile);
  if (path.empty()) return Status::Ok;
  if (std::string refusal = DumpLogRefusal(path, options_.inputFile); !refusal.empty()) {
    errorDetail_ += refusal;
    return Status::OutputOpenFailed;
  }
  if (!dumpLog_.Open(path)) {
    errorDetail_ += "Error creating the dump log " + path + ": " + std::strerror(dumpLog_.LastError()) + "\n";
    return Status::OutputOpenFailed;
  }
  dumpLog_.Write(BannerLine());
  dumpLog_.EndLine();
  const platform::CalendarTime now = platform::WallClockNow();
  dumpLog_.Write("USAGE:\n  File - ");
  dumpLog_.Write(options_.inputFile);
  dumpLog_.Printf("   %02d-%3.3s-%02d %02d:%02d", now.day, MonthAbbreviation(now.month).data(),
                  TwoDigitYear(now.year), now.hour, now.minute);
  dumpLog_.EndLine();
  return Status::Ok;
}

Status TQZRFile::FinishDumpLog() {
  if (!dumpLog_.Enabled() || dumpLog_.Finish()) return Status::Ok;
  errorDetail_ +=
      "Error writing the dump log " + dumpLog_.Path() + ": " + std::strerror(dumpLog_.LastError()) + "\n";
  return Status::OutputOpenFailed;
}

Status TQZRFile::NameDumpLog() {
  if (dumpLog_.WorkingPath().empty()) return Status::Ok;
  // Something may have been put at the name while the run went on.
  std::string refusal = DumpLogRefusal(dumpLog_.Path(), options_.inputFile);
  if (refusal.empty() && dumpLog_.Name()) return Status::Ok;
  if (refusal.empty()) {
    refusal =
        "Error naming the dump log " + dumpLog_.Path() + ": " + std::strerror(dumpLog_.LastError()) + "\n";
  }
  errorDetail_ += refusal;
  return Status::OutputOpenFailed;
}

void TQZRFile::DumpMessageLine(std::string_view text) {
  if (!Dumping()) return;
  dumpLog_.Write(text);
  dumpLog_.EndLine();
}

Status TQZRFile::RefuseMessage(std::string_view text) {
  DumpMessageLine(text);
  return Status::Ok;
}

Status TQZRFile::RefuseShortBody(std::size_t expected, std::size_t actual) {
  return IgnoreShortBody(Messages(), expected, actual);
}

TQZRFile::BodyCheck TQZRFile::CheckBody(Body body, std::size_t length) {
  if (body.empty()) {
    RefuseShortBody(length, body.size());
    return BodyCheck::Short;
  }
  if (!MessageAccepted()) return BodyCheck::Damaged;
  if (body.size() < length) {
    RefuseShortBody(length, body.size());
    return BodyCheck::Short;
  }
  return BodyCheck::Pass;
}

void TQZRFile::DumpLine(std::string_view text) {
  if (!dumpLog_.Enabled()) return;
  dumpLog_.Write(text);
  dumpLog_.EndLine();
}

Status TQZRFile::FindIdentification() {
  const std::size_t first = scanner_.cursor;
  const Body bytes = Bytes();
  while (scanner_.NextMessage()) {
    const std::size_t at = scanner_.cursor;
    if (bytes.size() - at >= kIdentificationStart.size() &&
        std::equal(kIdentificationStart.begin(), kIdentificationStart.end(),
                   bytes.begin() + static_cast<std::ptrdiff_t>(at))) {
      if (!IdentifyReceiver(identity_, options_.inputFile, scanner_.CurrentBody()))
        return Status::CorruptData;
      SetHeaderTexts(identity_, occupation_, options_.inputFile);
      return Status::Ok;
    }
    scanner_.Advance();
  }
  if (HeaderFromProfile(identity_, profile_)) {
    SetHeaderTexts(identity_, occupation_, options_.inputFile);
    scanner_.cursor = first;
    return Status::Ok;
  }
  DumpLine("NO Messages Format.");
  return Status::CorruptData;
}

void TQZRFile::FirstRun() {
  constexpr std::int32_t kEnoughIntervals = 100;
  firstRun_ = true;
  scanner_.reportFailures = false;
  bool formatSeen = false;
  bool haveTime = false;
  std::uint32_t previousMs = 0;
  std::int32_t intervals = 0;
  while (scanner_.NextMessage()) {
    const char id0 = scanner_.Id0();
    const char id1 = scanner_.Id1();
    const Body body = scanner_.CurrentBody();
    if (id0 == 'M' && id1 == 'F') {
      if (OnMessageFormat(*this, body) == Status::Ok) formatSeen = true;
    } else if (id0 == 'U' && id1 == 'O') {
      OnGpsUtc(*this, body);
    } else if ((id0 == '~' && id1 == '~') || (id0 == 'r' && id1 == 'M')) {
      const Status result = id0 == '~' ? OnReceiverTime(*this, body) : OnRawMeasurements(*this, body);
      if (result == Status::Ok) {
        const std::uint32_t t = clock_.epochMsOfDay;
        // The first time has no predecessor, so it gives no interval.
        if (haveTime && t > previousMs) {
          selection_.intervalHypothesis.Add(static_cast<std::int32_t>(t - previousMs));
          ++intervals;
        }
        haveTime = true;
        previousMs = t;
      }
    }
    scanner_.Advance();
    if (intervals == kEnoughIntervals && collected_.gpsUtc.present && formatSeen) break;
  }
  identity_.messageFormatSeen = formatSeen;
  scanner_.reportFailures = true;
}

Status TQZRFile::CheckSelection() {
  constexpr std::uint64_t kMaxIntervalMs = kMsPerDay;
  if (options_.intervalGiven && options_.decimationGiven) return Status::ConflictingOptions;
  if (options_.intervalGiven) {
    selection_.selectIntervalMs = selection_.requestedIntervalMs;
    if (selection_.selectIntervalMs < 1 || selection_.selectIntervalMs > kMaxIntervalMs)
      return Status::BadTimeTag;
    selection_.selectByInterval = true;
  } else if (options_.decimationGiven) {
    if (options_.decimation < 1) return Status::BadTimeTag;
    const std::int64_t interval = static_cast<std::int64_t>(options_.decimation) * selection_.fileIntervalMs;
    if (interval < 1 || interval > static_cast<std::int64_t>(kMaxIntervalMs)) return Status::BadTimeTag;
    selection_.selectIntervalMs = static_cast<std::uint32_t>(interval);
    selection_.selectByInterval = true;
  }
  return Status::Ok;
}

Status TQZRFile::WalkMessages() {
  constexpr std::uint64_t kPercentPerDot = 5;
  std::uint64_t dots = 0;
  const bool showProgress = options_.verbose && console_ != nullptr && input_.size > 0;
  while (true) {
    if (showProgress) {
      const std::uint64_t due = (scanner_.cursor + 1) * 100 / input_.size / kPercentPerDot;
      if (due > dots) {
        for (; dots < due; ++dots) console_->put('.');
        console_->flush();
      }
    }
    if (!scanner_.NextMessage()) return Status::Ok;
    const Status result = Dispatch(*this);
    if (result == Status::Ok) {
      scanner_.Advance();
    } else if (result == Status::BadChecksum) {
      // Distrust the body, but not what follows its header: a message
      // starting inside the damaged body is still found.
      scanner_.AdvanceHeader();
      scanner_.MarkBroken();
    } else {
      return result;
    }
  }
}

Status TQZRFile::Run() {
  // Allocation failure anywhere in the runs ends the conversion with its
  // own status_; nothing collected is written.
  try {
    status_ = RunBoth();
  } catch (const std::bad_alloc&) {
    collected_.records.Clear();
    status_ = Status::OutOfMemory;
  }
  // What was converted is a copy of a file that no longer exists as it was
  // read: whatever the run found, none of it may be written.
  if (input_.ChangedSinceRead()) {
    collected_.records.Clear();
    errorDetail_ = kInputChanged;
    status_ = Status::OpenFailed;
  }
  return status_;
}

Status TQZRFile::RunBoth() {
  if (const Status started = StartDumpLog(); started != Status::Ok) return started;

  scanner_.cursor = scanner_.SkipSeparators(0);
  if (scanner_.End() - scanner_.cursor < kMinimumDataLength) return Status::CorruptData;
  if (const Status found = FindIdentification(); found != Status::Ok) return found;
  const std::size_t start = scanner_.cursor;

  FirstRun();
  if (!identity_.messageFormatSeen && profile_.GetInt("HeaderQZRInIniFile", 0) == 0) {
    DumpLine("No [MF] message in the file.");
    return Status::NotQzrFormat;
  }
  selection_.fileIntervalMs = selection_.intervalHypothesis.Mode();
  if (dumpLog_.Enabled()) {
    dumpLog_.Printf("interval QZR file = %6.2lf", selection_.fileIntervalMs * kSecondsPerMs);
    dumpLog_.EndLine();
  }
  DumpLine("End first run.");

  clock_.epochDay = 0;
  clock_.epochMsOfDay = 0;
  scanner_.cursor = start;
  selection_.intervalHypothesis.Reset();
  firstRun_ = false;

  if (const Status selection = CheckSelection(); selection != Status::Ok) return selection;

  Status result = WalkMessages();
  const Status closed = CloseOccupation(*this);
  if (result == Status::Ok) result = closed;
  ConvertEventTimes(collected_);
  // After a failed run nothing will be written.
  if (result != Status::Ok) collected_.records.Clear();

  if (dumpLog_.Enabled()) {
    dumpLog_.Printf("Length QZR file = 0X%llx", static_cast<unsigned long long>(input_.size));
    dumpLog_.EndLine();
  }
  DumpLine(ErrorText(result));

  statistics_.outputIntervalMs = selection_.intervalHypothesis.Mode();
  if (options_.verbose && console_ != nullptr) PrintStatistics();
  DumpLine("End run.");

  if (result != Status::Ok || statistics_.inputEpochCount > 0) return result;
  // With every system left out only the dump was asked for: no assembly_.epoch is
  // then the expected outcome, not a failure.
  if (!options_.useGps && !options_.useGlonass && !options_.useWaas) return result;
  DumpLine("NO Messages Format.");
  return Status::BadTimeTag;
}

namespace {

// Room for one statistics time and for the text between the two times.
constexpr std::size_t kStatisticsTimeRoom = 40;
constexpr std::size_t kStatisticsMiddleRoom = 64;

// "DD-MON-YY HH:MM:SS.hh"; the hundredths are left-justified in two columns.
void AppendStatisticsTime(std::string& line, const TGPSTimeNS& t) {
  char text[kStatisticsTimeRoom];
  const DayTime ofDay = SplitSecondOfDay(t.SecondOfDay());
  std::snprintf(text, sizeof text, "%02u-%3.3s-%02u %02u:%02u:%02u.%-2u", t.Day(0),
                MonthAbbreviation(static_cast<int>(t.Month(0))).data(), TwoDigitYear(t.Year(0)), ofDay.hours,
                ofDay.minutes, ofDay.seconds, t.nanoseconds / (kNsPerSecond / kHundredthsPerSecond));
  line += text;
}

std::string StatisticsLine(const TGPSTimeNS& first, const char* what, std::uint32_t count,
                           double intervalSeconds, const TGPSTimeNS& last) {
  std::string line;
  AppendStatisticsTime(line, first);
  char middle[kStatisticsMiddleRoom];
  std::snprintf(middle, sizeof middle, " in %s epochs %-7u (I=%6.2lf) ", what, count, intervalSeconds);
  line += middle;
  AppendStatisticsTime(line, last);
  line += '\n';
  return line;
}

}  // namespace

void TQZRFile::PrintStatistics() const {
  const TGPSTimeNS start =
      WindowEndDated(window_.windowStart) ? window_.windowStart : statistics_.firstInputTime;
  const TGPSTimeNS finish =
      WindowEndDated(window_.windowFinish) ? window_.windowFinish : statistics_.lastInputTime;
  *console_ << '\n'
            << StatisticsLine(statistics_.firstInputTime, "QZR  ", statistics_.inputEpochCount,
                              selection_.fileIntervalMs * kSecondsPerMs, statistics_.lastInputTime)
            << StatisticsLine(start, "RINEX", statistics_.outputEpochCount,
                              statistics_.outputIntervalMs * kSecondsPerMs, finish);
  console_->flush();
}

}  // namespace qzr2rin
