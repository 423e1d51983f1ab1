#include "support/ephemeris_fixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/converter_bench.h"
#include "support/converter_state.h"

namespace qzrtest {

void ExpectRefusedBodiesIgnored(std::string_view id, const Bytes& payload, std::size_t length,
                                const std::function<void(qzr2rin::TQZRFile&)>& prepare,
                                const std::function<std::size_t(const qzr2rin::TQZRFile&)>& stored,
                                std::string_view unseen) {
  using qzr2rin::Status;
  const auto lengthText = [length](std::size_t arrived) {
    return "    Error Len! Expected:" + std::to_string(length) + " arrived: " + std::to_string(arrived) +
           "\n";
  };
  struct Case {
    std::string name;
    Bytes message;
    Status result;
    std::string dump;
  };
  // A body's length counts its checksum byte.
  const Case kCases[] = {
      {"one byte short", Message(id, Bytes(payload.begin(), payload.end() - 1)), Status::Ok,
       lengthText(payload.size())},
      {"checksum only", Message(id, Bytes{}), Status::Ok, lengthText(1)},
      {"damaged", BadChecksumMessage(id, payload), Status::BadChecksum, "Bad Checksum\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogBuilder log;
    log.Add(c.message).LineBreak();
    ConverterBench bench(log);
    prepare(bench.file());
    const auto walked = bench.WalkEach();
    ASSERT_FALSE(walked.results.empty());
    EXPECT_EQ(walked.results.front(), c.result);
    EXPECT_EQ(stored(bench.file()), 0u);
    const std::string dump = bench.DumpBody();
    EXPECT_NE(dump.find(c.dump), std::string::npos) << dump;
    if (!unseen.empty()) {
      EXPECT_EQ(dump.find(unseen), std::string::npos) << dump;
    }
  }
}

LogBuilder LogOf(const Bytes& message) {
  LogBuilder log;
  log.Add(message);
  return log;
}

std::string DecoderText(ConverterBench& bench) {
  const std::string dump = bench.DumpBody();
  return dump.substr(dump.find(")\n") + 2);
}

void SetWindow(qzr2rin::TQZRFile& f, const WindowCase& c) {
  WithWindow(f, c.given, qzr2rin::TGPSTimeNS(c.start, 0), qzr2rin::TGPSTimeNS(c.finish, 0));
}

}  // namespace qzrtest
