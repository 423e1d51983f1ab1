#include "input/qzr_file.h"

#include <cstdio>

#include "driver/messages.h"
#include "driver/program_log.h"
#include "input/dispatch.h"
#include "platform/clock.h"

namespace qzr2rin {
namespace {

// Files shorter than this cannot hold an identification message.
constexpr std::size_t kMinimumDataLength = 90;

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
  status = Usable() ? Status::Ok : Status::OpenFailed;

  if (options.markerOverridden) {
    markerOverridden = true;
    markerName = options.markerName;
  } else {
    markerName = profile.GetString(MessageText(kMsgMarkerName), "");
    markerOverridden = !markerName.empty();
    if (markerName.empty()) markerName = BaseName(options.inputFile);
  }
  markerName = Cut(markerName, kMarkerNameLength);
  markerNumber = Cut(options.markerNumberGiven ? options.markerNumber
                                               : profile.GetString(MessageText(kMsgMarkerNumber), ""),
                     kMarkerNumberLength);

  if (options.startGiven || options.finishGiven) {
    windowGiven = true;
    windowPending = true;
    const std::string_view start = options.startText;
    const std::string_view finish = options.finishText;
    const Status parsed = ParseTimeWindow(options.startGiven ? &start : nullptr,
                                          options.finishGiven ? &finish : nullptr, windowStartText,
                                          windowFinishText);
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
  if (status != Status::Ok) AppendProgramLog(options.inputFile, lastError, status);
}

TQZRFile::~TQZRFile() { dumpLog.Close(); }

void TQZRFile::StartDumpLog() {
  if (!options.dumpEnabled) return;
  const std::string path = DumpLogPath(options.inputFile);
  if (path.empty()) return;
  dumpLog.Open(path);
  if (!dumpLog.Enabled()) return;
  dumpLog.Write(BannerLine());
  dumpLog.EndLine();
  const platform::CalendarTime now = platform::WallClockNow();
  dumpLog.Write("USAGE:\n  File - ");
  dumpLog.Write(options.inputFile);
  dumpLog.Printf("   %02d-%3.3s-%02d %02d:%02d", now.day, MonthAbbreviation(now.month).data(), now.year % 100,
                 now.hour, now.minute);
  dumpLog.EndLine();
}

Status TQZRFile::WalkMessages() {
  while (scanner.NextMessage()) {
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
  return Status::Ok;
}

Status TQZRFile::Run() {
  StartDumpLog();

  scanner.cursor = scanner.SkipSeparators(0);
  if (scanner.End() - scanner.cursor < kMinimumDataLength) {
    status = Status::CorruptData;
    return status;
  }

  status = WalkMessages();

  if (dumpLog.Enabled()) {
    dumpLog.Printf("Length QZR file = 0X%llx", static_cast<unsigned long long>(size));
    dumpLog.EndLine();
    dumpLog.Write(ErrorText(status));
    dumpLog.EndLine();
    dumpLog.Write("End run.");
    dumpLog.EndLine();
  }
  if (status == Status::Ok && inputEpochCount == 0) {
    if (dumpLog.Enabled()) {
      dumpLog.Write("NO Messages Format.");
      dumpLog.EndLine();
    }
    status = Status::BadTimeTag;
  }
  return status;
}

}  // namespace qzr2rin
