#include "support/converter_bench.h"

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
  auto& s = file_->scanner;
  s.cursor = 0;
  s.resyncPending = false;
  s.timeLost = s.satelliteListLost = s.glonassNumbersLost = false;
  file_->firstTimeAfterId = false;
  return file_->WalkMessages();
}

std::string ConverterBench::Dump() {
  file_->dumpLog.Flush();
  return ReadFile(dir_.File("bench.log"));
}

std::string ConverterBench::DumpBody() {
  std::string dump = Dump();
  for (int line = 0; line < 3; ++line) dump.erase(0, dump.find('\n') + 1);
  return dump;
}

}  // namespace qzrtest
