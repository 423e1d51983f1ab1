#include "driver/output_options.h"

#include <gtest/gtest.h>

#include <string>

#include "input/profile.h"
#include "support/qzr_writer.h"

namespace qzr2rin {
namespace {

TEST(SiteNaming, CommandLineThenProfileThenDefault) {
  struct Case {
    const char* name;
    OutputOptions options;
    std::string profile;  // the [QZR2RIN] section's lines
    std::string station;
    std::string markerType;
    std::string problem;
  };
  auto with = [](std::string station, std::string country, std::string markerType) {
    OutputOptions o;
    o.station = std::move(station);
    o.country = std::move(country);
    o.markerType = std::move(markerType);
    return o;
  };
  const Case kCases[] = {
      {"defaults from the station code", {}, "", "SAMP00XXX", "GEODETIC", ""},
      {"profile keys",
       {},
       "STATION = pots12deu\nMARKER TYPE = non_geodetic\n",
       "POTS12DEU",
       "NON_GEODETIC",
       ""},
      {"profile country alone", {}, "COUNTRY = PRT\n", "SAMP00PRT", "GEODETIC", ""},
      {"command line beats profile", with("WTZR00DEU", "", "AIRBORNE"),
       "STATION = POTS12DEU\nMARKER TYPE = HUMAN\n", "WTZR00DEU", "AIRBORNE", ""},
      {"country replaces the station's", with("WTZR00DEU", "AUT", ""), "", "WTZR00AUT", "GEODETIC", ""},
      {"profile country replaces command-line station's", with("WTZR00DEU", "", ""), "COUNTRY = che\n",
       "WTZR00CHE", "GEODETIC", ""},
      {"bad profile station",
       {},
       "STATION = POTS\n",
       "",
       "",
       "Bad station POTS: nine characters, as SSSSMRCCC\n"},
      {"bad profile country",
       {},
       "COUNTRY = DE\n",
       "",
       "",
       "Bad country code DE: three capital letters (ISO 3166 alpha-3)\n"},
      {"bad profile marker type",
       {},
       "MARKER TYPE = SHIP\n",
       "",
       "",
       "Bad marker type SHIP: one of the RINEX keywords (GEODETIC, NON_GEODETIC, ...)\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    qzrtest::TempDir dir;
    const std::string path = dir.File("profile.ini");
    qzrtest::WriteFile(path, "[QZR2RIN]\n" + c.profile);
    std::string problem;
    const SiteNaming naming = ResolveSiteNaming(c.options, TProfile("QZR2RIN", path), "samp", problem);
    EXPECT_EQ(problem, c.problem);
    if (!c.problem.empty()) continue;
    EXPECT_EQ(naming.station, c.station);
    EXPECT_EQ(naming.markerType, c.markerType);
  }
}

TEST(SiteNaming, DefaultSiteIsFitForAName) {
  const TProfile none("QZR2RIN", "");
  std::string problem;
  EXPECT_EQ(ResolveSiteNaming({}, none, "a/b", problem).station, "AXBX00XXX");
  EXPECT_EQ(ResolveSiteNaming({}, none, "Ab1", problem).station, "AB1X00XXX");
  EXPECT_EQ(problem, "");
}

}  // namespace
}  // namespace qzr2rin
