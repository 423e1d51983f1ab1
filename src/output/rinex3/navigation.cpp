#include "output/rinex3/navigation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/day_time.h"
#include "base/gps_week.h"
#include "base/messages.h"
#include "base/time_units.h"
#include "model/observation_set.h"
#include "output/rinex2/fields.h"
#include "output/rinex2/layouts.h"
#include "output/rinex_texts.h"
#include "platform/clock.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

constexpr std::string_view kVersionValue = "     3.04           N: GNSS NAV DATA    M: MIXED";
constexpr std::string_view kLabelIonosphere = "IONOSPHERIC CORR";
constexpr std::string_view kLabelTimeSystem = "TIME SYSTEM CORR";

// The record numbers: D19.12 with one digit before the point, as IGS files
// write them; the ionosphere's D12.4 likewise.
constexpr int kNavWidth = 19;
constexpr int kNavDigits = 12;
constexpr int kIonoWidth = 12;
constexpr int kIonoDigits = 4;
// A third exponent digit would shift the columns: tiny values are zero,
// huge ones the field's largest.
constexpr double kSmallest = 1e-99;
constexpr double kLargest = 9.999999999999e99;
constexpr std::string_view kOrbitLead = "    ";  // 4X before every orbit line
constexpr std::size_t kValuesPerLine = 4;
constexpr std::size_t kClockValues = 3;  // on the epoch line

constexpr std::size_t kNumberText = 64;

void AppendNumber(std::string& line, double value, int width, int digits) {
  if (std::fabs(value) < kSmallest || std::isnan(value)) value = 0.0;
  value = std::clamp(value, -kLargest, kLargest);
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%*.*e", width, digits, value);
  line += text;
}

void AppendLabelled(std::string& text, std::string line, std::string_view label) {
  FinishLabelled(line, label);
  text += line;
}

// "yyyymmdd hhmmss UTC" of the clock (SOURCE_DATE_EPOCH when set).
void AppendProgramLine(std::string& text, const ObservationSet& set) {
  platform::CalendarTime now;
  platform::ToUtc(platform::NowUnixSeconds(), now);
  std::string line;
  AppendFormat(line, "%-20.20s%-20.20s%04d%02d%02d %02d%02d%02d UTC",
               std::string(MessageText(kMsgProgramName)).c_str(),
               set.Profile().GetString(MessageText(kMsgRunBy), MessageText(kMsgRunBy)).c_str(), now.year,
               now.month, now.day, now.hour, now.minute, now.second);
  AppendLabelled(text, std::move(line), layout::kLabelProgram);
  line.clear();
  AppendFormat(line, layout::kBuildValue, std::string(MessageText(kMsgBuild)).c_str(),
               std::string(MessageText(kMsgNotice)).c_str());
  AppendLabelled(text, std::move(line), layout::kLabelComment);
}

void AppendIonosphere(std::string& text, const IonoParameters& iono) {
  if (!iono.present) return;
  for (const auto* values : {&iono.alpha, &iono.beta}) {
    std::string line = values == &iono.alpha ? "GPSA " : "GPSB ";
    for (const float v : *values) AppendNumber(line, v, kIonoWidth, kIonoDigits);
    AppendLabelled(text, std::move(line), kLabelIonosphere);
  }
}

// A0 D17.10, A1 D16.9, reference time I6, week I4; the provider and the
// UTC identifier are left blank.
void AppendTimeSystem(std::string& text, std::string_view type, double a0, double a1, std::int64_t seconds,
                      std::int64_t week) {
  constexpr int kA0Width = 17;
  constexpr int kA0Digits = 10;
  constexpr int kA1Width = 16;
  constexpr int kA1Digits = 9;
  std::string line(type);
  line += ' ';
  AppendNumber(line, a0, kA0Width, kA0Digits);
  AppendNumber(line, a1, kA1Width, kA1Digits);
  AppendFormat(line, " %6lld %4lld", static_cast<long long>(seconds), static_cast<long long>(week));
  AppendLabelled(text, std::move(line), kLabelTimeSystem);
}

void AppendLeapSeconds(std::string& text, const GpsUtcParameters& gpsUtc) {
  if (!gpsUtc.present) return;
  const UtcRelation& u = gpsUtc.utc;
  const std::int64_t week = WidenReceiverWeek(u.wnt);
  std::string line;
  AppendFormat(line, "%6d%6d%6lld%6d%3s", static_cast<int>(u.dtls), static_cast<int>(u.dtlsf),
               static_cast<long long>(WidenLeapSecondWeek(u.wnlsf, week)), static_cast<int>(u.dn), "GPS");
  AppendLabelled(text, std::move(line), layout::kLabelLeapSeconds);
}

// One record and the letter of its system.
struct Record {
  char system;
  BroadcastValues values;
};

void AppendRecord(std::string& text, const Record& record) {
  const BroadcastValues& r = record.values;
  const TGPSTime t(r.epochSeconds);
  const DayTime s = SplitSecondOfDay(t.SecondOfDay());
  AppendFormat(text, "%c%02d %04u %02u %02u %02u %02u %02u", record.system, r.number, t.Year(0), t.Month(0),
               t.Day(0), s.hours, s.minutes, s.seconds);
  const std::size_t first = std::min(kClockValues, r.values.size());
  for (std::size_t i = 0; i < first; ++i) AppendNumber(text, r.values[i], kNavWidth, kNavDigits);
  text += '\n';
  for (std::size_t i = first; i < r.values.size(); i += kValuesPerLine) {
    text += kOrbitLead;
    for (std::size_t k = i; k < std::min(i + kValuesPerLine, r.values.size()); ++k) {
      AppendNumber(text, r.values[k], kNavWidth, kNavDigits);
    }
    text += '\n';
  }
}

void AppendHeader(std::string& text, const ObservationSet& set, const SatellitesSeen& seen,
                  const std::vector<Record>& records) {
  const HeaderFacts& h = set.Header();
  AppendLabelled(text, std::string(kVersionValue), texts::kLabelVersion);
  AppendProgramLine(text, set);
  AppendIonosphere(text, h.iono);
  if (h.gpsUtc.present) {
    const UtcRelation& u = h.gpsUtc.utc;
    AppendTimeSystem(text, "GPUT", u.a0, u.a1, u.tot, WidenReceiverWeek(u.wnt));
  }
  const auto glonass =
      std::find_if(records.begin(), records.end(), [](const Record& r) { return r.system == 'R'; });
  if (glonass != records.end()) {
    // -tauC of the first GLONASS record, as the RINEX 2.10 file has it,
    // referred to the day of the first epoch.
    const std::uint32_t day = set.Header().firstTime.seconds / kSecondsPerDay * kSecondsPerDay;
    AppendTimeSystem(text, "GLUT", GlonassSystemTimeCorrection(set, seen), 0.0, day % kSecondsPerWeek,
                     day / kSecondsPerWeek);
  }
  if (h.geoUtc.present) {
    const UtcRelation& u = h.geoUtc.utc;
    AppendTimeSystem(text, "SBUT", u.a0, u.a1, u.tot, WidenReceiverWeek(u.wnt));
  }
  AppendLeapSeconds(text, h.gpsUtc);
  AppendLabelled(text, std::string(), texts::kLabelEnd);
}

}  // namespace

bool HasMixedNavigationData(const ObservationSet& set, const SatellitesSeen& seen) {
  for (const NavigationSystem system :
       {NavigationSystem::Gps, NavigationSystem::Glonass, NavigationSystem::Geo}) {
    if (HasNavigationData(set, system, seen)) return true;
  }
  return false;
}

Status WriteMixedNavigationFile(const ObservationSet& set, const SatellitesSeen& seen, ByteSink& out,
                                std::ostream* console) {
  // By system, each in the order of its RINEX 2.10 file.
  constexpr std::array<std::pair<NavigationSystem, char>, 3> kSystems = {
      {{NavigationSystem::Gps, 'G'}, {NavigationSystem::Glonass, 'R'}, {NavigationSystem::Geo, 'S'}}};
  std::vector<Record> records;
  for (const auto& [system, letter] : kSystems) {
    if (!HasNavigationData(set, system, seen)) continue;
    for (BroadcastValues& r : NavigationRecords(set, system, seen, console))
      records.push_back({letter, std::move(r)});
  }
  std::string text;
  AppendHeader(text, set, seen, records);
  for (const Record& r : records) AppendRecord(text, r);
  if (console != nullptr) *console << '\n';
  out.Write(text);
  return out.Flush() ? Status::Ok : Status::OutputOpenFailed;
}

}  // namespace qzr2rin
