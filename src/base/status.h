#pragma once

namespace qzr2rin {

// Conversion status: the value every decoder returns, kept in the converter
// and finally used as the exit code. The numbers are part of the interface.
enum class Status : int {
  Ok = 0,
  OpenFailed = 1,
  NotQzrFormat = 2,
  CorruptData = 3,
  Aborted = 4,
  Reserved5 = 5,
  AlreadyLoaded = 6,
  LoadingInProgress = 7,
  NoLoadFunction = 8,
  Queued = 9,
  BadTimeTag = 10,
  NameTooLong = 11,
  OutputOpenFailed = 12,
  DateOutOfOrder = 13,
  OutOfMemory = 14,
  BadChecksum = 15,
  ConflictingOptions = 16,
  NoFullDate = 17,
};

constexpr int ToInt(Status s) { return static_cast<int>(s); }

}  // namespace qzr2rin
