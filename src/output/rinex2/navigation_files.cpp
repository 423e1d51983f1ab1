#include "output/rinex2/navigation_files.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/day_time.h"
#include "base/gps_week.h"
#include "base/messages.h"
#include "base/time_units.h"
#include "decoders/epoch_data.h"
#include "model/observation_set.h"
#include "output/broadcast_values.h"
#include "output/rinex2/fields.h"
#include "output/rinex2/layouts.h"
#include "output/rinex2/nav_number.h"
#include "output/rinex2/satellite_index.h"
#include "platform/clock.h"
#include "qzr2rin/gps_time.h"

namespace qzr2rin {
namespace {

constexpr std::string_view kGpsVersionLine =
    "     2.10           N:  GPS NAV DATA                        RINEX VERSION / TYPE\n";
constexpr std::string_view kGlonassVersionLine =
    "     2.10           GLONASS NAVMESS DATA                    RINEX VERSION / TYPE\n";
constexpr std::string_view kGeoVersionLine =
    "     2.10           H:  GEO NAV DATA                        RINEX VERSION / TYPE\n";
constexpr std::string_view kEndOfHeaderLine =
    "                                                            END OF HEADER       \n";
constexpr std::string_view kLabelIonAlpha = "ION ALPHA";
constexpr std::string_view kLabelIonBeta = "ION BETA";
constexpr std::string_view kLabelDeltaUtc = "DELTA-UTC: A0,A1,T,W";
constexpr std::string_view kLabelCorrection = "CORR TO SYSTEM TIME";

constexpr char kEpochLayout[] = "%2d %02d%3d%3d%3d%3d%5.1lf";
constexpr char kUtcReferenceLayout[] = "%9d%9d";
constexpr char kLeapSecondsLayout[] = "%6d";
constexpr char kDateLayout[] = "%6d%6d%6d";
constexpr char kIonoLead[] = "  ";
constexpr std::size_t kGpsLastLineWidth = 80;

static_assert(std::tuple_size_v<SatellitesSeen> ==
              EphemerisStore::kGpsSlots + EphemerisStore::kGlonassSlots + EphemerisStore::kGeoSlots);
static_assert(kFirstGlonassIndex == EphemerisStore::kGpsSlots &&
              kFirstSbasIndex == kFirstGlonassIndex + static_cast<int>(EphemerisStore::kGlonassSlots) &&
              kFirstSbasNumber == kFirstGeoPrn - kGeoNumberOffset);

struct SystemView {
  std::size_t firstIndex;
  std::size_t slots;
  int firstNumber;  // number of slot 0 on the console
  char tag;
};

SystemView ViewOf(NavigationSystem system) {
  switch (system) {
    case NavigationSystem::Gps: return {0, EphemerisStore::kGpsSlots, 1, 'G'};
    case NavigationSystem::Glonass:
      return {static_cast<std::size_t>(kFirstGlonassIndex), EphemerisStore::kGlonassSlots, 1, 'R'};
    case NavigationSystem::Geo: break;
  }
  return {static_cast<std::size_t>(kFirstSbasIndex), EphemerisStore::kGeoSlots, kFirstSbasNumber, 'S'};
}

std::size_t ListSize(const EphemerisStore& ephemerides, NavigationSystem system, std::size_t slot) {
  switch (system) {
    case NavigationSystem::Gps: return ephemerides.gps[slot].size();
    case NavigationSystem::Glonass: return ephemerides.glonass[slot].size();
    case NavigationSystem::Geo: break;
  }
  return ephemerides.geo[slot].size();
}

bool SystemSeen(const HeaderFacts& header, NavigationSystem system) {
  switch (system) {
    case NavigationSystem::Gps: return header.gps;
    case NavigationSystem::Glonass: return header.glonass;
    case NavigationSystem::Geo: break;
  }
  return header.geo;
}

std::uint32_t SortKey(const GpsEphemeris& e) { return ClockReference(e); }
std::uint32_t SortKey(const GlonassEphemeris& e) { return e.ReferenceSeconds(); }
std::uint32_t SortKey(const GeoEphemeris& e) { return e.ReferenceSeconds(); }

// The records of every seen satellite in time order; equal times keep the
// satellite order, then the order of arrival. Prints the console tags.
template <class Record, std::size_t N>
std::vector<const Record*> InTimeOrder(const std::array<std::vector<Record>, N>& lists,
                                       const SatellitesSeen& seen, const SystemView& view,
                                       std::ostream* console) {
  std::vector<const Record*> order;
  for (std::size_t slot = 0; slot < N; ++slot) {
    if (!seen[view.firstIndex + slot]) continue;
    if (console != nullptr) *console << view.tag << view.firstNumber + static_cast<int>(slot) << ' ';
    for (const Record& r : lists[slot]) order.push_back(&r);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Record* a, const Record* b) { return SortKey(*a) < SortKey(*b); });
  return order;
}

void AppendEpoch(std::string& text, int number, std::uint32_t seconds) {
  const TGPSTime t(seconds);
  const DayTime s = SplitSecondOfDay(t.SecondOfDay());
  AppendFormat(text, kEpochLayout, number, static_cast<int>(TwoDigitYear(t.Year(0))),
               static_cast<int>(t.Month(0)), static_cast<int>(t.Day(0)), static_cast<int>(s.hours),
               static_cast<int>(s.minutes), static_cast<double>(s.seconds));
}

void AppendLabelled(std::string& text, std::string line, std::string_view label) {
  FinishLabelled(line, label);
  text += line;
}

void AppendProgramLines(std::string& text, const ObservationSet& set) {
  const platform::CalendarTime now = platform::WallClockNow();
  std::string line;
  AppendFormat(line, layout::kProgramValue, std::string(MessageText(kMsgProgramName)).c_str(),
               set.Profile().GetString(MessageText(kMsgRunBy), MessageText(kMsgRunBy)).c_str(), now.day,
               std::string(MonthAbbreviation(now.month)).c_str(), TwoDigitYear(now.year), now.hour,
               now.minute);
  AppendLabelled(text, std::move(line), layout::kLabelProgram);
  line.clear();
  AppendFormat(line, layout::kBuildValue, std::string(MessageText(kMsgBuild)).c_str(),
               std::string(MessageText(kMsgNotice)).c_str());
  AppendLabelled(text, std::move(line), layout::kLabelComment);
}

void AppendLeapSeconds(std::string& text, const GpsUtcParameters& gpsUtc) {
  if (!gpsUtc.present) return;
  std::string line;
  AppendFormat(line, kLeapSecondsLayout, static_cast<int>(gpsUtc.utc.dtls));
  AppendLabelled(text, std::move(line), layout::kLabelLeapSeconds);
}

void AppendFirstLine(std::string& text, int number, std::uint32_t seconds, double a, double b, double c) {
  AppendEpoch(text, number, seconds);
  for (const double v : {a, b, c}) AppendNavNumber(text, v);
  text += '\n';
}

// The epoch line with the first three values, then lines of four; the last
// line padded to `lastLineWidth` when that is not 0.
void AppendRecord(std::string& text, const BroadcastValues& r, std::size_t lastLineWidth = 0) {
  constexpr std::size_t kClockValues = 3;
  constexpr std::size_t kValuesPerLine = 4;
  const std::span<const double> values(r.values);
  AppendFirstLine(text, r.number, r.epochSeconds, values[0], values[1], values[2]);
  for (std::size_t i = kClockValues; i < values.size(); i += kValuesPerLine) {
    std::string line;
    AppendNavNumbers(line, values.subspan(i, std::min(kValuesPerLine, values.size() - i)));
    if (i + kValuesPerLine >= values.size() && lastLineWidth != 0) line.resize(lastLineWidth, ' ');
    text += line;
    text += '\n';
  }
}

void WriteGps(std::string& text, const ObservationSet& set, const std::vector<const GpsEphemeris*>& order) {
  const HeaderFacts& h = set.Header();
  text += kGpsVersionLine;
  AppendProgramLines(text, set);
  if (h.iono.present) {
    for (const auto* values : {&h.iono.alpha, &h.iono.beta}) {
      std::string line = kIonoLead;
      for (const float v : *values) AppendIonoNumber(line, v);
      AppendLabelled(text, std::move(line), values == &h.iono.alpha ? kLabelIonAlpha : kLabelIonBeta);
    }
  }
  if (h.gpsUtc.present) {
    std::string line;
    AppendNavNumbers(line, {h.gpsUtc.utc.a0, h.gpsUtc.utc.a1});
    AppendFormat(line, kUtcReferenceLayout, static_cast<int>(h.gpsUtc.utc.tot),
                 static_cast<int>(WidenReceiverWeek(h.gpsUtc.utc.wnt)));
    AppendLabelled(text, std::move(line), kLabelDeltaUtc);
  }
  AppendLeapSeconds(text, h.gpsUtc);
  text += kEndOfHeaderLine;

  for (const GpsEphemeris* e : order) AppendRecord(text, GpsBroadcastValues(*e), kGpsLastLineWidth);
}

void WriteGlonass(std::string& text, const ObservationSet& set,
                  const std::vector<const GlonassEphemeris*>& order) {
  text += kGlonassVersionLine;
  AppendProgramLines(text, set);
  if (!order.empty()) {
    const TGPSTime first(set.Header().firstTime.seconds);
    std::string line;
    AppendFormat(line, kDateLayout, static_cast<int>(first.Year(0)), static_cast<int>(first.Month(0)),
                 static_cast<int>(first.Day(0)));
    AppendNavNumbers(line, {-order.front()->tauC});
    AppendLabelled(text, std::move(line), kLabelCorrection);
  }
  AppendLeapSeconds(text, set.Header().gpsUtc);
  text += kEndOfHeaderLine;

  for (const GlonassEphemeris* e : order) AppendRecord(text, GlonassBroadcastValues(*e));
}

void WriteGeo(std::string& text, const ObservationSet& set, const std::vector<const GeoEphemeris*>& order) {
  const HeaderFacts& h = set.Header();
  text += kGeoVersionLine;
  AppendProgramLines(text, set);
  if (h.geoUtc.present) {
    const TGPSTime reference(
        static_cast<std::uint32_t>(GpsWeekSeconds(WidenReceiverWeek(h.geoUtc.utc.wnt), h.geoUtc.utc.tot)));
    std::string line;
    AppendFormat(line, kDateLayout, static_cast<int>(reference.Year(0)), static_cast<int>(reference.Month(0)),
                 static_cast<int>(reference.Day(0)));
    AppendNavNumbers(line, {h.geoUtc.utc.a0});
    AppendLabelled(text, std::move(line), kLabelCorrection);
  }
  AppendLeapSeconds(text, h.gpsUtc);
  text += kEndOfHeaderLine;

  for (const GeoEphemeris* e : order) AppendRecord(text, GeoBroadcastValues(*e));
}

}  // namespace

SatellitesSeen SatellitesInObservations(const ObservationSet& set) {
  std::array<bool, kSatelliteIdCount> ids{};
  for (const EpochSatellite& s : set.Satellites()) ids[s.satelliteId] = true;
  SatellitesSeen seen{};
  for (std::size_t id = 0; id < ids.size(); ++id) {
    const int index = ids[id] ? SatelliteIndex(static_cast<std::uint8_t>(id)) : -1;
    if (index >= 0) seen[static_cast<std::size_t>(index)] = true;
  }
  return seen;
}

bool HasNavigationData(const ObservationSet& set, NavigationSystem system) {
  return HasNavigationData(set, system, SatellitesInObservations(set));
}

Status WriteNavigationFile(const ObservationSet& set, NavigationSystem system, ByteSink& out) {
  return WriteNavigationFile(set, system, SatellitesInObservations(set), out, nullptr);
}

bool HasNavigationData(const ObservationSet& set, NavigationSystem system, const SatellitesSeen& seen) {
  if (!SystemSeen(set.Header(), system)) return false;
  const SystemView view = ViewOf(system);
  for (std::size_t slot = 0; slot < view.slots; ++slot) {
    if (seen[view.firstIndex + slot] && ListSize(set.Ephemerides(), system, slot) != 0) return true;
  }
  return false;
}

std::vector<BroadcastValues> NavigationRecords(const ObservationSet& set, NavigationSystem system,
                                               const SatellitesSeen& seen, std::ostream* console) {
  const SystemView view = ViewOf(system);
  const EphemerisStore& ephemerides = set.Ephemerides();
  std::vector<BroadcastValues> records;
  switch (system) {
    case NavigationSystem::Gps:
      for (const auto* e : InTimeOrder(ephemerides.gps, seen, view, console))
        records.push_back(GpsBroadcastValues(*e));
      break;
    case NavigationSystem::Glonass:
      for (const auto* e : InTimeOrder(ephemerides.glonass, seen, view, console))
        records.push_back(GlonassBroadcastValues(*e));
      break;
    case NavigationSystem::Geo:
      for (const auto* e : InTimeOrder(ephemerides.geo, seen, view, console))
        records.push_back(GeoBroadcastValues(*e));
      break;
  }
  return records;
}

double GlonassSystemTimeCorrection(const ObservationSet& set, const SatellitesSeen& seen) {
  const auto order = InTimeOrder(set.Ephemerides().glonass, seen, ViewOf(NavigationSystem::Glonass), nullptr);
  return order.empty() ? 0.0 : -order.front()->tauC;
}

Status WriteNavigationFile(const ObservationSet& set, NavigationSystem system, const SatellitesSeen& seen,
                           ByteSink& out, std::ostream* console) {
  const SystemView view = ViewOf(system);
  const EphemerisStore& ephemerides = set.Ephemerides();
  std::string text;
  switch (system) {
    case NavigationSystem::Gps: WriteGps(text, set, InTimeOrder(ephemerides.gps, seen, view, console)); break;
    case NavigationSystem::Glonass:
      WriteGlonass(text, set, InTimeOrder(ephemerides.glonass, seen, view, console));
      break;
    case NavigationSystem::Geo: WriteGeo(text, set, InTimeOrder(ephemerides.geo, seen, view, console)); break;
  }
  if (console != nullptr) *console << '\n';
  out.Write(text);
  return out.Flush() ? Status::Ok : Status::OutputOpenFailed;
}

}  // namespace qzr2rin
