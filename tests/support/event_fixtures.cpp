#include "support/event_fixtures.h"

#include "decoders/occupations.h"

namespace qzrtest {

TrackingLog& TrackingLog::Epochs(std::uint32_t first, std::uint32_t count) {
  for (std::uint32_t k = first; k < first + count; ++k) {
    Add(Message("~~", BodyBuilder().U32(kTrackingStartMs + k * 1000)));
    Add(Message("SI", BodyBuilder().U8(5)));
    if (!dated_) Add(Message("RD", BodyBuilder().U16(2004).U8(2).U8(1).U8(0)));
    dated_ = true;
    Add(Message("rc", BodyBuilder().I32(0)));
  }
  return *this;
}

TrackingLog& TrackingLog::EpochsWithEvents(std::uint32_t count, const std::vector<EpochUserEvent>& events) {
  for (std::uint32_t k = 0; k < count; ++k) {
    Epochs(k, 1);
    for (const EpochUserEvent& e : events) {
      if (e.epoch == k) User(e.text);
    }
  }
  return *this;
}

TrackingLog& TrackingLog::User(std::string_view text) {
  return Add(Message("==", BodyBuilder().U32(kTrackingStartMs).U8(0).Text(text)));
}

TrackingLog& TrackingLog::Event(std::string_view id, std::uint32_t ms) {
  return Add(Message(id, BodyBuilder().U32(kTrackingStartMs + ms).U32(0).U8(0)));
}

TrackingLog& TrackingLog::Add(const Bytes& message) {
  log_.Add(message).LineBreak();
  return *this;
}

qzr2rin::Status ConvertToEnd(ConverterBench& bench) {
  const qzr2rin::Status walked = bench.Walk();
  if (walked != qzr2rin::Status::Ok) return walked;
  return qzr2rin::CloseOccupation(bench.file());
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace qzrtest
