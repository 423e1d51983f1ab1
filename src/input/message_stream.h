#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>

#include "input/body_reader.h"

namespace qzr2rin {

class DumpLog;

// 8-bit rotating checksum of the QZR messages.
std::uint8_t Checksum(std::span<const std::uint8_t> bytes);
// CRC-16 (CCITT polynomial 0x1021, initial 0, MSB first, no final XOR).
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// Walks the messages of the mapped input in place: line breaks and comment
// lines between messages, resynchronisation after foreign or damaged bytes,
// and the two integrity gates. Positions are offsets into the view.
class MessageScanner {
 public:
  MessageScanner(std::span<const std::uint8_t> view, DumpLog& dump) : view_(view), dump_(dump) {}

  std::size_t End() const { return view_.size(); }

  // First position at or after `position` that is not a line break or
  // inside a comment line.
  std::size_t SkipSeparators(std::size_t position) const;
  // The three hexadecimal length digits at position + 2, or -1.
  int ReadLength(std::size_t position) const;
  // Positions `cursor` on the next complete message and sets `bodyLength`;
  // false when there is none.
  bool NextMessage();

  // Checksum gate of the current message: writes "Bad Checksum\n" to the
  // dump log on failure.
  bool MessageAccepted() const;
  // CRC gate of [rE] and [rM], same dump text on failure.
  bool CrcAccepted() const;
  // The gate of a message whose check is not known: its checksum or its CRC
  // must hold. Same dump text on failure.
  bool EitherCheckAccepted() const;
  // The current message's length is borne out: its checksum or CRC holds,
  // or the next message starts right after it (or the input ends there).
  bool LengthBorneOut() const;

  // The stream is broken: resynchronise, and distrust time and lists.
  void MarkBroken() {
    resyncPending = true;
    timeLost = satelliteListLost = glonassNumbersLost = true;
  }

  char Id0() const { return static_cast<char>(view_[cursor]); }
  char Id1() const { return static_cast<char>(view_[cursor + 1]); }
  // Body of the current message (checksum or CRC bytes included).
  Body CurrentBody() const { return view_.subspan(cursor + 5, static_cast<std::size_t>(bodyLength)); }
  // The whole current message: identifier, length digits and body.
  Body CurrentMessage() const { return view_.subspan(cursor, 5 + static_cast<std::size_t>(bodyLength)); }
  // Moves past the current message.
  void Advance() { cursor += 5 + static_cast<std::size_t>(bodyLength); }
  // Moves past the header only, after a failed integrity check.
  void AdvanceHeader() { cursor += 5; }

  std::size_t cursor = 0;
  int bodyLength = -1;
  // The first run writes no message lines, so its gates fail silently.
  bool reportFailures = true;
  bool resyncPending = true;
  // The current message was reached across a break in the stream, not by
  // the trusted length of its predecessor.
  bool afterBreak = true;
  bool timeLost = true;
  bool satelliteListLost = true;
  bool glonassNumbersLost = true;

 private:
  bool IdentifierValid(std::size_t position) const;
  // The checksum or the CRC of the message of `length` body bytes at
  // `position` holds; the message lies in the view.
  bool EitherCheckHolds(std::size_t position, std::size_t length) const;
  // A header (identifier and length digits) or a comment line starts at
  // `position` once line breaks are passed, or the input ends there.
  bool HeaderOrEndAt(std::size_t position) const;
  // An undamaged message starts at `position`: a comment line must not
  // swallow it.
  bool IntactMessageAt(std::size_t position) const;
  // Skips a comment line from `position` up to its line break, or up to an
  // undamaged message inside it.
  std::size_t SkipComment(std::size_t position) const;
  // The current message fits the view and its body holds minimumLength bytes.
  bool BodyInView(int minimumLength) const;
  bool IsCandidate(std::size_t position);
  std::size_t SkipSeparatorsRemembered(std::size_t position, std::size_t candidate);
  void ReportForeignBytes(std::size_t start, std::size_t count) const;
  void ReportBadChecksum() const;

  std::span<const std::uint8_t> view_;
  DumpLog& dump_;
  // Separator skips already walked by the resynchronisation search, as
  // start -> result: every line break in [start, result) skips to result.
  // Hostile input can aim thousands of candidates at one long run of
  // comment lines; this keeps the search linear in the file size.
  std::map<std::size_t, std::size_t> walkedSkips_;
};

}  // namespace qzr2rin
