// The decoder bench itself: messages reach their decoders through the real
// scanner and dispatch table, and the dump shows every message line.

#include "support/converter_bench.h"

#include <gtest/gtest.h>

namespace qzr2rin {
namespace {

using qzrtest::BodyBuilder;

TEST(ConverterBench, DispatchesEveryMessageWithItsDumpLine) {
  qzrtest::LogBuilder log;
  log.Add("ZZ", BodyBuilder().U8(1)).LineBreak().Add("GT", BodyBuilder().U32(7));
  qzrtest::ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  EXPECT_EQ(bench.DumpBody(),
            "\nZZ len=2 0X0(0X6)\n"
            "       D E F A U L T  \n"
            "\nGT len=5 0X9(0X12)\n");
}

TEST(ConverterBench, AcceptedOnlyMessagesFailOnTheirChecksum) {
  qzrtest::LogBuilder log;
  log.Add(qzrtest::BadChecksumMessage("NA", {1, 2, 3}))
      .Add("SP", BodyBuilder().U8(9))
      .Add("GT", BodyBuilder().U8(0));
  qzrtest::ConverterBench bench(log);
  EXPECT_EQ(bench.Walk(), Status::Ok);
  const std::string dump = bench.DumpBody();
  EXPECT_NE(dump.find("\nNA len=4 0X0(0X8)\nBad Checksum\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\nSP len=2 0X9(0Xf)\n"), std::string::npos) << dump;
  EXPECT_TRUE(bench.file().Scanner().timeLost);
}

}  // namespace
}  // namespace qzr2rin
