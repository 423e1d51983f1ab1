#include "nav/navigation_files.h"

#include "input/qzr_file.h"

namespace qzr2rin {

bool HasNavigationData(const TQZRFile& /*f*/, NavigationSystem /*system*/) { return false; }

Status WriteNavigationFile(const TQZRFile& /*f*/, NavigationSystem /*system*/, platform::OutputFile& /*out*/) {
  return Status::Ok;
}

}  // namespace qzr2rin
