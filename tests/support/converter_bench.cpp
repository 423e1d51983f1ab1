#include "support/converter_bench.h"

#include "decoders/dispatch.h"
#include "support/converter_state.h"

namespace qzrtest {

ConverterBench::ConverterBench(const LogBuilder& log, qzr2rin::ConversionOptions options) {
  input_ = dir_.File("bench.qzr");
  log.WriteTo(input_);
  options.inputFile = input_;
  options.dumpEnabled = true;
  file_ = std::make_unique<qzr2rin::TQZRFile>(options);
  file_->StartDumpLog();
}

qzr2rin::Status ConverterBench::Walk() {
  auto& s = file_->Scanner();
  s.cursor = 0;
  s.resyncPending = false;
  WithLost(*file_, {});
  AwaitFirstTime(*file_, false);
  return file_->WalkMessages();
}

qzr2rin::Status ConverterBench::WalkAsSet() {
  auto& s = file_->Scanner();
  s.cursor = 0;
  s.resyncPending = false;
  return file_->WalkMessages();
}

namespace {

// What the decoders wrote after each message's dump line
// ("\nXX len=N 0X..(0X..)\n").
std::vector<std::string> DecoderTexts(const std::string& dump) {
  std::vector<std::size_t> starts;
  std::vector<std::size_t> ends;
  for (std::size_t p = dump.find(" len="); p != std::string::npos; p = dump.find(" len=", p + 1)) {
    if (p < 3 || dump[p - 3] != '\n') continue;
    const std::size_t eol = dump.find('\n', p);
    if (eol == std::string::npos || dump[eol - 1] != ')') continue;
    starts.push_back(p - 3);
    ends.push_back(eol + 1);
  }
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < ends.size(); ++i) {
    const std::size_t to = i + 1 < starts.size() ? starts[i + 1] : dump.size();
    texts.push_back(dump.substr(ends[i], to - ends[i]));
  }
  return texts;
}

}  // namespace

ConverterBench::Walked ConverterBench::WalkEach(Lost lost) {
  qzr2rin::MessageScanner& s = file_->Scanner();
  s.cursor = 0;
  s.resyncPending = false;
  WithLost(*file_, lost);
  Walked w;
  while (s.NextMessage()) {
    const qzr2rin::Status result = qzr2rin::Dispatch(*file_);
    w.results.push_back(result);
    if (result == qzr2rin::Status::Ok) {
      s.Advance();
    } else if (result == qzr2rin::Status::BadChecksum) {
      s.AdvanceHeader();
      s.MarkBroken();
    } else {
      break;
    }
  }
  w.texts = DecoderTexts(DumpBody());
  return w;
}

void ConverterBench::ForEachBody(const std::function<void(qzr2rin::Body)>& visit) {
  qzr2rin::MessageScanner& s = file_->Scanner();
  s.cursor = 0;
  while (s.NextMessage()) {
    visit(s.CurrentBody());
    s.Advance();
  }
}

std::string ConverterBench::Dump() {
  file_->Log().Flush();
  return ReadFile(file_->Log().WorkingPath());
}

std::string ConverterBench::DumpBody() {
  std::string dump = Dump();
  for (int line = 0; line < 3; ++line) dump.erase(0, dump.find('\n') + 1);
  return dump;
}

}  // namespace qzrtest
