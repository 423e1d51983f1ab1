#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/byte_sink.h"
#include "output/compact/text_buffer.h"
#include "platform/clock.h"

namespace qzr2rin {

// Turns RINEX observation text into compact RINEX (1.0 for RINEX 2, 3.0 for
// RINEX 3 and 4): epoch lines and flags as text differences, values as
// differences of up to third order along each satellite's arcs.
class CompactRinexSink final : public ByteSink {
 public:
  // `program` (at most 40 characters) and `when` make line 2.
  CompactRinexSink(ByteSink& next, std::string_view program, const platform::CalendarTime& when);
  // Any split of the text: lines may arrive in pieces.
  void Write(std::string_view bytes) override;
  // Ends the text (a last line without a line break counts as a line) and
  // flushes next; false when next lost bytes or the text could not be
  // compacted. After a problem nothing more reaches next.
  bool Flush() override;
  // Empty, or why the text could not be compacted, as a line without its end.
  const std::string& Problem() const { return problem_; }

  static constexpr int kMaxTypes = 100;
  static constexpr int kMaxSatellites = 100;
  static constexpr std::size_t kMaxLine = 2048;
  static constexpr int kMaxOrder = 3;

 private:
  enum class Stage { FirstLine, Header, EpochLine, SatelliteLines, DataLines, EventLines, Ended };

  // One field's difference arc: v holds V and its differences, u the same
  // combinations of the 10^5 part, which decides a restart.
  struct Arc {
    std::array<std::int64_t, kMaxOrder + 1> v{};
    std::array<std::int64_t, kMaxOrder + 1> u{};
    int order = -1;
  };

  // The satellites of one epoch, in their order, in flat arrays.
  struct EpochSatellites {
    int count = 0;
    std::array<std::uint32_t, kMaxSatellites> ids{};
    std::array<int, kMaxSatellites> types{};
    std::vector<Arc> arcs = std::vector<Arc>(static_cast<std::size_t>(kMaxSatellites) * kMaxTypes);
    std::vector<char> flags =
        std::vector<char>(static_cast<std::size_t>(kMaxSatellites) * kMaxTypes * 2, ' ');
  };

  void OnLine(std::string_view line);
  void OnFirstLine(std::string_view line);
  void OnHeaderLine(std::string_view line);
  void OnEpochLine(std::string_view line);
  void OnEpochLine2(std::string_view line);
  void OnEpochLine3(std::string_view line);
  void OnSatelliteLine(std::string_view line);
  void OnDataLine(std::string_view line);
  void OnDataLine2(std::string_view line);
  void OnDataLine3(std::string_view line);
  void OnEventLine(std::string_view line);
  void StartEvent(std::string_view shown, std::string_view countText);
  bool ReadClock(std::string_view line, std::size_t start, std::size_t point, int digits);
  bool AddSatellite(const char* text);
  void TakeTypes(std::string_view line);
  void BeginSatellite(int index);
  bool CompactFields(const char* fields, int first, int last);
  void EndSatellite();
  void EndEpoch();
  void ResetArcs();
  void Fail(std::string_view what);
  void Emit(std::string_view text);
  void EmitLine(std::string_view text);
  void PassOn();

  ByteSink& next_;
  std::string problem_;
  std::string pending_;  // the start of a line whose end has not come yet
  std::string out_;      // compact text not yet handed to next
  TextBuffer body_;      // the data lines of the epoch being read
  std::string oldText_;
  std::string epochText_;
  std::string padded_;  // the line being read, padded with blanks
  Stage stage_ = Stage::FirstLine;
  bool rinex3_ = false;
  std::size_t lineNumber_ = 0;
  std::string line2_;

  // RINEX 2: the one count of types; RINEX 3: one per system letter.
  int types2_ = 0;
  std::array<int, 256> types3_{};  // NOLINT(readability-magic-numbers): one per byte value

  int clockOrder_ = -1;
  std::array<std::int64_t, kMaxOrder + 1> clock_{};
  bool hasClock_ = false;
  std::int64_t clockValue_ = 0;

  int epochSatellites_ = 0;  // announced by the epoch line
  int satellitesListed_ = 0;
  int satelliteIndex_ = 0;  // the satellite whose lines are being read
  int lineOfSatellite_ = 0;
  int eventLinesLeft_ = 0;

  // The satellite being compacted.
  int previousIndex_ = -1;
  char* lineStart_ = nullptr;  // in body_
  char* cursor_ = nullptr;

  std::array<EpochSatellites, 2> epochs_;
  int current_ = 0;
};

}  // namespace qzr2rin
