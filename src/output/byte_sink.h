#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace qzr2rin {

// Where a writer's bytes go. Writers know only this, so that a file, a
// string, or a compressor in front of a file can take their output alike.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(std::string_view bytes) = 0;
  // Hands on whatever is buffered; false once any byte has been lost.
  virtual bool Flush() = 0;
};

// An output file as a sink; the file keeps its own buffer.
class FileSink final : public ByteSink {
 public:
  explicit FileSink(platform::OutputFile& file) : file_(file) {}
  void Write(std::string_view bytes) override { file_.Write(bytes); }
  bool Flush() override {
    file_.Flush();
    return !file_.Failed();
  }

 private:
  platform::OutputFile& file_;
};

// Everything written, kept in memory.
class StringSink final : public ByteSink {
 public:
  void Write(std::string_view bytes) override { text_.append(bytes); }
  bool Flush() override { return true; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace qzr2rin
