#include "base/process_flags.h"

namespace qzr2rin {
namespace {
ProcessFlags gFlags;
}

const ProcessFlags& Flags() { return gFlags; }
void SetFlags(const ProcessFlags& flags) { gFlags = flags; }

}  // namespace qzr2rin
