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
    : TOpenMappedFile(opts.inputFile),
      options(opts),
      profile(std::string(kProfileSection), opts.profilePath),
      scanner(View(), dumpLog) {
  if (Usable()) {
    status = Status::Ok;
  } else {
    status = lastError == ENOMEM ? Status::OutOfMemory : Status::OpenFailed;
    if (ChangedSinceRead()) errorDetail = kInputChanged;
  }

  if (options.markerOverridden) {
    markerOverridden = true;
    markerName = options.markerName;
  } else {
    markerName = profile.GetString(MessageText(kMsgMarkerName), "");
    markerOverridden = !markerName.empty();
    if (markerName.empty()) markerName = BaseName(options.inputFile);
  }
  markerName = Cut(markerName, kMarkerNameLength);
  markerNumber = Cut(
      options.markerNumberGiven ? options.markerNumber : profile.GetString(MessageText(kMsgMarkerNumber), ""),
      kMarkerNumberLength);

  if (options.startGiven || options.finishGiven) {
    windowGiven = true;
    windowPending = true;
    const std::string_view start = options.startText;
    const std::string_view finish = options.finishText;
    const Status parsed =
        ParseTimeWindow(options.startGiven ? &start : nullptr, options.finishGiven ? &finish : nullptr,
                        windowStartText, windowFinishText);
    if (parsed != Status::Ok) {
      status = parsed;
      return;
    }
  }
  if (options.intervalGiven) {
    const Status parsed = ParseIntervalText(options.intervalText, requestedIntervalMs);
    if (parsed != Status::Ok) {
      status = parsed;
      return;
    }
  }
  if (status != Status::Ok) {
    AppendProgramLog(options.inputFile, lastError, status);
  } else if (profile.Refused()) {
    status = Status::OpenFailed;
    errorDetail = "The profile " + options.profilePath + " is not a regular file\n";
  }
}

TQZRFile::~TQZRFile() = default;

Status TQZRFile::StartDumpLog() {
  if (!options.dumpEnabled) return Status::Ok;
  const std::string path = DumpLogPath(options.inputFile);
  if (path.empty()) return Status::Ok;
  if (std::string refusal = DumpLogRefusal(path, options.inputFile); !refusal.empty()) {
    errorDetail += refusal;
    return Status::OutputOpenFailed;
  }
  if (!dumpLog.Open(path)) {
    errorDetail += "Error creating the dump log " + path + ": " + std::strerror(dumpLog.LastError()) + "\n";
    return Status::OutputOpenFailed;
  }
  dumpLog.Write(BannerLine());
  dumpLog.EndLine();
  const platform::CalendarTime now = platform::WallClockNow();
  dumpLog.Write("USAGE:\n  File - ");
  dumpLog.Write(options.inputFile);
  dumpLog.Printf("   %02d-%3.3s-%02d %02d:%02d", now.day, MonthAbbreviation(now.month).data(), now.year % 100,
                 now.hour, now.minute);
  dumpLog.EndLine();
  return Status::Ok;
}

Status TQZRFile::FinishDumpLog() {
  if (!dumpLog.Enabled() || dumpLog.Finish()) return Status::Ok;
  errorDetail +=
      "Error writing the dump log " + dumpLog.Path() + ": " + std::strerror(dumpLog.LastError()) + "\n";
  return Status::OutputOpenFailed;
}

Status TQZRFile::NameDumpLog() {
  if (dumpLog.WorkingPath().empty()) return Status::Ok;
  // Something may have been put at the name while the run went on.
  std::string refusal = DumpLogRefusal(dumpLog.Path(), options.inputFile);
  if (refusal.empty() && dumpLog.Name()) return Status::Ok;
  if (refusal.empty()) {
    refusal =
        "Error naming the dump log " + dumpLog.Path() + ": " + std::strerror(dumpLog.LastError()) + "\n";
  }
  errorDetail += refusal;
  return Status::OutputOpenFailed;
}

void TQZRFile::DumpMessageLine(std::string_view text) {
  if (!Dumping()) return;
  dumpLog.Write(text);
  dumpLog.EndLine();
}

Status TQZRFile::RefuseMessage(std::string_view text) {
  DumpMessageLine(text);
  return Status::Ok;
}

Status TQZRFile::RefuseShortBody(std::size_t expected, std::size_t actual) {
  if (Dumping()) {
    dumpLog.Printf("    Error Len! Expected:%zu arrived: %zu", expected, actual);
    dumpLog.EndLine();
  }
  return Status::Ok;
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
  if (!dumpLog.Enabled()) return;
  dumpLog.Write(text);
  dumpLog.EndLine();
}

Status TQZRFile::FindIdentification() {
  const std::size_t first = scanner.cursor;
  const Body bytes = View();
  while (scanner.NextMessage()) {
    const std::size_t at = scanner.cursor;
    if (bytes.size() - at >= kIdentificationStart.size() &&
        std::equal(kIdentificationStart.begin(), kIdentificationStart.end(),
                   bytes.begin() + static_cast<std::ptrdiff_t>(at))) {
      if (!IdentifyReceiver(*this, scanner.CurrentBody())) return Status::CorruptData;
      SetHeaderTexts(*this);
      return Status::Ok;
    }
    scanner.Advance();
  }
  if (HeaderFromProfile(*this)) {
    SetHeaderTexts(*this);
    scanner.cursor = first;
    return Status::Ok;
  }
  DumpLine("NO Messages Format.");
  return Status::CorruptData;
}

void TQZRFile::FirstRun() {
  constexpr std::int32_t kEnoughIntervals = 100;
  firstRun = true;
  scanner.reportFailures = false;
  bool formatSeen = false;
  bool haveTime = false;
  std::uint32_t previousMs = 0;
  std::int32_t intervals = 0;
  while (scanner.NextMessage()) {
    const char id0 = scanner.Id0();
    const char id1 = scanner.Id1();
    const Body body = scanner.CurrentBody();
    if (id0 == 'M' && id1 == 'F') {
      if (OnMessageFormat(*this, body) == Status::Ok) formatSeen = true;
    } else if (id0 == 'U' && id1 == 'O') {
      OnGpsUtc(*this, body);
    } else if ((id0 == '~' && id1 == '~') || (id0 == 'r' && id1 == 'M')) {
      const Status result = id0 == '~' ? OnReceiverTime(*this, body) : OnRawMeasurements(*this, body);
      if (result == Status::Ok) {
        const std::uint32_t t = epochMsOfDay;
        // The first time has no predecessor, so it gives no interval.
        if (haveTime && t > previousMs) {
          intervalHypothesis.Add(static_cast<std::int32_t>(t - previousMs));
          ++intervals;
        }
        haveTime = true;
        previousMs = t;
      }
    }
    scanner.Advance();
    if (intervals == kEnoughIntervals && gpsUtc.present && formatSeen) break;
  }
  messageFormatSeen = formatSeen;
  scanner.reportFailures = true;
}

Status TQZRFile::CheckSelection() {
  constexpr std::uint64_t kMaxIntervalMs = kMsPerDay;
  if (options.intervalGiven && options.decimationGiven) return Status::ConflictingOptions;
  if (options.intervalGiven) {
    selectIntervalMs = requestedIntervalMs;
    if (selectIntervalMs < 1 || selectIntervalMs > kMaxIntervalMs) return Status::BadTimeTag;
    selectByInterval = true;
  } else if (options.decimationGiven) {
    if (options.decimation < 1) return Status::BadTimeTag;
    const std::int64_t interval = static_cast<std::int64_t>(options.decimation) * fileIntervalMs;
    if (interval < 1 || interval > static_cast<std::int64_t>(kMaxIntervalMs)) return Status::BadTimeTag;
    selectIntervalMs = static_cast<std::uint32_t>(interval);
    selectByInterval = true;
  }
  return Status::Ok;
}

Status TQZRFile::WalkMessages() {
  constexpr std::uint64_t kPercentPerDot = 5;
  std::uint64_t dots = 0;
  const bool showProgress = options.verbose && console != nullptr && size > 0;
  while (true) {
    if (showProgress) {
      const std::uint64_t due = (scanner.cursor + 1) * 100 / size / kPercentPerDot;
      if (due > dots) {
        for (; dots < due; ++dots) console->put('.');
        console->flush();
      }
    }
    if (!scanner.NextMessage()) return Status::Ok;
    const Status result = Dispatch(*this);
    if (result == Status::Ok) {
      scanner.Advance();
    } else if (result == Status::BadChecksum) {
      // Distrust the body, but not what follows its header: a message
      // starting inside the damaged body is still found.
      scanner.AdvanceHeader();
      scanner.MarkBroken();
    } else {
      return result;
    }
  }
}

Status TQZRFile::Run() {
  // Allocation failure anywhere in the runs ends the conversion with its
  // own status; nothing collected is written.
  try {
    status = RunBoth();
  } catch (const std::bad_alloc&) {
    records.Clear();
    status = Status::OutOfMemory;
  }
  // What was converted is a copy of a file that no longer exists as it was
  // read: whatever the run found, none of it may be written.
  if (ChangedSinceRead()) {
    records.Clear();
    errorDetail = kInputChanged;
    status = Status::OpenFailed;
  }
  return status;
}

Status TQZRFile::RunBoth() {
  if (const Status started = StartDumpLog(); started != Status::Ok) return started;

  scanner.cursor = scanner.SkipSeparators(0);
  if (scanner.End() - scanner.cursor < kMinimumDataLength) return Status::CorruptData;
  if (const Status found = FindIdentification(); found != Status::Ok) return found;
  const std::size_t start = scanner.cursor;

  FirstRun();
  if (!messageFormatSeen && profile.GetInt("HeaderQZRInIniFile", 0) == 0) {
    DumpLine("No [MF] message in the file.");
    return Status::NotQzrFormat;
  }
  fileIntervalMs = intervalHypothesis.Mode();
  if (dumpLog.Enabled()) {
    dumpLog.Printf("interval QZR file = %6.2lf", fileIntervalMs * 0.001);
    dumpLog.EndLine();
  }
  DumpLine("End first run.");

  epochDay = 0;
  epochMsOfDay = 0;
  scanner.cursor = start;
  intervalHypothesis.Reset();
  firstRun = false;

  if (const Status selection = CheckSelection(); selection != Status::Ok) return selection;

  Status result = WalkMessages();
  const Status closed = CloseOccupation(*this);
  if (result == Status::Ok) result = closed;
  ConvertEventTimes(*this);
  // After a failed run nothing will be written.
  if (result != Status::Ok) records.Clear();

  if (dumpLog.Enabled()) {
    dumpLog.Printf("Length QZR file = 0X%llx", static_cast<unsigned long long>(size));
    dumpLog.EndLine();
  }
  DumpLine(ErrorText(result));

  outputIntervalMs = intervalHypothesis.Mode();
  if (options.verbose && console != nullptr) PrintStatistics();
  DumpLine("End run.");

  if (result != Status::Ok || inputEpochCount > 0) return result;
  // With every system left out only the dump was asked for: no epoch is
  // then the expected outcome, not a failure.
  if (!options.useGps && !options.useGlonass && !options.useWaas) return result;
  DumpLine("NO Messages Format.");
  return Status::BadTimeTag;
}

namespace {

// "DD-MON-YY HH:MM:SS.hh"; the hundredths are left-justified in two columns.
void AppendStatisticsTime(std::string& line, const TGPSTimeNS& t) {
  char text[40];
  const DayTime ofDay = SplitSecondOfDay(t.SecondOfDay());
  std::snprintf(text, sizeof text, "%02u-%3.3s-%02u %02u:%02u:%02u.%-2u", t.Day(0),
                MonthAbbreviation(static_cast<int>(t.Month(0))).data(), t.Year(0) % 100, ofDay.hours,
                ofDay.minutes, ofDay.seconds, t.nanoseconds / (kNsPerSecond / 100));
  line += text;
}

std::string StatisticsLine(const TGPSTimeNS& first, const char* what, std::uint32_t count,
                           double intervalSeconds, const TGPSTimeNS& last) {
  std::string line;
  AppendStatisticsTime(line, first);
  char middle[64];
  std::snprintf(middle, sizeof middle, " in %s epochs %-7u (I=%6.2lf) ", what, count, intervalSeconds);
  line += middle;
  AppendStatisticsTime(line, last);
  line += '\n';
  return line;
}

}  // namespace

void TQZRFile::PrintStatistics() const {
  const TGPSTimeNS start = WindowEndDated(windowStart) ? windowStart : firstInputTime;
  const TGPSTimeNS finish = WindowEndDated(windowFinish) ? windowFinish : lastInputTime;
  *console << '\n'
           << StatisticsLine(firstInputTime, "QZR  ", inputEpochCount, fileIntervalMs * 0.001, lastInputTime)
           << StatisticsLine(start, "RINEX", outputEpochCount, outputIntervalMs * 0.001, finish);
  console->flush();
}

}  // namespace qzr2rin
