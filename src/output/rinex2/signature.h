#pragma once

#include <cstdint>

namespace qzr2rin {

// The data signature written as "SE MRV %08x": the receiver key folded with
// the time and date of an epoch, the same construction the receiver signs
// its data with, so that a reader can check that the file's epochs and its
// receiver belong together.
std::uint32_t DataSignature(std::uint32_t receiverKey, std::uint32_t seconds, std::uint32_t nanoseconds);

}  // namespace qzr2rin
