#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace qzr2rin {

// Antenna offsets of an occupation, in metres.
struct AntennaBlock {
  std::int16_t antennaOccupationNumber = 0;
  std::int16_t heightFlags = 0;  // kHeightGiven, kHeightSlant
  float deltaH = 0;
  float deltaE = 0;
  float deltaN = 0;
};

inline constexpr std::int16_t kHeightGiven = 0x01;
inline constexpr std::int16_t kHeightSlant = 0x10;

inline constexpr std::uint8_t kDynamicMode = 0x40;

// When the next occupation is recorded, from two facts set and cleared on
// their own: "due" (a change asks for a new occupation) and "armed" (the
// next stored epoch may start it). The four states:
//   idle           neither: nothing is pending;
//   armed          after a close, or a withdrawn mode change: the next
//                  stored epoch records one only while none is stored yet;
//   due, waiting   a stop without a new name: armed once one more epoch
//                  has passed;
//   due and armed  the next stored epoch records it (the initial state).
// Recording returns to idle; only these functions move between states.
class OccupationHandOff {
 public:
  bool Due() const { return due_; }
  bool Armed() const { return armed_; }
  bool StartsWithNextEpoch() const { return due_ && armed_; }

  void AskForOccupation() { due_ = true; }
  // A stop without a new name: the epoch in progress still belongs to the
  // old occupation.
  void AskAfterNextEpoch() {
    due_ = true;
    armed_ = false;
  }
  // A pending mode change becomes part of the site's occupation.
  void Withdraw() { due_ = false; }
  void Arm() { armed_ = true; }
  // An epoch passed (stored, or outside the window): a due occupation waits
  // no longer.
  void EpochPassed() {
    if (due_) armed_ = true;
  }
  void Recorded() { due_ = armed_ = false; }

 private:
  bool due_ = true;
  bool armed_ = true;
};

// The naming asked for the occupation to be recorded next: none, or a
// generated name of one mode. Asking again replaces the mode; recording
// the occupation takes the request and leaves none.
class NamingRequest {
 public:
  bool Due() const { return mode_ != Mode::None; }
  bool Kinematic() const { return mode_ == Mode::Kinematic; }

  void Ask(bool kinematic) { mode_ = kinematic ? Mode::Kinematic : Mode::Static; }
  // The request, for naming now; none is left.
  NamingRequest Take() { return std::exchange(*this, NamingRequest{}); }

 private:
  enum class Mode : std::uint8_t { None, Static, Kinematic };
  Mode mode_ = Mode::None;
};

// Where the converter stands with occupations (sites): the marker and
// antenna that the next stored epochs belong to, and what is due to be
// named and recorded with the next stored epoch.
struct OccupationState {
  std::int16_t occupationNumber = 0;
  std::string baseMarkerName;  // stem of generated names, up to 80 characters
  std::int32_t staticCounter = 1;
  std::int32_t kinematicCounter = 1;
  std::string lastSiteName;  // value of the last site-name event

  AntennaBlock antenna;
  // The antenna record: texts reset by an antenna-type event; the values
  // past the two texts are kept but written nowhere.
  std::string secondAntennaText;
  std::int16_t antennaValue = 0;
  std::array<float, 9> antennaFactors{};

  std::int16_t dynamicMode = 0;    // 0 static, kDynamicMode dynamic
  std::uint8_t epochFlagByte = 0;  // bit kDynamicMode goes into each stored epoch

  OccupationHandOff handOff;
  NamingRequest naming;
  // Facts about the marker name, each set by its own event (a site name, a
  // receiver id, an identification) and all cleared by the next naming; any
  // mix of them can stand, so they stay plain.
  bool userNamed = true;        // the marker name is used without a suffix
  bool siteNamed = false;       // a site name arrived since the last naming
  bool firstOccupation = true;  // no occupation has been named yet
  bool antennaHeightChanged = false;
  bool antennaTypeChanged = false;
  bool dynamicsChanged = false;
  bool authenticated = false;  // set by a matching signature for the current occupation
};

}  // namespace qzr2rin
