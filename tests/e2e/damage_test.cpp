// Simulated logs damaged at known places: every epoch whose messages the
// damage did not touch comes out whole, and a damaged epoch may lose values
// but never carries a wrong one.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/e2e_truth.h"
#include "support/qzr_writer.h"
#include "support/rinex_reader.h"
#include "support/run_program.h"

namespace {

using qzrtest::ReadFile;
using qzrtest::TempDir;
using qzrtest::e2e::FramedMessage;
using qzrtest::e2e::kTypes;
using qzrtest::e2e::Truth;

constexpr std::size_t kTarget = 50;  // the epoch the damage is aimed at, well after the first date

// Where one epoch's messages lie in the undamaged log.
struct EpochSpan {
  std::size_t begin = 0, end = 0;
};

struct Log {
  std::string bytes;
  std::vector<FramedMessage> messages;
  std::vector<std::size_t> epochStarts;  // indices into messages
  std::vector<EpochSpan> epochs;
  bool raw = false;

  // The first message with this identifier at or after the start of epoch e.
  const FramedMessage& InEpoch(std::size_t e, const std::string& id) const {
    for (std::size_t k = epochStarts[e]; k < messages.size(); ++k)
      if (messages[k].id == id) return messages[k];
    ADD_FAILURE() << "no [" << id << "] after epoch " << e;
    return messages.front();
  }
  // The time message of epoch e (the [rM] of a raw epoch); it closes e - 1.
  const FramedMessage& TimeMessage(std::size_t e) const { return messages[epochStarts[e]]; }
  const FramedMessage& After(const FramedMessage& m) const { return *(&m + 1); }
};

Log Walk(std::string bytes, bool raw) {
  Log log;
  log.bytes = std::move(bytes);
  log.raw = raw;
  log.messages = qzrtest::e2e::WalkMessages(log.bytes);
  const std::string marker = raw ? "rM" : "~~";
  for (std::size_t k = 0; k < log.messages.size(); ++k)
    if (log.messages[k].id == marker) log.epochStarts.push_back(k);
  for (std::size_t e = 0; e < log.epochStarts.size(); ++e) {
    const FramedMessage& first = log.messages[log.epochStarts[e]];
    // A raw epoch is its one message; a per-signal epoch runs from its time
    // message up to the next one, which closes it.
    std::size_t end = first.end();
    if (!raw)
      end = e + 1 < log.epochStarts.size() ? log.messages[log.epochStarts[e + 1]].offset : log.bytes.size();
    log.epochs.push_back({first.offset, end});
  }
  return log;
}

// The damaged stretch in offsets of the undamaged log; an insertion is the
// empty stretch at its position, so it touches only an epoch it falls inside.
struct Damage {
  std::string bytes;
  std::size_t from = 0, to = 0;
};

std::string Garbage(std::size_t n, std::uint32_t seed) {
  std::string s;
  for (std::size_t k = 0; k < n; ++k) {
    seed = seed * 1664525u + 1013904223u;
    s += static_cast<char>(seed >> 24);
  }
  return s;
}

Damage Flip(const Log& log, std::size_t at) {
  Damage d{log.bytes, at, at + 1};
  d.bytes[at] = static_cast<char>(d.bytes[at] ^ 0x5A);
  return d;
}

Damage Replace(const Log& log, std::size_t at, char c) {
  Damage d{log.bytes, at, at + 1};
  d.bytes[at] = c;
  return d;
}

// Another hexadecimal digit in the length: the body seems shorter or longer.
Damage OtherLength(const Log& log, const FramedMessage& m, std::size_t digit) {
  const char c = log.bytes[m.offset + 2 + digit];
  return Replace(log, m.offset + 2 + digit, c == '0' ? '1' : c == '1' ? '3' : '0');
}

// The top length digit one higher: the body seems to swallow what follows.
Damage LongerLength(const Log& log, const FramedMessage& m) {
  const char c = log.bytes[m.offset + 2];
  return Replace(log, m.offset + 2, c == '9' ? 'A' : static_cast<char>(c + 1));
}

Damage Delete(const Log& log, std::size_t from, std::size_t to) {
  Damage d{log.bytes, from, to};
  d.bytes.erase(from, to - from);
  return d;
}

Damage Insert(const Log& log, std::size_t at, const std::string& text) {
  Damage d{log.bytes, at, at};
  d.bytes.insert(at, text);
  return d;
}

Damage Duplicate(const Log& log, std::size_t at, std::size_t n) {
  Damage d{log.bytes, at, at + n};
  d.bytes.insert(at, log.bytes.substr(at, n));
  return d;
}

Damage FlipBit(const Log& log, std::size_t at, int bit) {
  Damage d{log.bytes, at, at + 1};
  d.bytes[at] = static_cast<char>(d.bytes[at] ^ (1 << bit));
  return d;
}

Damage Truncate(const Log& log, std::size_t at) {
  Damage d{log.bytes, at, log.bytes.size()};
  d.bytes.resize(at);
  return d;
}

struct Case {
  const char* name;
  bool raw;
  std::function<Damage(const Log&)> damage;
  bool betweenEpochs = false;  // the damage lies outside every epoch's messages
};

// Converts the damaged log and checks every epoch of the output against the
// truth: an untouched epoch is whole, a damaged one holds no wrong value.
void Check(const Case& c, const Log& log, const Truth& truth, const TempDir& dir, bool anywhere = false) {
  const Damage d = c.damage(log);
  const std::string path = dir.File("damaged.qzr");
  qzrtest::WriteFile(path, d.bytes);
  static int conversions = 0;  // every conversion writes into a directory of its own
  const auto conv = qzrtest::e2e::Convert(dir, path, {"-l"}, "out" + std::to_string(++conversions));
  ASSERT_EQ(conv.result.exitCode, 0) << conv.result.out << conv.result.err;
  ASSERT_FALSE(conv.observation.empty()) << conv.result.out;
  const auto file = qzrtest::rinex::ReadObservationFile(ReadFile(conv.observation));
  EXPECT_TRUE(file.complaints.empty()) << file.complaints.front();

  std::map<std::int64_t, const qzrtest::rinex::Record*> written;
  for (const auto* rec : file.Epochs()) {
    const std::int64_t ms = qzrtest::e2e::EpochMilliseconds(rec->time);
    EXPECT_TRUE(written.emplace(ms, rec).second) << "two epochs at " << ms;
  }
  ASSERT_EQ(log.epochs.size(), truth.epochs.size());
  std::size_t whole = 0, damaged = 0;
  std::set<std::int64_t> known;
  for (std::size_t e = 0; e < truth.epochs.size(); ++e) {
    const std::int64_t ms = truth.epochs[e].ms;
    known.insert(ms);
    const bool intact = !(d.from < log.epochs[e].end && d.to > log.epochs[e].begin);
    const auto it = written.find(ms);
    SCOPED_TRACE("epoch " + std::to_string(e) + (intact ? " (intact)" : " (damaged)"));
    if (!intact) ++damaged;
    if (it == written.end()) {
      EXPECT_FALSE(intact) << "an untouched epoch is missing";
      continue;
    }
    const auto& rec = *it->second;
    std::size_t expectedSatellites = 0;
    for (auto k = truth.obs.lower_bound({ms, '\0', 0}); k != truth.obs.end() && std::get<0>(k->first) == ms;
         ++k)
      ++expectedSatellites;
    if (intact) {
      EXPECT_EQ(rec.satellites.size(), expectedSatellites);
      ++whole;
    }
    for (const auto& sat : rec.satellites) {
      const auto t = truth.obs.find({ms, sat.system, sat.number});
      ASSERT_NE(t, truth.obs.end()) << sat.system << sat.number << " was not observed";
      for (const auto& type : kTypes) {
        const int index = qzrtest::rinex::TypeIndex(file.header, type.type);
        if (index < 0) continue;
        const auto sig = t->second.find(type.signal);
        const double expected =
            sig == t->second.end() ? NAN : sig->second[static_cast<std::size_t>(type.field)];
        const auto& v = sat.values[static_cast<std::size_t>(index)];
        SCOPED_TRACE(std::string(type.type) + " " + sat.system + std::to_string(sat.number));
        if (intact) {
          EXPECT_EQ(v.present, !std::isnan(expected));
        }
        if (v.present) {
          ASSERT_FALSE(std::isnan(expected)) << "a value that was never encoded";
          EXPECT_NEAR(v.value, expected, 0.0005 + 5e-8);
        }
      }
    }
  }
  for (const auto& [ms, rec] : written)
    EXPECT_TRUE(known.count(ms)) << "an epoch at a time never observed: " << ms;
  if (!anywhere) {
    EXPECT_EQ(damaged == 0, c.betweenEpochs) << damaged << " epochs damaged";
  }
  EXPECT_GE(whole, kTarget);
}

// A log of 80 epochs, GPS, GLONASS and GEO with ephemerides, in one of the
// simulator's encodings.
void SimulateLog(const TempDir& dir, const std::string& encoding, Log& log, Truth& truth) {
  const std::string path = dir.File(encoding + ".qzr"), truthFile = dir.File(encoding + ".csv");
  const auto sim = qzrtest::RunSimulator(
      {"-o", path, "--truth", truthFile, "--duration", "80", "--seed", "7", "--encoding", encoding});
  ASSERT_EQ(sim.exitCode, 0) << sim.err;
  log = Walk(ReadFile(path), encoding == "raw");
  truth = qzrtest::e2e::ReadTruth(ReadFile(truthFile));
  // The walk covers the whole log, up to its closing line break.
  ASSERT_FALSE(log.messages.empty());
  ASSERT_EQ(log.messages.back().end() + 2, log.bytes.size());
  ASSERT_EQ(log.epochs.size(), truth.epochs.size());
  ASSERT_GT(log.epochs.size(), kTarget + 12);
}

// The short per-signal encoding (false) and raw measurements (true).
void SimulateLogs(const TempDir& dir, std::map<bool, Log>& logs, std::map<bool, Truth>& truths) {
  for (const bool raw : {false, true}) {
    SimulateLog(dir, raw ? "raw" : "short", logs[raw], truths[raw]);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

const char* const kEncodings[] = {"full", "short", "relative", "short-relative", "raw"};

// DAMAGE_SWEEP=full in the environment runs the whole sweep by hand.
bool FullSweep() {
  const char* sweep = std::getenv("DAMAGE_SWEEP");
  return sweep != nullptr && std::string(sweep) == "full";
}

TEST(DamagedLog, UntouchedEpochsSurviveAndNoValueIsWrong) {
  const std::string headerLike = "SI003\x05\x07";
  const Case kCases[] = {
      {"observation body byte", false,
       [](const Log& l) { return Flip(l, l.InEpoch(kTarget, "pc").offset + 9); }},
      {"length not hexadecimal", false,
       [](const Log& l) { return Replace(l, l.InEpoch(kTarget, "rc").offset + 3, 'x'); }},
      {"length digit changed", false,
       [](const Log& l) { return OtherLength(l, l.InEpoch(kTarget, "D1"), 2); }},
      {"length made longer", false, [](const Log& l) { return LongerLength(l, l.InEpoch(kTarget, "rc")); }},
      {"deletion across a boundary", false,
       [](const Log& l) {
         const FramedMessage& m = l.InEpoch(kTarget, "p1");
         return Delete(l, m.offset + m.size / 2, l.After(m).offset + 3);
       }},
      {"random bytes between messages", false,
       [](const Log& l) { return Insert(l, l.InEpoch(kTarget, "DC").offset, Garbage(37, 11)); }},
      {"header-like bytes between messages", false,
       [&](const Log& l) { return Insert(l, l.InEpoch(kTarget, "D2").offset, headerLike); }},
      {"time-like bytes between messages", false,
       [](const Log& l) {
         return Insert(l, l.InEpoch(kTarget, "EC").offset, std::string("~~005") + Garbage(5, 4));
       }},
      // The search after the garbage meets a header of an unknown message
      // whose length would reach over the next time message.
      {"garbage and a false unknown header", false,
       [](const Log& l) {
         const std::size_t at = l.InEpoch(kTarget, "DC").offset;
         const std::size_t successor = l.After(l.TimeMessage(kTarget + 1)).offset;
         char header[8];
         std::snprintf(header, sizeof header, "Zz%03zX", successor - at);
         return Insert(l, at, std::string("\x01") + Garbage(6, 3) + header);
       }},
      {"header-like bytes before a time message", false,
       [](const Log& l) {
         return Insert(l, l.TimeMessage(kTarget).offset, std::string("rc00A") + Garbage(10, 5));
       },
       true},
      {"truncated inside a message", false,
       [](const Log& l) { return Truncate(l, l.InEpoch(kTarget, "p2").offset + 7); }},
      {"time message body byte", false,
       [](const Log& l) { return Flip(l, l.TimeMessage(kTarget).offset + 6); }},
      {"time message length", false, [](const Log& l) { return OtherLength(l, l.TimeMessage(kTarget), 2); }},
      {"time message identifier", false,
       [](const Log& l) { return Replace(l, l.TimeMessage(kTarget).offset, '\x01'); }},
      {"satellite list body byte", false,
       [](const Log& l) { return Flip(l, l.InEpoch(kTarget, "SI").offset + 6); }},
      {"satellite list length", false,
       [](const Log& l) { return OtherLength(l, l.InEpoch(kTarget, "SI"), 2); }},
      {"raw body byte", true, [](const Log& l) { return Flip(l, l.TimeMessage(kTarget).offset + 40); }},
      {"raw length digit changed", true,
       [](const Log& l) { return OtherLength(l, l.TimeMessage(kTarget), 1); }},
      {"raw length made longer", true, [](const Log& l) { return LongerLength(l, l.TimeMessage(kTarget)); }},
      {"raw deletion across a boundary", true,
       [](const Log& l) {
         const FramedMessage& m = l.TimeMessage(kTarget);
         return Delete(l, m.end() - 20, l.After(m).offset + 2);
       }},
      {"raw header-like bytes", true,
       [](const Log& l) {
         return Insert(l, l.TimeMessage(kTarget).offset, std::string("rM020") + Garbage(32, 8));
       },
       true},
      {"raw random bytes", true,
       [](const Log& l) { return Insert(l, l.TimeMessage(kTarget).offset, Garbage(23, 9)); }, true},
      {"raw truncated", true, [](const Log& l) { return Truncate(l, l.TimeMessage(kTarget).offset + 60); }},
  };

  TempDir dir;
  std::map<bool, Log> logs;
  std::map<bool, Truth> truths;
  SimulateLogs(dir, logs, truths);
  if (HasFatalFailure()) return;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Check(c, logs[c.raw], truths[c.raw], dir);
  }
}

// Damage at pseudo-random places of the middle of the log: single bytes
// changed, runs deleted, garbage inserted.
TEST(DamagedLog, DamageAnywhereLosesOnlyTheEpochItTouches) {
  TempDir dir;
  std::map<bool, Log> logs;
  std::map<bool, Truth> truths;
  SimulateLogs(dir, logs, truths);
  if (HasFatalFailure()) return;
  // DAMAGE_ROUNDS=300 in the environment runs a longer sweep by hand.
  const int rounds = std::getenv("DAMAGE_ROUNDS") ? std::atoi(std::getenv("DAMAGE_ROUNDS")) : 10;
  std::uint32_t seed = 2024;
  const auto next = [&seed](std::size_t n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<std::size_t>((seed >> 8) % n);
  };
  for (int k = 0; k < rounds; ++k) {
    for (const bool raw : {false, true}) {
      const Log& l = logs[raw];
      const std::size_t from = l.epochs[kTarget].begin, to = l.epochs[kTarget + 10].begin;
      const std::size_t at = from + next(to - from);
      const std::size_t kind = next(4), n = 1 + next(40);
      const std::string name = std::to_string(k) + (raw ? " raw " : " short ") + std::to_string(kind) +
                               " at " + std::to_string(at) + " n " + std::to_string(n);
      const Case c{"random", raw, [&](const Log& log) {
                     if (kind == 0) return Flip(log, at);
                     if (kind == 1) return Delete(log, at, at + n);
                     if (kind == 2) return Duplicate(log, at, std::min(n, log.bytes.size() - at));
                     return Insert(log, at, Garbage(n, static_cast<std::uint32_t>(at)));
                   }};
      SCOPED_TRACE(name);
      Check(c, l, truths[raw], dir, true);
    }
  }
}

// A single bit flipped in a message's identifier or length digits, in every
// encoding: a time or list message that turns into another identifier, or a
// length that swallows or cuts what follows, must not move a value to
// another epoch or satellite. CI flips a fixed sample of the bits of every
// message of one epoch; DAMAGE_SWEEP=full flips all 40 bits of every
// message of ten epochs.
TEST(DamagedLog, EveryBitOfIdentifiersAndLengthsMovesNoValue) {
  TempDir dir;
  const bool full = FullSweep();
  std::size_t conversions = 0;
  for (const std::string encoding : kEncodings) {
    SCOPED_TRACE(encoding);
    Log log;
    Truth truth;
    SimulateLog(dir, encoding, log, truth);
    if (HasFatalFailure()) return;
    const std::size_t first = log.epochStarts[kTarget];
    const std::size_t last = log.epochStarts[kTarget + (full ? 10 : 1)];
    for (std::size_t k = first; k < last; ++k) {
      const FramedMessage& m = log.messages[k];
      for (std::size_t byte = 0; byte < 5; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
          // The sample: every bit of the identifier's first byte, and for
          // the other bytes two bits that move with the message.
          if (!full && byte > 0 && bit != static_cast<int>((k + byte) % 8) &&
              bit != static_cast<int>((k + 3 * byte + 4) % 8))
            continue;
          const std::string name = "[" + m.id + "] at " + std::to_string(m.offset) + " byte " +
                                   std::to_string(byte) + " bit " + std::to_string(bit);
          SCOPED_TRACE(name);
          const Case c{"flip", encoding == "raw",
                       [&](const Log& l) { return FlipBit(l, m.offset + byte, bit); }};
          Check(c, log, truth, dir, true);
          ++conversions;
          if (HasFatalFailure()) return;
        }
      }
    }
  }
  std::printf("%zu conversions of logs with a flipped bit\n", conversions);
}

// A sound log of epoch e without GLONASS slot `slot`: its entry taken out of
// the list, of the slot numbers and of every per-satellite message, with the
// checksums made good again.
std::string WithoutGlonassSlot(const Log& l, std::size_t e, int slot) {
  static const std::set<std::string> kPerSatellite = {
      "rc", "r1", "r2", "RC", "R1", "R2", "1R", "2R", "1r", "2r", "pc", "p1", "p2", "PC",
      "P1", "P2", "CP", "1P", "2P", "cp", "1p", "2p", "DC", "D1", "D2", "CE", "1E", "2E",
      "EC", "E1", "E2", "CC", "C1", "C2", "cc", "c1", "c2", "EL", "AZ", "TC"};
  std::string out = l.bytes.substr(0, l.epochs[e].begin);
  std::size_t listed = 0, entry = 0, glonassEntry = 0;
  bool found = false;
  for (std::size_t k = l.epochStarts[e]; k < l.epochStarts[e + 1]; ++k) {
    const FramedMessage& m = l.messages[k];
    std::string body = l.bytes.substr(m.offset + 5, m.size - 6);
    if (m.id == "SI") {
      listed = body.size();
    } else if (m.id == "NN") {
      // The slot numbers follow the GLONASS entries (index bytes 38..70).
      const std::string list = l.bytes.substr(l.InEpoch(e, "SI").offset + 5, listed);
      std::size_t g = 0;
      for (std::size_t i = 0; i < list.size() && !found; ++i) {
        const auto index = static_cast<unsigned char>(list[i]);
        if (index < 38 || index > 70) continue;
        if (static_cast<signed char>(body[g]) == slot) {
          entry = i;
          glonassEntry = g;
          found = true;
        }
        ++g;
      }
      EXPECT_TRUE(found) << "no GLONASS slot " << slot;
      body.erase(glonassEntry, 1);
    } else if (found && kPerSatellite.count(m.id) && listed > 0 && body.size() % listed == 0) {
      const std::size_t size = body.size() / listed;
      body.erase(entry * size, size);
    }
    const qzrtest::Bytes framed = qzrtest::Message(m.id, qzrtest::Bytes(body.begin(), body.end()));
    out.append(framed.begin(), framed.end());
    out += l.bytes.substr(m.end(), l.messages[k + 1].offset - m.end());
  }
  out += l.bytes.substr(l.epochs[e].end);
  // The list comes before its slot numbers: it loses the entry once that is
  // known. The messages before it kept their sizes.
  const FramedMessage& si = l.InEpoch(e, "SI");
  const std::size_t at = si.offset;
  std::string list = l.bytes.substr(si.offset + 5, si.size - 6);
  list.erase(entry, 1);
  const qzrtest::Bytes framed = qzrtest::Message("SI", qzrtest::Bytes(list.begin(), list.end()));
  out.replace(at, si.size, std::string(framed.begin(), framed.end()));
  return out;
}

// A list that lacks a satellite for one epoch while the receiver kept
// tracking it: its phase, which has already wrapped below zero, goes on
// unbroken after its return instead of starting again from the raw value.
TEST(DamagedLog, ASatelliteMissingFromOneListKeepsItsPhase) {
  TempDir dir;
  Log log;
  Truth truth;
  SimulateLog(dir, "short", log, truth);
  if (HasFatalFailure()) return;
  // The first GLONASS slot whose L1 phase is below zero at an epoch after
  // the target: its unwrapping has counted a wrap.
  std::size_t epoch = 0;
  int slot = 0;
  for (std::size_t e = kTarget; e + 5 < truth.epochs.size() && slot == 0; ++e) {
    for (auto k = truth.obs.lower_bound({truth.epochs[e].ms, 'R', 0});
         k != truth.obs.end() && std::get<0>(k->first) == truth.epochs[e].ms && std::get<1>(k->first) == 'R';
         ++k) {
      const auto ca = k->second.find("ca");
      if (ca != k->second.end() && ca->second[1] < 0) {
        epoch = e;
        slot = std::get<2>(k->first);
        break;
      }
    }
  }
  ASSERT_NE(slot, 0) << "the simulated log has no wrapped GLONASS phase";
  const Case c{
      "missing", false, [&](const Log& l) {
        return Damage{WithoutGlonassSlot(l, epoch, slot), l.epochs[epoch].begin, l.epochs[epoch].end};
      }};
  Check(c, log, truth, dir, true);
}

}  // namespace
