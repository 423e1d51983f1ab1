#pragma once

#include <array>
#include <cstdint>

namespace qzr2rin {

// Finds the value seen most often among the first 100 distinct values
// added: the data interval of a log.
class THypothesis {
 public:
  static constexpr std::size_t kSlots = 100;

  void Add(std::int32_t v) {
    for (Slot& s : slots_) {
      if (s.count != 0 && s.value == v) {
        ++s.count;
        ++additions_;
        return;
      }
      if (s.count == 0) {
        s = {v, 1};
        ++additions_;
        return;
      }
    }
    // Every slot holds another value: v is dropped, not counted.
  }

  // The value of the slot with the highest count; the lower slot wins a tie;
  // 0 when empty.
  std::int32_t Mode() const {
    const Slot* best = &slots_[0];
    for (const Slot& s : slots_) {
      if (s.count > best->count) best = &s;
    }
    return best->value;
  }

  void Reset() {
    slots_.fill({});
    additions_ = 0;
  }

  std::int32_t Additions() const { return additions_; }

 private:
  struct Slot {
    std::int32_t value = 0;
    std::int32_t count = 0;
  };
  std::int32_t additions_ = 0;
  std::array<Slot, kSlots> slots_{};
};

}  // namespace qzr2rin
