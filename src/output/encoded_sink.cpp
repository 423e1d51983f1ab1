#include "output/encoded_sink.h"

#include "base/messages.h"
#include "platform/clock.h"

namespace qzr2rin {

EncodedSink::EncodedSink(platform::OutputFile& file, FileForms forms, bool observations) : file_(file) {
  if (forms.gzip) {
    gzip_.emplace(*front_);
    front_ = &*gzip_;
  }
  if (forms.compact && observations) {
    if (gzip_) {
      gzipWorker_.emplace(*front_);
      front_ = &*gzipWorker_;
    }
    // Line 2 of compact RINEX: its program and when it ran, in UTC (the
    // fixed clock when SOURCE_DATE_EPOCH sets it).
    platform::CalendarTime now;
    platform::ToUtc(platform::NowUnixSeconds(), now);
    compact_.emplace(*front_, MessageText(kMsgProgramName), now);
    front_ = &*compact_;
  }
  if (front_ != &file_) {
    worker_.emplace(*front_);
    front_ = &*worker_;
  }
}

std::string EncodedSink::Problem() const { return compact_ ? compact_->Problem() : std::string(); }

}  // namespace qzr2rin
