#pragma once

// An independent reader of compact RINEX (CRX 1.0 and 3.0) for the tests:
// it shares no code with the compressor, so every round trip the tests run
// through it checks the compressor against a second reading of the format.

#include <string>
#include <string_view>

namespace qzrtest {

// The RINEX text a compact RINEX text decompresses to, in the canonical form
// (no trailing blanks, no leading zero before the point, no negative zero).
// On a malformed text returns false and says why, with the line number, in
// `problem`; `rinex` then holds what was decoded before the fault.
bool DecompressCrx(std::string_view crx, std::string& rinex, std::string& problem);

// The canonical form of a RINEX 2 observation text: what a compress and
// decompress round trip gives back. Lines it cannot read are kept as they
// are, less their trailing blanks.
std::string CanonicalRinex2(std::string_view rinex);

}  // namespace qzrtest
