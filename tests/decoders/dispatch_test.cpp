#include "decoders/dispatch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace qzr2rin {
namespace {

// Every identifier the converter decodes or accepts.
const char* const kKnown[] = {"QZ", "MF", "PM", "RE", "ER", "PA", "GA", "NA", "WA", "GT", "GO", "GP", "UP",
                              "NT", "NO", "SO", "SP", "~~", "RD", "rE", "rM", "SI", "NN", "SS", "RC", "R1",
                              "R2", "1R", "2R", "rc", "r1", "r2", "1r", "2r", "PC", "P1", "P2", "pc", "p1",
                              "p2", "CP", "1P", "2P", "cp", "1p", "2p", "CC", "C1", "C2", "cc", "c1", "c2",
                              "DC", "D1", "D2", "CE", "1E", "2E", "EC", "E1", "E2", "FC", "F1", "F2", "NC",
                              "N1", "N2", "TC", "EL", "AZ", "PO", "PV", "VE", "DP", "GE", "NE", "WE", "IO",
                              "UO", "WO", "TO", "DO", "SE", "==", "XA", "XB"};

TEST(Dispatch, TableHoldsEveryKnownIdentifierOnce) {
  std::set<std::string> routed;
  for (const Route& r : Routes()) {
    EXPECT_TRUE(routed.insert(std::string(r.id, 2)).second) << std::string(r.id, 2);
    EXPECT_NE(r.decoder, nullptr);
  }
  const std::set<std::string> known(std::begin(kKnown), std::end(kKnown));
  EXPECT_EQ(known.size(), 86u);
  EXPECT_EQ(routed, known);
  for (const char* id : kKnown) {
    const Route* r = FindRoute(id[0], id[1]);
    ASSERT_NE(r, nullptr) << id;
    EXPECT_EQ(std::string(r->id, 2), id);
  }
}

TEST(Dispatch, SignalAndVariantFollowTheIdentifier) {
  struct Case {
    const char* id;
    int first;
    int second;
  };
  const Case kCases[] = {{"RC", 0, 0}, {"R1", 1, 0}, {"R2", 2, 0}, {"1R", 1, 0}, {"2r", 2, 0},
                         {"cp", 0, 0}, {"2p", 2, 0}, {"C2", 2, 0}, {"CE", 0, 4}, {"2E", 2, 4},
                         {"EC", 0, 1}, {"E1", 1, 1}, {"XA", 0, 0}, {"XB", 1, 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.id);
    const Route* r = FindRoute(c.id[0], c.id[1]);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->first, c.first);
    EXPECT_EQ(r->second, c.second);
  }
}

TEST(Dispatch, UnknownAndInvalidIdentifiersHaveNoRoute) {
  const char* const kUnknown[] = {"ZZ", "qz", "E3", "00", "~}"};
  for (const char* id : kUnknown) EXPECT_EQ(FindRoute(id[0], id[1]), nullptr) << id;
  EXPECT_EQ(FindRoute('\x7F', 'A'), nullptr);
  EXPECT_EQ(FindRoute('A', '\x80'), nullptr);
  EXPECT_EQ(FindRoute('\0', '\0'), nullptr);
}

}  // namespace
}  // namespace qzr2rin
