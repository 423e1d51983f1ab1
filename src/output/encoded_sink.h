#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "output/byte_sink.h"
#include "output/compact/compact_rinex.h"
#include "output/file_forms.h"
#include "output/gzip_sink.h"
#include "output/worker_sink.h"
#include "platform/files.h"

namespace qzr2rin {

// What lies between a writer and its file for the forms asked for: the text
// is handed to a thread of its own and compacted there (observation files
// only), then gzipped, on a third thread when it was compacted too, so that
// the two stages share the second core with the formatting. Plain output
// goes straight to the file, as it always has.
class EncodedSink final : public ByteSink {
 public:
  // `observations`: the text is a RINEX observation file, which compact
  // RINEX applies to.
  EncodedSink(platform::OutputFile& file, FileForms forms, bool observations);
  EncodedSink(const EncodedSink&) = delete;
  EncodedSink& operator=(const EncodedSink&) = delete;

  void Write(std::string_view bytes) override { front_->Write(bytes); }
  bool Flush() override { return front_->Flush(); }
  // Empty, or why the text could not be compacted.
  std::string Problem() const;

 private:
  // Declared in the order the bytes pass them backwards: the worker, which
  // writes into the others, is destroyed (joined) first.
  FileSink file_;
  std::optional<GzipSink> gzip_;
  std::optional<WorkerSink> gzipWorker_;
  std::optional<CompactRinexSink> compact_;
  std::optional<WorkerSink> worker_;
  ByteSink* front_ = &file_;
};

}  // namespace qzr2rin
